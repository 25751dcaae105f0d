// PCX (ZSoft): 1-bit mono, 1-bit 4-plane EGA, 2- and 4-bit packed, 8-bit with
// the 256-colour palette at the end (grey without it), 24-bit as three
// planes (a fourth plane of alpha is ignored); run-length or plain rows.
// Written as version 5, 8 bits by 3 planes, run-length encoded.
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/formats.h"

namespace pictavo::codecs {

namespace {

constexpr const char* kName = "PCX";

struct TPcxHeader {
  int version = 0, encoding = 0, bits = 0, planes = 0;
  int width = 0, height = 0;
  size_t bytes_per_line = 0;
  uint8_t palette16[48] = {};
};

bool MatchesPcx(TBytes bytes) {
  return bytes.size() >= 128 && bytes[0] == 0x0A && bytes[1] <= 5 && bytes[2] <= 1 &&
         (bytes[3] == 1 || bytes[3] == 2 || bytes[3] == 4 || bytes[3] == 8);
}

std::optional<TPcxHeader> ParsePcx(TBytes bytes) {
  if (!MatchesPcx(bytes)) return std::nullopt;
  TByteReader r(bytes, 1);
  TPcxHeader h;
  h.version = r.u8();
  h.encoding = r.u8();
  h.bits = r.u8();
  const int xmin = r.u16le(), ymin = r.u16le(), xmax = r.u16le(), ymax = r.u16le();
  r.skip(4);
  for (uint8_t& b : h.palette16) b = r.u8();
  r.skip(1);
  h.planes = r.u8();
  h.bytes_per_line = r.u16le();
  if (xmax < xmin || ymax < ymin) return std::nullopt;
  h.width = xmax - xmin + 1;
  h.height = ymax - ymin + 1;
  const bool ok = (h.planes == 1 && (h.bits == 1 || h.bits == 2 || h.bits == 4 || h.bits == 8)) ||
                  (h.bits == 1 && (h.planes == 3 || h.planes == 4)) ||
                  (h.bits == 8 && (h.planes == 3 || h.planes == 4));
  if (!ok || h.bytes_per_line * 8 < static_cast<size_t>(h.width) * h.bits) return std::nullopt;
  return h;
}

std::optional<TImageHeader> ReadPcxHeader(TBytes bytes) {
  std::optional<TPcxHeader> p = ParsePcx(bytes);
  if (!p) return std::nullopt;
  TImageHeader h;
  h.type = iftPcx;
  h.width = p->width;
  h.height = p->height;
  h.bits_per_sample = p->bits * (p->bits == 1 ? p->planes : 1);
  h.samples_per_pixel = p->bits == 8 && p->planes >= 3 ? 3 : 1;
  if (h.samples_per_pixel == 3) h.bits_per_sample = 8;
  return h;
}

TRaster DecodePcx(TBytes bytes, const TDecodeOptions& options, TImageHeader& header) {
  std::optional<TPcxHeader> p = ParsePcx(bytes);
  if (!p) ThrowCodecError(options, kName, "unsupported or damaged header");
  CheckPictureSize(options, kName, p->width, p->height);
  header = *ReadPcxHeader(bytes);
  const int w = p->width, h = p->height;
  const size_t line = p->bytes_per_line * p->planes;
  // Run-length data never expands more than 63 times; plain data is the size.
  if (static_cast<double>(bytes.size() - 128) * (p->encoding ? 63 : 1) <
      static_cast<double>(line) * h)
    ThrowCodecError(options, kName, "pixel data ends early");

  // Palette: 256 colours after a 12 byte at the end for 8-bit single plane.
  uint8_t palette[256][3];
  for (int i = 0; i < 256; ++i)
    palette[i][0] = palette[i][1] = palette[i][2] = static_cast<uint8_t>(i);
  if (p->planes == 1 && p->bits == 8) {
    if (bytes.size() >= 128 + 769 && bytes[bytes.size() - 769] == 12) {
      const uint8_t* q = bytes.data() + bytes.size() - 768;
      for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) palette[i][c] = q[i * 3 + c];
    }
  } else if (p->planes * p->bits <= 4) {
    for (int i = 0; i < 16; ++i)
      for (int c = 0; c < 3; ++c) palette[i][c] = p->palette16[i * 3 + c];
    if (p->planes * p->bits == 1) {  // monochrome: black and white
      palette[0][0] = palette[0][1] = palette[0][2] = 0;
      palette[1][0] = palette[1][1] = palette[1][2] = 255;
    }
  }

  TRaster raster(w, h);
  std::vector<uint8_t> scan(line);
  size_t pos = 128;
  for (int y = 0; y < h; ++y) {
    size_t n = 0;
    while (n < line) {
      if (pos >= bytes.size()) ThrowCodecError(options, kName, "pixel data ends early");
      uint8_t b = bytes[pos++];
      size_t run = 1;
      if (p->encoding && (b & 0xC0) == 0xC0) {
        run = b & 0x3F;
        if (pos >= bytes.size()) ThrowCodecError(options, kName, "pixel data ends early");
        b = bytes[pos++];
      }
      // A run that crosses the end of a line is cut there.
      for (size_t i = 0; i < run && n < line; ++i) scan[n++] = b;
    }
    uint8_t* out = raster.row(y);
    const size_t bpl = p->bytes_per_line;
    for (int x = 0; x < w; ++x, out += 3) {
      if (p->bits == 8 && p->planes >= 3) {
        out[0] = scan[x];
        out[1] = scan[bpl + x];
        out[2] = scan[2 * bpl + x];
        continue;
      }
      int index = 0;
      if (p->planes == 1) {
        const size_t bit = static_cast<size_t>(x) * p->bits;
        index = (scan[bit / 8] >> (8 - p->bits - bit % 8)) & ((1 << p->bits) - 1);
      } else {  // 1 bit in each plane
        for (int plane = 0; plane < p->planes && plane < 4; ++plane)
          if (scan[plane * bpl + x / 8] & (0x80 >> (x % 8))) index |= 1 << plane;
      }
      out[0] = palette[index][0];
      out[1] = palette[index][1];
      out[2] = palette[index][2];
    }
  }
  return raster;
}

void PutRun(std::vector<uint8_t>& out, const uint8_t* data, size_t n) {
  size_t i = 0;
  while (i < n) {
    const uint8_t b = data[i];
    size_t run = 1;
    while (i + run < n && run < 63 && data[i + run] == b) ++run;
    if (run > 1 || (b & 0xC0) == 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | run));
    out.push_back(b);
    i += run;
  }
}

std::vector<uint8_t> EncodePcx(const TRaster& raster, const TEncodeOptions&) {
  const int w = raster.width, h = raster.height;
  const size_t bpl = (static_cast<size_t>(w) + 1) & ~size_t{1};  // even
  std::vector<uint8_t> out(128, 0);
  out[0] = 0x0A;
  out[1] = 5;
  out[2] = 1;
  out[3] = 8;
  auto put16 = [&](size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  put16(8, static_cast<uint32_t>(w - 1));
  put16(10, static_cast<uint32_t>(h - 1));
  put16(12, 72);
  put16(14, 72);
  out[65] = 3;
  put16(66, static_cast<uint32_t>(bpl));
  put16(68, 1);
  std::vector<uint8_t> plane(bpl, 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t* p = raster.row(y);
    for (int c = 0; c < 3; ++c) {
      for (int x = 0; x < w; ++x) plane[x] = p[x * 3 + c];
      PutRun(out, plane.data(), bpl);
    }
  }
  return out;
}

}  // namespace

const TCodecFormat& PcxFormat() {
  static const TCodecFormat format{iftPcx, kName, MatchesPcx, ReadPcxHeader, DecodePcx, EncodePcx};
  return format;
}

}  // namespace pictavo::codecs
