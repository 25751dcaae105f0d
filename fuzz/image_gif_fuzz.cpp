// The GIF header reader on arbitrary bytes (GIF has no decoder here).
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return pictavo::fuzz::FuzzImage(data, size, pictavo::iftGif);
}
