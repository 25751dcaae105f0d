// WBMP (wireless bitmap, type 0): multi-byte integer header, 1 bit a pixel,
// rows padded to whole bytes, 1 = white.
#include "imaging/codecs/formats.h"

namespace pictavo::codecs {

namespace {

constexpr const char* kName = "WBMP";

// A multi-byte integer: 7 bits a byte, high bit = more follow. At most 4 bytes.
bool ReadUintVar(TBytes bytes, size_t& pos, uint32_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i) {
    if (pos >= bytes.size()) return false;
    const uint8_t b = bytes[pos++];
    value = value << 7 | (b & 0x7F);
    if (!(b & 0x80)) return true;
  }
  return false;
}

void PutUintVar(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t tmp[5];
  int n = 0;
  do {
    tmp[n++] = static_cast<uint8_t>(v & 0x7F);
    v >>= 7;
  } while (v);
  while (n > 1) out.push_back(static_cast<uint8_t>(tmp[--n] | 0x80));
  out.push_back(tmp[0]);
}

struct TWbmpHeader {
  uint32_t width = 0, height = 0;
  size_t data = 0;
};

std::optional<TWbmpHeader> ParseWbmp(TBytes bytes) {
  size_t pos = 0;
  uint32_t type = 0;
  if (!ReadUintVar(bytes, pos, type) || type != 0) return std::nullopt;
  if (pos >= bytes.size() || (bytes[pos] & 0x9F) != 0) return std::nullopt;  // fixed header
  // Extension headers (bit 7 of the fixed header) are not used by type 0.
  ++pos;
  TWbmpHeader h;
  if (!ReadUintVar(bytes, pos, h.width) || !ReadUintVar(bytes, pos, h.height)) return std::nullopt;
  if (h.width == 0 || h.height == 0) return std::nullopt;
  h.data = pos;
  return h;
}

bool MatchesWbmp(TBytes bytes) {
  // Weak signature: type 0, fixed header 0 and a plausible size that the
  // data can hold.
  if (bytes.size() < 4 || bytes[0] != 0 || bytes[1] != 0) return false;
  std::optional<TWbmpHeader> h = ParseWbmp(bytes);
  return h && (static_cast<uint64_t>(h->width) + 7) / 8 * h->height == bytes.size() - h->data;
}

std::optional<TImageHeader> ReadWbmpHeader(TBytes bytes) {
  std::optional<TWbmpHeader> w = ParseWbmp(bytes);
  if (!w) return std::nullopt;
  TImageHeader h;
  h.type = iftWbmp;
  h.width = static_cast<int>(w->width);
  h.height = static_cast<int>(w->height);
  h.bits_per_sample = 1;
  h.samples_per_pixel = 1;
  return h;
}

TRaster DecodeWbmp(TBytes bytes, const TDecodeOptions& options, TImageHeader& header) {
  std::optional<TWbmpHeader> w = ParseWbmp(bytes);
  if (!w) ThrowCodecError(options, kName, "damaged header");
  CheckPictureSize(options, kName, w->width, w->height);
  header = *ReadWbmpHeader(bytes);
  const size_t stride = (static_cast<size_t>(w->width) + 7) / 8;
  if ((bytes.size() - w->data) / stride < w->height)
    ThrowCodecError(options, kName, "pixel data ends early");
  TRaster raster(static_cast<int>(w->width), static_cast<int>(w->height));
  uint8_t* out = raster.pixels.data();
  for (int y = 0; y < raster.height; ++y) {
    const uint8_t* row = bytes.data() + w->data + stride * y;
    for (int x = 0; x < raster.width; ++x, out += 3)
      out[0] = out[1] = out[2] = (row[x / 8] & (0x80 >> (x % 8))) ? 255 : 0;
  }
  return raster;
}

std::vector<uint8_t> EncodeWbmp(const TRaster& raster, const TEncodeOptions&) {
  std::vector<uint8_t> out{0, 0};
  PutUintVar(out, static_cast<uint32_t>(raster.width));
  PutUintVar(out, static_cast<uint32_t>(raster.height));
  const size_t stride = (static_cast<size_t>(raster.width) + 7) / 8;
  const size_t start = out.size();
  out.resize(start + stride * raster.height, 0);
  for (int y = 0; y < raster.height; ++y) {
    const uint8_t* p = raster.row(y);
    uint8_t* row = out.data() + start + stride * y;
    for (int x = 0; x < raster.width; ++x, p += 3)
      if (((p[0] * 77 + p[1] * 150 + p[2] * 29 + 128) >> 8) >= 128)
        row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  }
  return out;
}

}  // namespace

const TCodecFormat& WbmpFormat() {
  static const TCodecFormat format{iftWbmp,        kName,      MatchesWbmp,
                                   ReadWbmpHeader, DecodeWbmp, EncodeWbmp};
  return format;
}

}  // namespace pictavo::codecs
