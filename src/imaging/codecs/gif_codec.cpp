// GIF: header only. GIF pictures are copied, never converted, so there is no
// decoder; the header gives the first image's size (not the logical screen's).
#include <algorithm>
#include <cstring>

#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/formats.h"

namespace pictavo::codecs {

namespace {

bool MatchesGif(TBytes bytes) {
  return bytes.size() >= 6 && (std::memcmp(bytes.data(), "GIF87a", 6) == 0 ||
                               std::memcmp(bytes.data(), "GIF89a", 6) == 0);
}

std::optional<TImageHeader> ReadGifHeader(TBytes bytes) {
  if (!MatchesGif(bytes)) return std::nullopt;
  TByteReader r(bytes, 10);
  const uint8_t flags = r.u8();
  r.skip(2);
  if (flags & 0x80) r.skip(3u << ((flags & 7) + 1));
  while (r.ok()) {
    const uint8_t b = r.u8();
    if (b == 0x21) {  // extension: label, then data sub-blocks
      r.u8();
      for (uint8_t n = r.u8(); r.ok() && n != 0; n = r.u8()) r.skip(n);
    } else if (b == 0x2C) {
      r.skip(4);
      TImageHeader h;
      h.type = iftGif;
      h.width = r.u16le();
      h.height = r.u16le();
      const uint8_t image_flags = r.u8();
      const int global_bits = (flags & 0x80) ? (flags & 7) + 1 : 0;
      h.bits_per_sample = (image_flags & 0x80) ? (image_flags & 7) + 1 : global_bits;
      if (h.bits_per_sample == 0) h.bits_per_sample = 8;
      h.samples_per_pixel = 1;
      if (!r.ok()) return std::nullopt;
      return h;
    } else {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace

const TCodecFormat& GifFormat() {
  static const TCodecFormat format{iftGif, "GIF", MatchesGif, ReadGifHeader};
  return format;
}

}  // namespace pictavo::codecs
