#pragma once
// The device-independent bitmap inside BMP files and ICO/CUR entries.
#include "imaging/codecs/codec_format.h"

namespace pictavo::codecs {

struct TDibInfo {
  int width = 0;
  int height = 0;  // positive; top_down tells the row order
  bool top_down = false;
  int bit_count = 0;
  uint32_t compression = 0;
  uint32_t masks[4] = {};  // red, green, blue, alpha (bitfields and 16/32 bit)
  size_t header_size = 0;
  size_t palette_offset = 0;  // from the start of the DIB
  int palette_entry_size = 4;
  int palette_count = 0;
};

// Reads the DIB header at the start of dib; nullopt when damaged. In an icon
// the height counts the AND mask too (halved by the caller).
std::optional<TDibInfo> ReadDibInfo(TBytes dib, bool in_icon);

// Decodes the pixels of a DIB whose pixel data starts at pixels_offset of
// dib. In an icon, 32-bit pixels carry alpha in their fourth byte and the
// 1-bit AND mask after the colour pixels makes pixels transparent.
TRgbaBuffer DecodeDib(TBytes dib, const TDibInfo& info, size_t pixels_offset, bool in_icon,
                      const TDecodeOptions& options, const char* format);

// Writes a DIB (header, palette, bottom-up pixels) of the raster: 24-bit, or
// 8-bit grey or 1-bit black and white as the options ask. In an icon: 32-bit
// with alpha 255 and an all-clear AND mask, the height doubled.
std::vector<uint8_t> EncodeDib(const TRaster& raster, const TEncodeOptions& options, bool in_icon);

}  // namespace pictavo::codecs
