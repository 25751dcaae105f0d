// JPEG through libjpeg-turbo: decoding straight into the raster's rows (with
// DCT-domain downscaling for small targets), encoding with a quality and
// extra marker segments, marker extraction, and lossless transforms through
// the TurboJPEG API.
//
// libjpeg reports fatal errors through error_exit; ours longjmps back into the
// one small guarded function that made the call (TJpegDecoder::Guarded,
// TJpegEncoder::Guarded). Those frames hold no objects with destructors, and
// the libjpeg objects live in RAII holders, so nothing leaks on an error.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
// jpeglib.h needs size_t and FILE first.
#include <jerror.h>
#include <jpeglib.h>
#include <turbojpeg.h>

#include <fmt/format.h>

#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/formats.h"

namespace pictavo {
namespace codecs {

namespace {

constexpr const char* kName = "JPEG";

struct TJpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool premature_end;
};

void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings are not printed. A missing end of data (a truncated file, which
// libjpeg would fill with grey) is remembered and turned into an error.
void JpegEmitMessage(j_common_ptr cinfo, int msg_level) {
  auto* err = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
  if (msg_level < 0) {
    // The data ended, or a marker came where entropy data was still needed.
    if (cinfo->err->msg_code == JWRN_JPEG_EOF || cinfo->err->msg_code == JWRN_HIT_MARKER)
      err->premature_end = true;
    cinfo->err->num_warnings++;
  }
}

// Progressive files can hold any number of scans, each a pass over the
// whole picture; a damaged or hostile file with thousands would take minutes.
constexpr int kMaxScans = 500;

void JpegProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    auto* err = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "more than %d scans", kMaxScans);
    std::longjmp(err->jump, 1);
  }
}

void InitErrorManager(TJpegErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = JpegErrorExit;
  err.pub.emit_message = JpegEmitMessage;
  err.message[0] = 0;
  err.premature_end = false;
}

bool IsSofMarker(int code) {
  return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

bool MatchesJpeg(TBytes bytes) {
  return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

// Walks the marker segments from the start of image. visit(code, payload
// reader position, payload length) returns false to stop. Returns false when
// the data ends or is not a JPEG.
template <typename Visit>
bool WalkSegments(TBytes bytes, Visit visit) {
  if (!MatchesJpeg(bytes)) return false;
  TByteReader r(bytes, 2);
  while (r.ok()) {
    // Next marker: skip to 0xFF, then over fill bytes.
    uint8_t b = r.u8();
    while (r.ok() && b != 0xFF) b = r.u8();
    while (r.ok() && b == 0xFF) b = r.u8();
    if (!r.ok()) return false;
    int code = b;
    if (code == 0xD8 || (code >= 0xD0 && code <= 0xD7) || code == 0x01) continue;
    if (code == 0xD9) return false;
    uint16_t length = r.u16be();
    if (!r.ok() || length < 2) return false;
    size_t payload = length - 2u;
    if (!r.has(payload)) return false;
    if (!visit(code, r.pos(), payload)) return true;
    if (code == 0xDA) return false;
    r.skip(payload);
  }
  return false;
}

std::optional<TImageHeader> ReadJpegHeader(TBytes bytes) {
  std::optional<TImageHeader> header;
  WalkSegments(bytes, [&](int code, size_t pos, size_t length) {
    if (code == 0xDA) return false;
    if (!IsSofMarker(code)) return true;
    if (length < 6) return false;
    TByteReader r(bytes, pos);
    TImageHeader h;
    h.type = iftJpeg;
    h.bits_per_sample = r.u8();
    h.height = r.u16be();
    h.width = r.u16be();
    h.samples_per_pixel = r.u8();
    if (h.width > 0 && h.height > 0) header = h;
    return false;
  });
  return header;
}

// ---- decoding ---------------------------------------------------------------

class TJpegDecoder {
 public:
  TJpegDecoder() {
    InitErrorManager(err_);
    cinfo_.err = &err_.pub;
    jpeg_create_decompress(&cinfo_);
    progress_.progress_monitor = JpegProgress;
    cinfo_.progress = &progress_;
  }
  ~TJpegDecoder() { jpeg_destroy_decompress(&cinfo_); }
  TJpegDecoder(const TJpegDecoder&) = delete;
  TJpegDecoder& operator=(const TJpegDecoder&) = delete;

  // Header and output parameters. False with message() on a libjpeg error.
  bool ReadHeader(TBytes bytes, int scale_denom) {
    if (setjmp(err_.jump)) return false;
    jpeg_mem_src(&cinfo_, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo_, TRUE);
    cmyk_ = cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
    cinfo_.out_color_space = cmyk_ ? JCS_CMYK : JCS_RGB;
    cinfo_.scale_num = 1;
    cinfo_.scale_denom = static_cast<unsigned>(scale_denom);
    cinfo_.dct_method = JDCT_ISLOW;
    jpeg_calc_output_dimensions(&cinfo_);
    return true;
  }

  // Decodes into raster (already sized to the output dimensions); cmyk_row
  // holds one CMYK row when the picture is CMYK.
  bool Decode(TRaster* raster, uint8_t* cmyk_row) {
    if (setjmp(err_.jump)) return false;
    jpeg_start_decompress(&cinfo_);
    while (cinfo_.output_scanline < cinfo_.output_height) {
      const int y = static_cast<int>(cinfo_.output_scanline);
      JSAMPROW row = cmyk_ ? cmyk_row : raster->row(y);
      if (jpeg_read_scanlines(&cinfo_, &row, 1) != 1) break;
      if (cmyk_) CmykToRgb(cmyk_row, raster->row(y), raster->width);
    }
    // Data that ended before the last row leaves grey rows: a damaged file.
    pixels_complete_ = !err_.premature_end;
    jpeg_finish_decompress(&cinfo_);
    return true;
  }

  jpeg_decompress_struct& cinfo() { return cinfo_; }
  const char* message() const { return err_.message; }
  bool pixels_complete() const { return pixels_complete_; }
  bool cmyk() const { return cmyk_; }

 private:
  // Adobe writes CMYK inverted (0 = full ink); other writers do not.
  void CmykToRgb(const uint8_t* in, uint8_t* out, int width) const {
    const bool inverted = cinfo_.saw_Adobe_marker;
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
      int c = in[0], m = in[1], yy = in[2], k = in[3];
      if (!inverted) {
        c = 255 - c;
        m = 255 - m;
        yy = 255 - yy;
        k = 255 - k;
      }
      out[0] = static_cast<uint8_t>((c * k + 127) / 255);
      out[1] = static_cast<uint8_t>((m * k + 127) / 255);
      out[2] = static_cast<uint8_t>((yy * k + 127) / 255);
    }
  }

  jpeg_decompress_struct cinfo_{};
  TJpegErrorManager err_{};
  jpeg_progress_mgr progress_{};
  bool cmyk_ = false;
  bool pixels_complete_ = false;
};

TRaster DecodeJpeg(TBytes bytes, const TDecodeOptions& options, TImageHeader& header) {
  // Our own header walk first: the size limit is checked before libjpeg
  // allocates anything for the picture.
  std::optional<TImageHeader> h = ReadJpegHeader(bytes);
  if (!h) ThrowCodecError(options, kName, "no frame header (not a JPEG or damaged)");
  CheckPictureSize(options, kName, h->width, h->height);
  header = *h;

  // A file that lacks only its end-of-image marker (some cameras write
  // those, and some append other data after it) has all its pixels: libjpeg
  // gets the marker appended, so that only entropy data that really ends
  // early counts as damage.
  std::vector<uint8_t> patched;
  if (bytes.size() < 2 || bytes[bytes.size() - 2] != 0xFF || bytes[bytes.size() - 1] != 0xD9) {
    patched.reserve(bytes.size() + 2);
    patched.assign(bytes.begin(), bytes.end());
    patched.push_back(0xFF);
    patched.push_back(0xD9);
    bytes = patched;
  }

  TJpegDecoder decoder;
  const int denom =
      JpegScaleDenominator(h->width, h->height, options.target_width, options.target_height);
  if (!decoder.ReadHeader(bytes, denom)) ThrowCodecError(options, kName, decoder.message());
  jpeg_decompress_struct& cinfo = decoder.cinfo();
  CheckPictureSize(options, kName, cinfo.image_width, cinfo.image_height);
  TRaster raster(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height));
  std::vector<uint8_t> cmyk_row(decoder.cmyk() ? static_cast<size_t>(raster.width) * 4 : 0);
  if (!decoder.Decode(&raster, cmyk_row.data())) ThrowCodecError(options, kName, decoder.message());
  if (!decoder.pixels_complete()) ThrowCodecError(options, kName, "premature end of data");
  return raster;
}

// ---- encoding ---------------------------------------------------------------

class TJpegEncoder {
 public:
  TJpegEncoder() {
    InitErrorManager(err_);
    cinfo_.err = &err_.pub;
    jpeg_create_compress(&cinfo_);
  }
  ~TJpegEncoder() {
    jpeg_destroy_compress(&cinfo_);
    std::free(buffer_);
  }
  TJpegEncoder(const TJpegEncoder&) = delete;
  TJpegEncoder& operator=(const TJpegEncoder&) = delete;

  // grey_row: one row of width bytes when writing grey, else nullptr.
  bool Encode(const TRaster* raster, const TEncodeOptions* options, uint8_t* grey_row) {
    if (setjmp(err_.jump)) return false;
    jpeg_mem_dest(&cinfo_, &buffer_, &size_);
    cinfo_.image_width = static_cast<JDIMENSION>(raster->width);
    cinfo_.image_height = static_cast<JDIMENSION>(raster->height);
    cinfo_.input_components = grey_row ? 1 : 3;
    cinfo_.in_color_space = grey_row ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo_);
    const int quality = options->quality < 1 ? 1 : options->quality > 100 ? 100 : options->quality;
    jpeg_set_quality(&cinfo_, quality, TRUE);
    cinfo_.dct_method = JDCT_ISLOW;
    cinfo_.optimize_coding = TRUE;
    // High qualities keep full colour resolution.
    if (!grey_row && quality >= 90) {
      cinfo_.comp_info[0].h_samp_factor = 1;
      cinfo_.comp_info[0].v_samp_factor = 1;
    }
    // EXIF readers expect the EXIF segment right after the start of image, so
    // a picture that carries one gets no JFIF segment.
    for (const TJpegMarker& m : options->jpeg_markers)
      if (m.code == 0xE1 && m.data.compare(0, 6, std::string_view("Exif\0\0", 6)) == 0)
        cinfo_.write_JFIF_header = FALSE;
    jpeg_start_compress(&cinfo_, TRUE);
    for (const TJpegMarker& m : options->jpeg_markers) {
      const bool app_or_com = (m.code >= 0xE0 && m.code <= 0xEF) || m.code == 0xFE;
      if (!app_or_com || m.data.size() > 65533) continue;
      jpeg_write_marker(&cinfo_, m.code, reinterpret_cast<const JOCTET*>(m.data.data()),
                        static_cast<unsigned>(m.data.size()));
    }
    while (cinfo_.next_scanline < cinfo_.image_height) {
      const uint8_t* src = raster->row(static_cast<int>(cinfo_.next_scanline));
      JSAMPROW row = const_cast<JSAMPROW>(src);
      if (grey_row) {
        for (int x = 0; x < raster->width; ++x, src += 3)
          grey_row[x] = static_cast<uint8_t>((src[0] * 77 + src[1] * 150 + src[2] * 29 + 128) >> 8);
        row = grey_row;
      }
      jpeg_write_scanlines(&cinfo_, &row, 1);
    }
    jpeg_finish_compress(&cinfo_);
    return true;
  }

  const char* message() const { return err_.message; }
  std::vector<uint8_t> bytes() const { return {buffer_, buffer_ + size_}; }

 private:
  jpeg_compress_struct cinfo_{};
  TJpegErrorManager err_{};
  unsigned char* buffer_ = nullptr;
  unsigned long size_ = 0;
};

std::vector<uint8_t> EncodeJpeg(const TRaster& raster, const TEncodeOptions& options) {
  std::vector<uint8_t> grey(options.samples_per_pixel == 1 ? static_cast<size_t>(raster.width) : 0);
  TJpegEncoder encoder;
  if (!encoder.Encode(&raster, &options, grey.empty() ? nullptr : grey.data()))
    throw ECodec(fmt::format("JPEG: {}", encoder.message()));
  return encoder.bytes();
}

}  // namespace

const TCodecFormat& JpegFormat() {
  static const TCodecFormat format{iftJpeg,        kName,      MatchesJpeg,
                                   ReadJpegHeader, DecodeJpeg, EncodeJpeg};
  return format;
}

}  // namespace codecs

using codecs::TBytes;

int JpegScaleDenominator(int width, int height, int target_width, int target_height) {
  if (target_width <= 0 && target_height <= 0) return 1;
  if (width <= 0 || height <= 0) return 1;
  // A missing side of the target does not constrain the scale. The result
  // keeps at least twice the target, so the filter makes the last reduction.
  const int64_t tw = target_width > 0 ? target_width : 1;
  const int64_t th = target_height > 0 ? target_height : 1;
  for (int denom : {8, 4, 2}) {
    const int64_t w = (width + denom - 1) / denom;  // libjpeg rounds up
    const int64_t h = (height + denom - 1) / denom;
    if (w >= 2 * tw && h >= 2 * th) return denom;
  }
  return 1;
}

std::vector<TJpegMarker> ReadJpegMarkers(std::span<const uint8_t> bytes) {
  std::vector<TJpegMarker> markers;
  codecs::WalkSegments(bytes, [&](int code, size_t pos, size_t length) {
    if (code == 0xDA) return false;
    const bool app = code >= 0xE0 && code <= 0xEF;
    if (!app && code != 0xFE) return true;
    std::string data(reinterpret_cast<const char*>(bytes.data() + pos), length);
    if (code == 0xE0 && data.compare(0, 5, std::string_view("JFIF\0", 5)) == 0) return true;
    if (code == 0xEE && data.compare(0, 5, "Adobe") == 0) return true;
    markers.push_back({code, std::move(data)});
    return true;
  });
  return markers;
}

std::optional<std::string> ReadJpegExif(std::span<const uint8_t> bytes) {
  std::optional<std::string> exif;
  codecs::WalkSegments(bytes, [&](int code, size_t pos, size_t length) {
    if (code == 0xDA) return false;
    if (code == 0xE1 && length >= 6 && std::memcmp(bytes.data() + pos, "Exif\0\0", 6) == 0) {
      exif.emplace(reinterpret_cast<const char*>(bytes.data() + pos), length);
      return false;
    }
    return true;
  });
  return exif;
}

std::vector<uint8_t> TransformJpeg(std::span<const uint8_t> bytes, TJpegTransform transform,
                                   const std::string& file_name, int64_t max_pixels) {
  TDecodeOptions options;
  options.file_name = file_name;
  options.max_pixels = max_pixels;
  std::optional<TImageHeader> h = codecs::ReadJpegHeader(bytes);
  if (!h)
    codecs::ThrowCodecError(options, codecs::kName, "no frame header (not a JPEG or damaged)");
  codecs::CheckPictureSize(options, codecs::kName, h->width, h->height);
  if (transform == TJpegTransform::None) return {bytes.begin(), bytes.end()};

  int op = TJXOP_NONE;
  switch (transform) {
    case TJpegTransform::None:
      break;
    case TJpegTransform::Rotate90:
      op = TJXOP_ROT90;
      break;
    case TJpegTransform::Rotate180:
      op = TJXOP_ROT180;
      break;
    case TJpegTransform::Rotate270:
      op = TJXOP_ROT270;
      break;
    case TJpegTransform::FlipHorizontal:
      op = TJXOP_HFLIP;
      break;
    case TJpegTransform::FlipVertical:
      op = TJXOP_VFLIP;
      break;
    case TJpegTransform::Transpose:
      op = TJXOP_TRANSPOSE;
      break;
    case TJpegTransform::Transverse:
      op = TJXOP_TRANSVERSE;
      break;
  }
  struct THandle {
    tjhandle h = tjInitTransform();
    unsigned char* out = nullptr;
    ~THandle() {
      if (out) tjFree(out);
      if (h) tjDestroy(h);
    }
  } handle;
  if (!handle.h) codecs::ThrowCodecError(options, codecs::kName, "cannot start a transform");
  tjtransform xform{};
  xform.op = op;
  xform.options = TJXOPT_TRIM;
  unsigned long out_size = 0;
  if (tjTransform(handle.h, bytes.data(), static_cast<unsigned long>(bytes.size()), 1, &handle.out,
                  &out_size, &xform, 0) != 0)
    codecs::ThrowCodecError(options, codecs::kName, tjGetErrorStr2(handle.h));
  return {handle.out, handle.out + out_size};
}

}  // namespace pictavo
