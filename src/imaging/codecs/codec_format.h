#pragma once
// The table behind codec.h: one entry per file format, each implemented in
// its own file pair (bmp_codec.cpp, jpeg_codec.cpp ...).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imaging/codecs/codec.h"

namespace pictavo::codecs {

using TBytes = std::span<const uint8_t>;

struct TCodecFormat {
  TImageFileType type = iftUnknown;
  const char* name = "";  // in error messages: "BMP", "JPEG" ...
  // True when the first bytes are this format's (magic bytes).
  bool (*matches)(TBytes bytes) = nullptr;
  std::optional<TImageHeader> (*read_header)(TBytes bytes) = nullptr;
  // Decodes; throws ECodec. header receives the stored picture's header.
  TRaster (*decode)(TBytes bytes, const TDecodeOptions& options, TImageHeader& header) = nullptr;
  std::vector<uint8_t> (*encode)(const TRaster& raster, const TEncodeOptions& options) = nullptr;
};

// The entry of a type, or nullptr.
const TCodecFormat* FindFormat(TImageFileType type);
// The entry whose magic bytes match, or nullptr.
const TCodecFormat* DetectFormat(TBytes bytes);

// Message prefix "file: FORMAT: " (without the file part when no name).
[[noreturn]] void ThrowCodecError(const TDecodeOptions& options, const char* format,
                                  const std::string& detail);
// Throws ECodec unless width x height is within the options' limits; a size
// of 0 or less is corrupt.
void CheckPictureSize(const TDecodeOptions& options, const char* format, int64_t width,
                      int64_t height);

// A decoded picture with alpha (RGBA, 4 bytes a pixel, rows top to bottom),
// before it is composed onto the background.
struct TRgbaBuffer {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  TRgbaBuffer() = default;
  TRgbaBuffer(int w, int h, uint8_t fill = 0)
      : width(w), height(h), pixels(static_cast<size_t>(w) * h * 4, fill) {}
  uint8_t* at(int x, int y) { return pixels.data() + (static_cast<size_t>(y) * width + x) * 4; }
};

// Composes straight (not premultiplied) alpha onto the background. With
// ignore_zero_alpha, a picture whose alpha is 0 everywhere counts as opaque
// (writers that leave the fourth byte unused).
TRaster ComposeOnto(const TRgbaBuffer& rgba, TRgb background, bool ignore_zero_alpha);

// Composes a colour with alpha a (0..255) onto the background.
inline uint8_t Compose(int value, int alpha, int background) {
  return static_cast<uint8_t>((value * alpha + background * (255 - alpha) + 127) / 255);
}

}  // namespace pictavo::codecs
