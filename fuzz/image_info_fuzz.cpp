// The image header reader on arbitrary bytes, through its memory path, read
// as every file type in turn (the four fixed readers and the content reader).
#include <cstddef>
#include <cstdint>

#include "pictures/image_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pictavo;
  // Headers are small; a big input only slows the fuzzer down.
  if (size > (1u << 20)) return 0;
  static constexpr TImageFileType kTypes[] = {iftUnknown, iftTiff, iftGif, iftJpeg, iftPcx, iftBmp,
                                              iftIco,     iftCur,  iftPng, iftWmf,  iftEmf, iftTga,
                                              iftPxm,     iftJp2,  iftJ2k, iftWbmp};
  std::span<const uint8_t> bytes(data, size);
  for (TImageFileType type : kTypes) {
    TImageInfo info;
    GetImageInfoFromBytes(bytes, type, info);
    if (!info.valid && (info.width != 0 || info.height != 0)) __builtin_trap();
  }
  TMemoryByteSource source(bytes);
  TImageParams params = ReadImageParameters(source);
  if (params.format != iftUnknown && (params.width <= 0 || params.height <= 0)) __builtin_trap();
  return 0;
}
