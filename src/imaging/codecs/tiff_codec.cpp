// TIFF and fax files through libtiff with memory I/O (TIFFClientOpenExt).
// The first page is read through libtiff's RGBA interface, which handles
// every photometric, depth, tiling and compression it knows, and composed
// onto the background. Written as 8-bit RGB (or grey) with LZW and the
// horizontal predictor, or 1-bit with CCITT group 4 for black and white.
#include <tiffio.h>
#include <algorithm>

#include <fmt/format.h>

#include <cstdarg>
#include <cstring>

#include "imaging/codecs/formats.h"

namespace pictavo::codecs {

namespace {

constexpr const char* kName = "TIFF";

struct TMemoryFile {
  const uint8_t* data = nullptr;        // reading
  std::vector<uint8_t>* out = nullptr;  // writing
  size_t size = 0;
  size_t pos = 0;
  std::string error;
};

tmsize_t MemRead(thandle_t h, void* buf, tmsize_t n) {
  auto* f = static_cast<TMemoryFile*>(h);
  if (!f->data || n < 0 || f->pos >= f->size) return 0;
  const size_t count = std::min(static_cast<size_t>(n), f->size - f->pos);
  std::memcpy(buf, f->data + f->pos, count);
  f->pos += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t MemWrite(thandle_t h, void* buf, tmsize_t n) {
  auto* f = static_cast<TMemoryFile*>(h);
  if (!f->out || n < 0) return -1;
  const size_t count = static_cast<size_t>(n);
  if (f->pos + count > f->out->size()) f->out->resize(f->pos + count);
  std::memcpy(f->out->data() + f->pos, buf, count);
  f->pos += count;
  f->size = f->out->size();
  return n;
}

toff_t MemSeek(thandle_t h, toff_t off, int whence) {
  auto* f = static_cast<TMemoryFile*>(h);
  const size_t size = f->out ? f->out->size() : f->size;
  uint64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->pos : size;
  const uint64_t target = base + off;
  if (target > (uint64_t{1} << 40)) return static_cast<toff_t>(-1);
  if (f->out && target > f->out->size()) f->out->resize(target);
  f->pos = static_cast<size_t>(target);
  return target;
}

int MemClose(thandle_t) {
  return 0;
}
toff_t MemSize(thandle_t h) {
  auto* f = static_cast<TMemoryFile*>(h);
  return f->out ? f->out->size() : f->size;
}
int MemMap(thandle_t, void**, toff_t*) {
  return 0;
}
void MemUnmap(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char* module, const char* format, va_list ap) {
  auto* f = static_cast<TMemoryFile*>(user);
  if (f->error.empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, ap);
    f->error = module ? fmt::format("{}: {}", module, text) : text;
  }
  return 1;
}
int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

// An open TIFF over memory; closed on destruction.
class TTiffFile {
 public:
  TTiffFile(TMemoryFile& file, const char* mode) {
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(opts, OnError, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, OnWarning, &file);
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, tmsize_t{1} << 30);
    tif_ = TIFFClientOpenExt("memory", mode, &file, MemRead, MemWrite, MemSeek, MemClose, MemSize,
                             MemMap, MemUnmap, opts);
    TIFFOpenOptionsFree(opts);
  }
  ~TTiffFile() {
    if (tif_) TIFFClose(tif_);
  }
  TTiffFile(const TTiffFile&) = delete;
  TTiffFile& operator=(const TTiffFile&) = delete;
  TIFF* get() const { return tif_; }
  // Closes now (a writer flushes its directory).
  void Close() {
    if (tif_) TIFFClose(tif_);
    tif_ = nullptr;
  }

 private:
  TIFF* tif_ = nullptr;
};

bool MatchesTiff(TBytes bytes) {
  if (bytes.size() < 8) return false;
  const bool le =
      bytes[0] == 'I' && bytes[1] == 'I' && (bytes[2] == 42 || bytes[2] == 43) && bytes[3] == 0;
  const bool be =
      bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && (bytes[3] == 42 || bytes[3] == 43);
  return le || be;
}

std::optional<TImageHeader> HeaderOf(TIFF* tif) {
  uint32_t w = 0, h = 0;
  uint16_t bps = 1, spp = 1;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h))
    return std::nullopt;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return std::nullopt;
  TImageHeader header;
  header.type = iftTiff;
  header.width = static_cast<int>(w);
  header.height = static_cast<int>(h);
  header.bits_per_sample = bps;
  header.samples_per_pixel = spp;
  return header;
}

std::optional<TImageHeader> ReadTiffHeader(TBytes bytes) {
  if (!MatchesTiff(bytes)) return std::nullopt;
  TMemoryFile file;
  file.data = bytes.data();
  file.size = bytes.size();
  TTiffFile tif(file, "rm");
  if (!tif.get()) return std::nullopt;
  return HeaderOf(tif.get());
}

TRaster DecodeTiff(TBytes bytes, const TDecodeOptions& options, TImageHeader& header) {
  if (!MatchesTiff(bytes)) ThrowCodecError(options, kName, "no TIFF signature");
  TMemoryFile file;
  file.data = bytes.data();
  file.size = bytes.size();
  TTiffFile tif(file, "rm");
  if (!tif.get()) ThrowCodecError(options, kName, file.error.empty() ? "cannot open" : file.error);
  std::optional<TImageHeader> h = HeaderOf(tif.get());
  if (!h) ThrowCodecError(options, kName, "no picture size");
  CheckPictureSize(options, kName, h->width, h->height);
  header = *h;
  char message[1024] = {};
  if (!TIFFRGBAImageOK(tif.get(), message)) ThrowCodecError(options, kName, message);
  const int w = h->width, hh = h->height;
  std::vector<uint32_t> rgba(static_cast<size_t>(w) * hh);
  if (!TIFFReadRGBAImageOriented(tif.get(), static_cast<uint32_t>(w), static_cast<uint32_t>(hh),
                                 rgba.data(), ORIENTATION_TOPLEFT, 1))
    ThrowCodecError(options, kName, file.error.empty() ? "cannot read the pixels" : file.error);
  // libtiff's RGBA pixels carry premultiplied alpha.
  TRaster raster(w, hh);
  uint8_t* out = raster.pixels.data();
  const TRgb bg = options.background;
  for (uint32_t px : rgba) {
    const int a = static_cast<int>(TIFFGetA(px));
    const int r = static_cast<int>(TIFFGetR(px)), g = static_cast<int>(TIFFGetG(px)),
              b = static_cast<int>(TIFFGetB(px));
    if (a == 255) {
      out[0] = static_cast<uint8_t>(r);
      out[1] = static_cast<uint8_t>(g);
      out[2] = static_cast<uint8_t>(b);
    } else {
      out[0] = static_cast<uint8_t>(std::min(255, r + (bg.r * (255 - a) + 127) / 255));
      out[1] = static_cast<uint8_t>(std::min(255, g + (bg.g * (255 - a) + 127) / 255));
      out[2] = static_cast<uint8_t>(std::min(255, b + (bg.b * (255 - a) + 127) / 255));
    }
    out += 3;
  }
  return raster;
}

std::vector<uint8_t> EncodeTiff(const TRaster& raster, const TEncodeOptions& options) {
  const bool grey = options.samples_per_pixel == 1;
  const bool bilevel = grey && options.bits_per_sample == 1;
  std::vector<uint8_t> out;
  TMemoryFile file;
  file.out = &out;
  TTiffFile tif(file, "w");
  if (!tif.get()) throw ECodec("TIFF: cannot create: " + file.error);
  TIFF* t = tif.get();
  const uint32_t w = static_cast<uint32_t>(raster.width);
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(raster.height));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bilevel ? 1 : 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, grey ? 1 : 3);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC,
               bilevel ? PHOTOMETRIC_MINISWHITE
               : grey  ? PHOTOMETRIC_MINISBLACK
                       : PHOTOMETRIC_RGB);
  if (bilevel) {
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  } else {
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  }
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
  std::vector<uint8_t> row(grey ? (bilevel ? (w + 7) / 8 : w) : w * 3);
  for (int y = 0; y < raster.height; ++y) {
    const uint8_t* p = raster.row(y);
    if (!grey) {
      std::memcpy(row.data(), p, row.size());
    } else {
      std::fill(row.begin(), row.end(), 0);
      for (uint32_t x = 0; x < w; ++x, p += 3) {
        const int luma = (p[0] * 77 + p[1] * 150 + p[2] * 29 + 128) >> 8;
        if (!bilevel)
          row[x] = static_cast<uint8_t>(luma);
        else if (luma < 128)
          row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));  // 1 is black
      }
    }
    if (TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0) < 0)
      throw ECodec("TIFF: " + file.error);
  }
  tif.Close();
  if (!file.error.empty()) throw ECodec("TIFF: " + file.error);
  return out;
}

}  // namespace

const TCodecFormat& TiffFormat() {
  static const TCodecFormat format{iftTiff,        kName,      MatchesTiff,
                                   ReadTiffHeader, DecodeTiff, EncodeTiff};
  return format;
}

}  // namespace pictavo::codecs
