// The JPEG 2000 header readers and decoders (boxed file and code stream) on
// arbitrary bytes.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pictavo::fuzz::FuzzImage(data, size, pictavo::iftJp2);
  return pictavo::fuzz::FuzzImage(data, size, pictavo::iftJ2k);
}
