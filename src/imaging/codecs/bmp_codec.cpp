// BMP, DIB and RLE files: 1, 4, 8, 16, 24 and 32 bits, RLE4 and RLE8,
// bitfields, top-down and bottom-up rows, OS/2 core headers.
#include "imaging/codecs/bmp_codec.h"

#include <fmt/format.h>
#include <algorithm>

#include <bit>

#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/formats.h"

namespace pictavo::codecs {

namespace {

constexpr const char* kName = "BMP";
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;

struct TChannel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  uint8_t get(uint32_t px) const {
    if (!mask) return 0;
    const uint32_t v = (px & mask) >> shift;
    return static_cast<uint8_t>(max == 255 ? v : (v * 255 + max / 2) / max);
  }
};

TChannel MakeChannel(uint32_t mask) {
  TChannel c;
  if (!mask) return c;
  c.mask = mask;
  c.shift = std::countr_zero(mask);
  const uint32_t v = mask >> c.shift;
  // Only contiguous masks make sense; others are treated as their low run.
  c.max = v == 0xFFFFFFFFu ? v : ((1u << std::countr_one(v)) - 1);
  c.mask = c.max << c.shift;
  return c;
}

struct TPalette {
  uint8_t rgb[256][3] = {};
  int count = 0;
};

}  // namespace

std::optional<TDibInfo> ReadDibInfo(TBytes dib, bool in_icon) {
  TByteReader r(dib);
  TDibInfo info;
  const uint32_t size = r.u32le();
  if (!r.ok()) return std::nullopt;
  if (size == 12) {
    info.width = r.u16le();
    info.height = r.u16le();
    r.skip(2);
    info.bit_count = r.u16le();
    info.palette_entry_size = 3;
  } else if (size >= 16 && size <= 1024) {
    int32_t w = r.i32le();
    int32_t h = r.i32le();
    r.skip(2);
    info.bit_count = r.u16le();
    if (size >= 20) info.compression = r.u32le();
    if (size >= 36) {
      r.seek(32);
      info.palette_count = static_cast<int>(std::min<uint32_t>(r.u32le(), 1u << 16));
    }
    if (w <= 0 || h == 0 || h == INT32_MIN) return std::nullopt;
    info.width = w;
    info.top_down = h < 0;
    info.height = h < 0 ? -h : h;
    // OS/2 2.x headers give 3 and 4 other meanings (Huffman, RLE24).
    if (size == 64 && (info.compression == 3 || info.compression == 4)) return std::nullopt;
    if (size >= 52) {
      r.seek(40);
      for (int i = 0; i < 3; ++i) info.masks[i] = r.u32le();
    }
    if (size >= 56) info.masks[3] = r.u32le();
  } else {
    return std::nullopt;
  }
  if (!r.ok() || info.width <= 0 || info.height <= 0) return std::nullopt;
  info.header_size = size;
  size_t after_header = size;
  if (size == 40 && (info.compression == kBitfields || info.compression == kAlphaBitfields)) {
    const int n = info.compression == kAlphaBitfields ? 4 : 3;
    TByteReader m(dib, 40);
    for (int i = 0; i < n; ++i) info.masks[i] = m.u32le();
    if (!m.ok()) return std::nullopt;
    after_header += 4 * n;
  }
  switch (info.bit_count) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      return std::nullopt;
  }
  if (info.bit_count <= 8) {
    const int full = 1 << info.bit_count;
    if (info.palette_count <= 0 || info.palette_count > full) info.palette_count = full;
  } else {
    info.palette_count = 0;
  }
  info.palette_offset = after_header;
  const bool rle = info.compression == kRle8 || info.compression == kRle4;
  if (rle && info.bit_count != (info.compression == kRle8 ? 8 : 4)) return std::nullopt;
  if (!rle && info.compression != kRgb && info.compression != kBitfields &&
      info.compression != kAlphaBitfields)
    return std::nullopt;
  if (info.bit_count == 16 && info.compression == kRgb) {
    info.masks[0] = 0x7C00;
    info.masks[1] = 0x03E0;
    info.masks[2] = 0x001F;
    info.masks[3] = 0;
  } else if (info.bit_count == 32 && info.compression == kRgb) {
    info.masks[0] = 0xFF0000;
    info.masks[1] = 0xFF00;
    info.masks[2] = 0xFF;
    info.masks[3] = in_icon ? 0xFF000000u : 0;
  }
  return info;
}

TRgbaBuffer DecodeDib(TBytes dib, const TDibInfo& info, size_t pixels_offset, bool in_icon,
                      const TDecodeOptions& options, const char* format) {
  const int width = info.width;
  const int height = info.height;
  CheckPictureSize(options, format, width, height);

  TPalette palette;
  if (info.bit_count <= 8) {
    TByteReader r(dib, info.palette_offset);
    for (int i = 0; i < info.palette_count && r.has(static_cast<size_t>(info.palette_entry_size));
         ++i) {
      const uint8_t b = r.u8(), g = r.u8(), rr = r.u8();
      if (info.palette_entry_size == 4) r.u8();
      palette.rgb[i][0] = rr;
      palette.rgb[i][1] = g;
      palette.rgb[i][2] = b;
      palette.count = i + 1;
    }
  }
  auto put_index = [&](TRgbaBuffer& out, int x, int y, int index) {
    uint8_t* p = out.at(x, info.top_down ? y : height - 1 - y);
    p[0] = palette.rgb[index][0];
    p[1] = palette.rgb[index][1];
    p[2] = palette.rgb[index][2];
    p[3] = 255;
  };

  // RLE pictures leave skipped pixels transparent (they show the background).
  const bool rle = info.compression == kRle8 || info.compression == kRle4;
  TRgbaBuffer out(width, height, rle ? 0 : 255);
  if (pixels_offset > dib.size()) ThrowCodecError(options, format, "pixel data missing");
  TBytes data = dib.subspan(pixels_offset);

  if (rle) {
    TByteReader r(data);
    int x = 0, y = 0;
    const bool four = info.compression == kRle4;
    while (y < height) {
      const uint8_t count = r.u8();
      const uint8_t value = r.u8();
      if (!r.ok()) ThrowCodecError(options, format, "RLE data ends early");
      if (count > 0) {
        for (int i = 0; i < count && x < width; ++i, ++x) {
          const int index = four ? ((i & 1) ? value & 15 : value >> 4) : value;
          put_index(out, x, y, index);
        }
      } else if (value == 0) {  // end of line
        x = 0;
        ++y;
      } else if (value == 1) {  // end of bitmap
        break;
      } else if (value == 2) {  // delta
        x += r.u8();
        y += r.u8();
        if (!r.ok()) ThrowCodecError(options, format, "RLE data ends early");
      } else {  // absolute run of value pixels, padded to a 16-bit boundary
        const int n = value;
        const size_t bytes = four ? (n + 1) / 2 : n;
        if (!r.has(bytes)) ThrowCodecError(options, format, "RLE data ends early");
        const uint8_t* p = r.data();
        for (int i = 0; i < n; ++i, ++x) {
          if (x >= width) continue;
          const int index = four ? ((i & 1) ? p[i / 2] & 15 : p[i / 2] >> 4) : p[i];
          put_index(out, x, y, index);
        }
        r.skip((bytes + 1) & ~size_t{1});
      }
    }
    return out;
  }

  const size_t stride = ((static_cast<size_t>(width) * info.bit_count + 31) / 32) * 4;
  if (data.size() / stride < static_cast<size_t>(height))
    ThrowCodecError(options, format, "pixel data ends early");
  const TChannel ch[4] = {MakeChannel(info.masks[0]), MakeChannel(info.masks[1]),
                          MakeChannel(info.masks[2]), MakeChannel(info.masks[3])};
  bool any_alpha = false;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = data.data() + static_cast<size_t>(y) * stride;
    const int out_y = info.top_down ? y : height - 1 - y;
    uint8_t* p = out.at(0, out_y);
    for (int x = 0; x < width; ++x, p += 4) {
      switch (info.bit_count) {
        case 1:
        case 4:
        case 8: {
          const int bits = info.bit_count;
          const size_t bit = static_cast<size_t>(x) * bits;
          const int index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
          p[0] = palette.rgb[index][0];
          p[1] = palette.rgb[index][1];
          p[2] = palette.rgb[index][2];
          break;
        }
        case 24:
          p[0] = row[x * 3 + 2];
          p[1] = row[x * 3 + 1];
          p[2] = row[x * 3];
          break;
        default: {
          uint32_t px;
          if (info.bit_count == 16) {
            px = row[x * 2] | row[x * 2 + 1] << 8;
          } else {
            const uint8_t* q = row + x * 4;
            px = q[0] | q[1] << 8 | q[2] << 16 | static_cast<uint32_t>(q[3]) << 24;
          }
          p[0] = ch[0].get(px);
          p[1] = ch[1].get(px);
          p[2] = ch[2].get(px);
          if (ch[3].mask) {
            p[3] = ch[3].get(px);
            any_alpha = any_alpha || p[3] != 0;
          }
        }
      }
    }
  }
  // A fourth byte that is 0 everywhere is unused, not transparent.
  if (ch[3].mask && !any_alpha)
    for (size_t i = 3; i < out.pixels.size(); i += 4) out.pixels[i] = 255;

  if (in_icon) {
    // The AND mask: 1 = transparent, used unless the colours carry alpha.
    const size_t mask_stride = ((static_cast<size_t>(width) + 31) / 32) * 4;
    const size_t mask_offset = stride * height;
    const bool use_mask = !(ch[3].mask && any_alpha);
    if (use_mask && data.size() >= mask_offset &&
        (data.size() - mask_offset) / mask_stride >= static_cast<size_t>(height)) {
      for (int y = 0; y < height; ++y) {
        const uint8_t* row = data.data() + mask_offset + static_cast<size_t>(y) * mask_stride;
        const int out_y = info.top_down ? y : height - 1 - y;
        for (int x = 0; x < width; ++x)
          if (row[x / 8] & (0x80 >> (x % 8))) out.at(x, out_y)[3] = 0;
      }
    }
  }
  return out;
}

std::vector<uint8_t> EncodeDib(const TRaster& raster, const TEncodeOptions& options, bool in_icon) {
  const int w = raster.width, h = raster.height;
  const bool grey = !in_icon && options.samples_per_pixel == 1;
  const int bits = in_icon ? 32 : grey ? (options.bits_per_sample == 1 ? 1 : 8) : 24;
  const int palette = bits <= 8 ? 1 << bits : 0;
  const size_t stride = ((static_cast<size_t>(w) * bits + 31) / 32) * 4;
  const size_t mask_stride = ((static_cast<size_t>(w) + 31) / 32) * 4;
  std::vector<uint8_t> out;
  out.reserve(40 + palette * 4 + stride * h + (in_icon ? mask_stride * h : 0));
  PutU32le(out, 40);
  PutU32le(out, static_cast<uint32_t>(w));
  PutU32le(out, static_cast<uint32_t>(in_icon ? h * 2 : h));
  PutU16le(out, 1);
  PutU16le(out, static_cast<uint32_t>(bits));
  PutU32le(out, 0);  // uncompressed
  PutU32le(out, static_cast<uint32_t>(stride * h));
  PutU32le(out, 2835);  // 72 dpi
  PutU32le(out, 2835);
  PutU32le(out, static_cast<uint32_t>(palette));
  PutU32le(out, 0);
  for (int i = 0; i < palette; ++i) {
    const uint8_t v = static_cast<uint8_t>(bits == 1 ? i * 255 : i);
    out.insert(out.end(), {v, v, v, 0});
  }
  std::vector<uint8_t> row(stride);
  for (int y = h - 1; y >= 0; --y) {
    std::fill(row.begin(), row.end(), 0);
    const uint8_t* p = raster.row(y);
    for (int x = 0; x < w; ++x, p += 3) {
      const int luma = (p[0] * 77 + p[1] * 150 + p[2] * 29 + 128) >> 8;
      switch (bits) {
        case 1:
          if (luma >= 128) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
          break;
        case 8:
          row[x] = static_cast<uint8_t>(luma);
          break;
        case 24:
          row[x * 3] = p[2];
          row[x * 3 + 1] = p[1];
          row[x * 3 + 2] = p[0];
          break;
        default:
          row[x * 4] = p[2];
          row[x * 4 + 1] = p[1];
          row[x * 4 + 2] = p[0];
          row[x * 4 + 3] = 255;
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  if (in_icon) out.resize(out.size() + mask_stride * h, 0);
  return out;
}

namespace {

bool MatchesBmp(TBytes bytes) {
  if (bytes.size() < 18 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  TByteReader r(bytes, 14);
  const uint32_t size = r.u32le();
  return size == 12 || (size >= 16 && size <= 1024);
}

std::optional<TImageHeader> ReadBmpHeader(TBytes bytes) {
  if (!MatchesBmp(bytes)) return std::nullopt;
  std::optional<TDibInfo> info = ReadDibInfo(bytes.subspan(14), false);
  if (!info) return std::nullopt;
  TImageHeader h;
  h.type = iftBmp;
  h.width = info->width;
  h.height = info->height;
  h.bits_per_sample = info->bit_count <= 8 ? info->bit_count : 8;
  h.samples_per_pixel = info->bit_count <= 8 ? 1 : (info->masks[3] ? 4 : 3);
  return h;
}

TRaster DecodeBmp(TBytes bytes, const TDecodeOptions& options, TImageHeader& header) {
  if (!MatchesBmp(bytes)) ThrowCodecError(options, kName, "no BMP signature");
  TBytes dib = bytes.subspan(14);
  std::optional<TDibInfo> info = ReadDibInfo(dib, false);
  if (!info) ThrowCodecError(options, kName, "unsupported or damaged bitmap header");
  header = *ReadBmpHeader(bytes);
  TByteReader r(bytes, 10);
  const uint32_t offset = r.u32le();
  // Some writers leave the offset 0: the pixels then follow the palette.
  size_t pixels = offset >= 14 ? offset - 14 : info->palette_offset;
  if (offset < 14) pixels += static_cast<size_t>(info->palette_count) * info->palette_entry_size;
  TRgbaBuffer rgba = DecodeDib(dib, *info, pixels, false, options, kName);
  return ComposeOnto(rgba, options.background, false);
}

std::vector<uint8_t> EncodeBmp(const TRaster& raster, const TEncodeOptions& options) {
  std::vector<uint8_t> dib = EncodeDib(raster, options, false);
  TByteReader r(dib, 32);
  const uint32_t palette = r.u32le();
  std::vector<uint8_t> out;
  out.reserve(14 + dib.size());
  out.push_back('B');
  out.push_back('M');
  PutU32le(out, static_cast<uint32_t>(14 + dib.size()));
  PutU32le(out, 0);
  PutU32le(out, 14 + 40 + palette * 4);
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

}  // namespace

const TCodecFormat& BmpFormat() {
  static const TCodecFormat format{iftBmp, kName, MatchesBmp, ReadBmpHeader, DecodeBmp, EncodeBmp};
  return format;
}

}  // namespace pictavo::codecs
