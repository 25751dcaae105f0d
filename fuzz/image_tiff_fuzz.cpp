// The TIFF header reader and decoder on arbitrary bytes.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return pictavo::fuzz::FuzzImage(data, size, pictavo::iftTiff);
}
