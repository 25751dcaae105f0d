// The ICO and CUR header readers and decoders (directory, DIB and PNG
// entries, AND mask) on arbitrary bytes.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pictavo::fuzz::FuzzImage(data, size, pictavo::iftIco);
  return pictavo::fuzz::FuzzImage(data, size, pictavo::iftCur);
}
