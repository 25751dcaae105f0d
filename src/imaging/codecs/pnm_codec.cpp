// Portable bitmap, greymap and pixmap: P1 to P6 (plain and raw), comments,
// maximum values up to 65535 (two big-endian bytes a sample in raw files).
// The first picture of a file is read.
#include <fmt/format.h>
#include <algorithm>

#include "imaging/codecs/formats.h"

namespace pictavo::codecs {

namespace {

constexpr const char* kName = "PNM";

bool MatchesPnm(TBytes bytes) {
  return bytes.size() >= 3 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '6' &&
         (bytes[2] == ' ' || bytes[2] == '\t' || bytes[2] == '\n' || bytes[2] == '\r' ||
          bytes[2] == '#');
}

class TPnmReader {
 public:
  explicit TPnmReader(TBytes bytes) : bytes_(bytes) {}
  // Skips white space and comments; reads a decimal number. -1 on failure.
  int64_t Number() {
    SkipSpace();
    int64_t v = -1;
    while (pos_ < bytes_.size() && bytes_[pos_] >= '0' && bytes_[pos_] <= '9') {
      v = (v < 0 ? 0 : v) * 10 + (bytes_[pos_++] - '0');
      if (v > 0x7FFFFFFF) return -1;
    }
    return v;
  }
  // A plain P1 digit, which needs no separator.
  int Bit() {
    SkipSpace();
    if (pos_ >= bytes_.size()) return -1;
    const uint8_t c = bytes_[pos_++];
    return c == '0' ? 0 : c == '1' ? 1 : -1;
  }
  void SkipSpace() {
    while (pos_ < bytes_.size()) {
      const uint8_t c = bytes_[pos_];
      if (c == '#') {
        while (pos_ < bytes_.size() && bytes_[pos_] != '\n' && bytes_[pos_] != '\r') ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
        ++pos_;
      } else {
        break;
      }
    }
  }
  size_t pos_ = 0;
  TBytes bytes_;
};

struct TPnmHeader {
  int kind = 0;  // 1..6
  int64_t width = 0, height = 0, maxval = 1;
  size_t data = 0;  // raster start
};

std::optional<TPnmHeader> ParsePnm(TBytes bytes) {
  if (!MatchesPnm(bytes)) return std::nullopt;
  TPnmHeader h;
  h.kind = bytes[1] - '0';
  TPnmReader r(bytes);
  r.pos_ = 2;
  h.width = r.Number();
  h.height = r.Number();
  if (h.kind != 1 && h.kind != 4) h.maxval = r.Number();
  if (h.width <= 0 || h.height <= 0 || h.maxval <= 0 || h.maxval > 65535) return std::nullopt;
  if (h.kind >= 4) {
    // Exactly one white-space character ends the header of a raw file.
    if (r.pos_ >= bytes.size()) return std::nullopt;
    h.data = r.pos_ + 1;
  } else {
    h.data = r.pos_;
  }
  return h;
}

std::optional<TImageHeader> ReadPnmHeader(TBytes bytes) {
  std::optional<TPnmHeader> p = ParsePnm(bytes);
  if (!p || p->width > 0x7FFFFFFF || p->height > 0x7FFFFFFF) return std::nullopt;
  TImageHeader h;
  h.type = iftPxm;
  h.width = static_cast<int>(p->width);
  h.height = static_cast<int>(p->height);
  const int kind = p->kind > 3 ? p->kind - 3 : p->kind;
  h.bits_per_sample = kind == 1 ? 1 : p->maxval > 255 ? 16 : 8;
  h.samples_per_pixel = kind == 3 ? 3 : 1;
  return h;
}

TRaster DecodePnm(TBytes bytes, const TDecodeOptions& options, TImageHeader& header) {
  std::optional<TPnmHeader> p = ParsePnm(bytes);
  if (!p) ThrowCodecError(options, kName, "damaged header");
  CheckPictureSize(options, kName, p->width, p->height);
  header = *ReadPnmHeader(bytes);
  const int w = static_cast<int>(p->width), h = static_cast<int>(p->height);
  const int kind = p->kind;
  const int samples = (kind == 3 || kind == 6) ? 3 : 1;
  const int64_t maxval = p->maxval;
  auto scale = [maxval](int64_t v) {
    if (v > maxval) v = maxval;
    return static_cast<uint8_t>(maxval == 255 ? v : (v * 255 + maxval / 2) / maxval);
  };
  // Enough bytes for the whole raster before allocating it.
  const size_t avail = bytes.size() - std::min(bytes.size(), p->data);
  const size_t bps = maxval > 255 ? 2 : 1;
  if (kind >= 4) {
    const size_t need = kind == 4 ? (static_cast<size_t>(w) + 7) / 8 * h
                                  : static_cast<size_t>(w) * h * samples * bps;
    if (avail < need) ThrowCodecError(options, kName, "pixel data ends early");
  } else if (avail < static_cast<size_t>(w) * h * samples) {
    // A plain file holds at least one character per sample.
    ThrowCodecError(options, kName, "pixel data ends early");
  }
  TRaster raster(w, h);
  uint8_t* out = raster.pixels.data();
  if (kind == 4) {
    const size_t stride = (static_cast<size_t>(w) + 7) / 8;
    for (int y = 0; y < h; ++y) {
      const uint8_t* row = bytes.data() + p->data + stride * y;
      for (int x = 0; x < w; ++x, out += 3) {
        const uint8_t v = (row[x / 8] & (0x80 >> (x % 8))) ? 0 : 255;  // 1 is black
        out[0] = out[1] = out[2] = v;
      }
    }
  } else if (kind >= 5) {
    const uint8_t* in = bytes.data() + p->data;
    const size_t count = static_cast<size_t>(w) * h;
    for (size_t i = 0; i < count; ++i, out += 3) {
      uint8_t s[3];
      for (int c = 0; c < samples; ++c) {
        const int64_t v = bps == 2 ? (in[0] << 8 | in[1]) : in[0];
        in += bps;
        s[c] = scale(v);
      }
      if (samples == 1) s[1] = s[2] = s[0];
      out[0] = s[0];
      out[1] = s[1];
      out[2] = s[2];
    }
  } else {
    TPnmReader r(bytes);
    r.pos_ = p->data;
    const size_t count = static_cast<size_t>(w) * h;
    for (size_t i = 0; i < count; ++i, out += 3) {
      uint8_t s[3];
      for (int c = 0; c < samples; ++c) {
        const int64_t v = kind == 1 ? r.Bit() : r.Number();
        if (v < 0) ThrowCodecError(options, kName, "pixel data ends early or is damaged");
        s[c] = kind == 1 ? (v ? 0 : 255) : scale(v);
      }
      if (samples == 1) s[1] = s[2] = s[0];
      out[0] = s[0];
      out[1] = s[1];
      out[2] = s[2];
    }
  }
  return raster;
}

// Raw files: P4 for 1-bit grey, P5 for grey, P6 otherwise.
std::vector<uint8_t> EncodePnm(const TRaster& raster, const TEncodeOptions& options) {
  const bool grey = options.samples_per_pixel == 1;
  const bool bits = grey && options.bits_per_sample == 1;
  const int w = raster.width, h = raster.height;
  std::string head = fmt::format("P{}\n{} {}\n{}",
                                 bits   ? 4
                                 : grey ? 5
                                        : 6,
                                 w, h, bits ? "" : "255\n");
  std::vector<uint8_t> out(head.begin(), head.end());
  if (!grey) {
    out.insert(out.end(), raster.pixels.begin(), raster.pixels.end());
    return out;
  }
  const size_t stride = bits ? (static_cast<size_t>(w) + 7) / 8 : w;
  const size_t start = out.size();
  out.resize(start + stride * h, 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t* p = raster.row(y);
    uint8_t* row = out.data() + start + stride * y;
    for (int x = 0; x < w; ++x, p += 3) {
      const int luma = (p[0] * 77 + p[1] * 150 + p[2] * 29 + 128) >> 8;
      if (!bits)
        row[x] = static_cast<uint8_t>(luma);
      else if (luma < 128)
        row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  return out;
}

}  // namespace

const TCodecFormat& PnmFormat() {
  static const TCodecFormat format{iftPxm, kName, MatchesPnm, ReadPnmHeader, DecodePnm, EncodePnm};
  return format;
}

}  // namespace pictavo::codecs
