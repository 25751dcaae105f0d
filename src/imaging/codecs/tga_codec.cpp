// TGA (Truevision): colour-mapped, true-colour and grey pictures, plain
// (types 1, 2, 3) or run-length encoded (9, 10, 11); 8, 15, 16, 24 and 32
// bits; origin bits for bottom-up/top-down and right-to-left rows; alpha from
// the descriptor's attribute bits, ignored when the TGA 2.0 extension area
// says it is not meaningful or when it is 0 everywhere. Written as type 2,
// 24-bit, top-down.
#include <algorithm>
#include <cstring>

#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/formats.h"

namespace pictavo::codecs {

namespace {

constexpr const char* kName = "TGA";

struct TTgaHeader {
  int id_length = 0, cmap_type = 0, type = 0;
  int cmap_first = 0, cmap_length = 0, cmap_bits = 0;
  int width = 0, height = 0, bits = 0, descriptor = 0;
};

std::optional<TTgaHeader> ParseTga(TBytes bytes) {
  if (bytes.size() < 18) return std::nullopt;
  TByteReader r(bytes);
  TTgaHeader h;
  h.id_length = r.u8();
  h.cmap_type = r.u8();
  h.type = r.u8();
  h.cmap_first = r.u16le();
  h.cmap_length = r.u16le();
  h.cmap_bits = r.u8();
  r.skip(4);  // origin
  h.width = r.u16le();
  h.height = r.u16le();
  h.bits = r.u8();
  h.descriptor = r.u8();
  if (h.cmap_type > 1 || h.width == 0 || h.height == 0) return std::nullopt;
  const int base = h.type & 7;
  if ((h.type & ~8) < 1 || (h.type & ~8) > 3) return std::nullopt;
  if (base == 1) {
    if (h.cmap_type != 1 || (h.bits != 8 && h.bits != 16)) return std::nullopt;
    if (h.cmap_bits != 15 && h.cmap_bits != 16 && h.cmap_bits != 24 && h.cmap_bits != 32)
      return std::nullopt;
  } else if (base == 2) {
    if (h.bits != 15 && h.bits != 16 && h.bits != 24 && h.bits != 32) return std::nullopt;
  } else if (h.bits != 8 && h.bits != 16) {  // grey, 16 = grey and alpha
    return std::nullopt;
  }
  if (h.cmap_type == 1 && h.cmap_bits != 15 && h.cmap_bits != 16 && h.cmap_bits != 24 &&
      h.cmap_bits != 32)
    return std::nullopt;
  return h;
}

// TGA has no signature: it is never detected from content, but a header that
// parses counts as a match for a file named as TGA.
bool MatchesTga(TBytes bytes) {
  return ParseTga(bytes).has_value();
}

std::optional<TImageHeader> ReadTgaHeader(TBytes bytes) {
  std::optional<TTgaHeader> t = ParseTga(bytes);
  if (!t) return std::nullopt;
  TImageHeader h;
  h.type = iftTga;
  h.width = t->width;
  h.height = t->height;
  const int base = t->type & 7;
  h.samples_per_pixel = base == 3 ? (t->bits == 16 ? 2 : 1) : (t->descriptor & 15) ? 4 : 3;
  if (base == 1) h.samples_per_pixel = 1;
  h.bits_per_sample = 8;
  return h;
}

// One pixel of bits bits at p into RGBA.
void ReadTgaPixel(const uint8_t* p, int bits, bool grey, uint8_t* out) {
  if (grey) {
    out[0] = out[1] = out[2] = p[0];
    out[3] = bits == 16 ? p[1] : 255;
    return;
  }
  switch (bits) {
    case 15:
    case 16: {
      const int v = p[0] | p[1] << 8;
      out[0] = static_cast<uint8_t>(((v >> 10) & 31) * 255 / 31);
      out[1] = static_cast<uint8_t>(((v >> 5) & 31) * 255 / 31);
      out[2] = static_cast<uint8_t>((v & 31) * 255 / 31);
      out[3] = bits == 16 && !(v & 0x8000) ? 0 : 255;
      break;
    }
    case 24:
      out[0] = p[2];
      out[1] = p[1];
      out[2] = p[0];
      out[3] = 255;
      break;
    default:
      out[0] = p[2];
      out[1] = p[1];
      out[2] = p[0];
      out[3] = p[3];
  }
}

TRaster DecodeTga(TBytes bytes, const TDecodeOptions& options, TImageHeader& header) {
  std::optional<TTgaHeader> t = ParseTga(bytes);
  if (!t) ThrowCodecError(options, kName, "unsupported or damaged header");
  CheckPictureSize(options, kName, t->width, t->height);
  header = *ReadTgaHeader(bytes);
  const int w = t->width, h = t->height;
  const int base = t->type & 7;
  const bool rle = t->type & 8;
  const bool grey = base == 3;
  const size_t pixel_bytes = (t->bits + 7) / 8;

  size_t pos = 18 + t->id_length;
  // Colour map.
  std::vector<uint8_t> cmap;
  if (t->cmap_type == 1) {
    const size_t entry = (t->cmap_bits + 7) / 8;
    const size_t size = entry * t->cmap_length;
    if (bytes.size() < pos + size) ThrowCodecError(options, kName, "colour map ends early");
    cmap.resize(static_cast<size_t>(t->cmap_length) * 4);
    for (int i = 0; i < t->cmap_length; ++i)
      ReadTgaPixel(bytes.data() + pos + entry * i, t->cmap_bits, false, cmap.data() + i * 4);
    pos += size;
  }
  const size_t count = static_cast<size_t>(w) * h;
  // Enough data for the pixels (run-length data: at least one packet per 128).
  const size_t avail = bytes.size() > pos ? bytes.size() - pos : 0;
  if (rle ? avail < count / 128 * (1 + pixel_bytes) : avail < count * pixel_bytes)
    ThrowCodecError(options, kName, "pixel data ends early");

  TRgbaBuffer rgba(w, h);
  auto store = [&](const uint8_t* p, uint8_t* out) {
    if (base == 1) {
      const int index = (pixel_bytes == 2 ? (p[0] | p[1] << 8) : p[0]) - t->cmap_first;
      if (index >= 0 && index < t->cmap_length) {
        std::memcpy(out, cmap.data() + index * 4, 4);
      } else {
        out[0] = out[1] = out[2] = 0;
        out[3] = 255;
      }
    } else {
      ReadTgaPixel(p, t->bits, grey, out);
    }
  };
  // Pixels in file order, placed by the origin bits afterwards.
  std::vector<uint8_t> linear(count * 4);
  if (!rle) {
    const uint8_t* p = bytes.data() + pos;
    for (size_t i = 0; i < count; ++i, p += pixel_bytes) store(p, linear.data() + i * 4);
  } else {
    size_t i = 0;
    while (i < count) {
      if (pos >= bytes.size()) ThrowCodecError(options, kName, "pixel data ends early");
      const uint8_t packet = bytes[pos++];
      const size_t n = (packet & 127) + 1;
      if (packet & 128) {
        if (bytes.size() - pos < pixel_bytes)
          ThrowCodecError(options, kName, "pixel data ends early");
        uint8_t px[4];
        store(bytes.data() + pos, px);
        pos += pixel_bytes;
        for (size_t k = 0; k < n && i < count; ++k, ++i) std::memcpy(linear.data() + i * 4, px, 4);
      } else {
        if ((bytes.size() - pos) / pixel_bytes < n)
          ThrowCodecError(options, kName, "pixel data ends early");
        for (size_t k = 0; k < n && i < count; ++k, ++i, pos += pixel_bytes)
          store(bytes.data() + pos, linear.data() + i * 4);
      }
    }
  }
  const bool right_to_left = t->descriptor & 0x10;
  const bool top_down = t->descriptor & 0x20;
  for (int y = 0; y < h; ++y) {
    const int out_y = top_down ? y : h - 1 - y;
    for (int x = 0; x < w; ++x) {
      const int out_x = right_to_left ? w - 1 - x : x;
      std::memcpy(rgba.at(out_x, out_y), linear.data() + (static_cast<size_t>(y) * w + x) * 4, 4);
    }
  }
  // Alpha counts when the descriptor gives attribute bits, unless the TGA 2.0
  // extension area says the alpha is undefined (attributes type 0 to 2).
  bool use_alpha =
      (t->descriptor & 15) != 0 || (grey && t->bits == 16) || (base == 1 && t->cmap_bits == 32);
  if (bytes.size() >= 26 + 18 &&
      std::memcmp(bytes.data() + bytes.size() - 18, "TRUEVISION-XFILE.", 17) == 0) {
    TByteReader f(bytes, bytes.size() - 26);
    const uint32_t ext = f.u32le();
    if (ext >= 18 && ext + 495 <= bytes.size() - 26) {
      TByteReader e(bytes, ext);
      if (e.u16le() >= 495 && bytes[ext + 494] <= 2) use_alpha = false;
    }
  }
  if (!use_alpha)
    for (size_t i = 3; i < rgba.pixels.size(); i += 4) rgba.pixels[i] = 255;
  return ComposeOnto(rgba, options.background, true);
}

std::vector<uint8_t> EncodeTga(const TRaster& raster, const TEncodeOptions&) {
  std::vector<uint8_t> out(18, 0);
  out[2] = 2;
  out[12] = static_cast<uint8_t>(raster.width);
  out[13] = static_cast<uint8_t>(raster.width >> 8);
  out[14] = static_cast<uint8_t>(raster.height);
  out[15] = static_cast<uint8_t>(raster.height >> 8);
  out[16] = 24;
  out[17] = 0x20;  // top-down
  out.reserve(18 + raster.pixels.size());
  const uint8_t* p = raster.pixels.data();
  for (size_t i = 0; i < raster.pixels.size(); i += 3) {
    out.push_back(p[i + 2]);
    out.push_back(p[i + 1]);
    out.push_back(p[i]);
  }
  return out;
}

}  // namespace

const TCodecFormat& TgaFormat() {
  static const TCodecFormat format{iftTga, kName, MatchesTga, ReadTgaHeader, DecodeTga, EncodeTga};
  return format;
}

}  // namespace pictavo::codecs
