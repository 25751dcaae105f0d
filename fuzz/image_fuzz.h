#pragma once
// Shared body of the picture fuzz targets: the header reader and the decoder
// of one format (and content detection), with the size limit lowered to 4
// megapixels so the fuzzer's memory stays bounded. Any exception other than
// the codec error, or a raster that does not match its size, is a fault.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "imaging/codecs/codec.h"

namespace pictavo::fuzz {

inline constexpr size_t kMaxInput = 1 << 20;

inline TDecodeOptions FuzzOptions() {
  TDecodeOptions options;
  options.max_pixels = 4'000'000;
  options.max_side = 8192;
  return options;
}

inline void CheckRaster(const TRaster& r, const TDecodeOptions& options) {
  if (r.width <= 0 || r.height <= 0 || r.width > options.max_side || r.height > options.max_side ||
      r.pixels.size() != static_cast<size_t>(r.width) * r.height * 3)
    std::abort();
}

inline int FuzzImage(const uint8_t* data, size_t size, TImageFileType type) {
  if (size > kMaxInput) return 0;
  std::span<const uint8_t> bytes(data, size);
  std::optional<TImageHeader> header = ReadImageHeader(bytes, type);
  if (header && (header->width <= 0 || header->height <= 0)) std::abort();
  (void)DetectImageType(bytes);
  (void)ReadImageHeader(bytes, iftUnknown);
  const TDecodeOptions options = FuzzOptions();
  try {
    CheckRaster(DecodeImage(bytes, type, options), options);
  } catch (const ECodec&) {
  }
  return 0;
}

}  // namespace pictavo::fuzz
