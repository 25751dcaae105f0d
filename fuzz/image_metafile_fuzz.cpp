// The WMF and EMF header readers on arbitrary bytes.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pictavo::fuzz::FuzzImage(data, size, pictavo::iftWmf);
  return pictavo::fuzz::FuzzImage(data, size, pictavo::iftEmf);
}
