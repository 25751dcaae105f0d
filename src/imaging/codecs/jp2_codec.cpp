// JPEG 2000 files (jp2) and code streams (j2k, jpc) through OpenJPEG with
// memory streams. Components of any precision and subsampling are scaled to
// 8 bits; grey, grey with alpha, RGB and RGBA (alpha composed onto the
// background). Written with one quality layer: quality 100 is lossless (5-3
// wavelet), lower qualities use the 9-7 wavelet at a compression ratio of
// 100 / quality (the rate quality / 100 of the 24-bit picture).
#include <openjpeg.h>
#include <algorithm>

#include <fmt/format.h>

#include <cstring>

#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/formats.h"

namespace pictavo::codecs {

namespace {

constexpr const char* kName = "JPEG 2000";
constexpr uint8_t kJp2Signature[12] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 13, 10, 0x87, 10};

bool MatchesJp2(TBytes bytes) {
  return bytes.size() >= 12 && std::memcmp(bytes.data(), kJp2Signature, 12) == 0;
}
bool MatchesJ2k(TBytes bytes) {
  return bytes.size() >= 4 && bytes[0] == 0xFF && bytes[1] == 0x4F && bytes[2] == 0xFF &&
         bytes[3] == 0x51;
}

struct TMemStream {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  std::vector<uint8_t>* out = nullptr;
};

OPJ_SIZE_T StreamRead(void* buf, OPJ_SIZE_T n, void* user) {
  auto* s = static_cast<TMemStream*>(user);
  if (s->pos >= s->size) return static_cast<OPJ_SIZE_T>(-1);
  const size_t count = std::min<size_t>(n, s->size - s->pos);
  std::memcpy(buf, s->data + s->pos, count);
  s->pos += count;
  return count;
}
OPJ_SIZE_T StreamWrite(void* buf, OPJ_SIZE_T n, void* user) {
  auto* s = static_cast<TMemStream*>(user);
  if (s->pos + n > s->out->size()) s->out->resize(s->pos + n);
  std::memcpy(s->out->data() + s->pos, buf, n);
  s->pos += n;
  return n;
}
OPJ_OFF_T StreamSkip(OPJ_OFF_T n, void* user) {
  auto* s = static_cast<TMemStream*>(user);
  const size_t size = s->out ? s->out->size() : s->size;
  if (n < 0) {
    const size_t back = std::min<size_t>(static_cast<size_t>(-n), s->pos);
    s->pos -= back;
    return -static_cast<OPJ_OFF_T>(back);
  }
  if (s->out) {
    if (s->pos + static_cast<size_t>(n) > size) s->out->resize(s->pos + static_cast<size_t>(n));
    s->pos += static_cast<size_t>(n);
    return n;
  }
  const size_t fwd = std::min<size_t>(static_cast<size_t>(n), size - std::min(size, s->pos));
  s->pos += fwd;
  return fwd ? static_cast<OPJ_OFF_T>(fwd) : -1;
}
OPJ_BOOL StreamSeek(OPJ_OFF_T n, void* user) {
  auto* s = static_cast<TMemStream*>(user);
  if (n < 0) return OPJ_FALSE;
  if (s->out) {
    if (static_cast<size_t>(n) > s->out->size()) s->out->resize(static_cast<size_t>(n));
  } else if (static_cast<size_t>(n) > s->size) {
    return OPJ_FALSE;
  }
  s->pos = static_cast<size_t>(n);
  return OPJ_TRUE;
}

void OnError(const char* msg, void* user) {
  auto* text = static_cast<std::string*>(user);
  if (text->empty()) {
    *text = msg;
    while (!text->empty() && (text->back() == '\n' || text->back() == ' ')) text->pop_back();
  }
}
void OnQuiet(const char*, void*) {}

// Codec, stream and image, released together.
struct TOpj {
  opj_codec_t* codec = nullptr;
  opj_stream_t* stream = nullptr;
  opj_image_t* image = nullptr;
  std::string error;
  ~TOpj() {
    if (stream) opj_stream_destroy(stream);
    if (codec) opj_destroy_codec(codec);
    if (image) opj_image_destroy(image);
  }
};

opj_stream_t* MakeStream(TMemStream& mem, bool input) {
  opj_stream_t* s = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, input ? OPJ_TRUE : OPJ_FALSE);
  if (!s) return nullptr;
  opj_stream_set_user_data(s, &mem, nullptr);
  if (input) {
    opj_stream_set_read_function(s, StreamRead);
    opj_stream_set_user_data_length(s, mem.size);
  } else {
    opj_stream_set_write_function(s, StreamWrite);
  }
  opj_stream_set_skip_function(s, StreamSkip);
  opj_stream_set_seek_function(s, StreamSeek);
  return s;
}

// Opens the stream and reads the main header into o.image; false on error.
bool OpenForReading(TOpj& o, TMemStream& mem, bool jp2) {
  o.codec = opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
  if (!o.codec) return false;
  opj_set_error_handler(o.codec, OnError, &o.error);
  opj_set_warning_handler(o.codec, OnQuiet, nullptr);
  opj_set_info_handler(o.codec, OnQuiet, nullptr);
  opj_dparameters_t params;
  opj_set_default_decoder_parameters(&params);
  if (!opj_setup_decoder(o.codec, &params)) return false;
  o.stream = MakeStream(mem, true);
  return o.stream && opj_read_header(o.stream, o.codec, &o.image) && o.image;
}

std::optional<TImageHeader> HeaderOf(const opj_image_t* image, TImageFileType type) {
  if (!image || image->numcomps == 0 || !image->comps) return std::nullopt;
  const int64_t w = static_cast<int64_t>(image->x1) - image->x0;
  const int64_t h = static_cast<int64_t>(image->y1) - image->y0;
  if (w <= 0 || h <= 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return std::nullopt;
  TImageHeader header;
  header.type = type;
  header.width = static_cast<int>(w);
  header.height = static_cast<int>(h);
  header.bits_per_sample = static_cast<int>(image->comps[0].prec);
  header.samples_per_pixel = static_cast<int>(image->numcomps);
  return header;
}

std::optional<TImageHeader> ReadHeader(TBytes bytes, bool jp2) {
  if (!(jp2 ? MatchesJp2(bytes) : MatchesJ2k(bytes))) return std::nullopt;
  TMemStream mem{bytes.data(), bytes.size()};
  TOpj o;
  if (!OpenForReading(o, mem, jp2)) return std::nullopt;
  return HeaderOf(o.image, jp2 ? iftJp2 : iftJ2k);
}

std::optional<TImageHeader> ReadJp2Header(TBytes bytes) {
  return ReadHeader(bytes, true);
}
std::optional<TImageHeader> ReadJ2kHeader(TBytes bytes) {
  return ReadHeader(bytes, false);
}

TRaster Decode(TBytes bytes, const TDecodeOptions& options, TImageHeader& header, bool jp2) {
  if (!(jp2 ? MatchesJp2(bytes) : MatchesJ2k(bytes)))
    ThrowCodecError(options, kName, "no JPEG 2000 signature");
  TMemStream mem{bytes.data(), bytes.size()};
  TOpj o;
  if (!OpenForReading(o, mem, jp2))
    ThrowCodecError(options, kName, o.error.empty() ? "damaged header" : o.error);
  std::optional<TImageHeader> h = HeaderOf(o.image, jp2 ? iftJp2 : iftJ2k);
  if (!h) ThrowCodecError(options, kName, "damaged header");
  CheckPictureSize(options, kName, h->width, h->height);
  // Grey, grey and alpha, RGB, RGBA: more components would only cost memory.
  if (o.image->numcomps > 4)
    ThrowCodecError(options, kName, fmt::format("{} components", o.image->numcomps));
  header = *h;
  if (!opj_decode(o.codec, o.stream, o.image) || !opj_end_decompress(o.codec, o.stream))
    ThrowCodecError(options, kName, o.error.empty() ? "damaged picture data" : o.error);

  const opj_image_t* img = o.image;
  const int w = h->width, hh = h->height;
  const int n = static_cast<int>(img->numcomps);
  const int colours = n >= 3 ? 3 : 1;
  const bool alpha = n == 2 || n >= 4;
  const int alpha_index = n == 2 ? 1 : 3;
  for (int c = 0; c < (alpha ? alpha_index + 1 : colours); ++c) {
    const opj_image_comp_t& comp = img->comps[c];
    if (!comp.data || comp.dx == 0 || comp.dy == 0 || comp.prec == 0 || comp.prec > 31 ||
        comp.w == 0 || comp.h == 0)
      ThrowCodecError(options, kName, "damaged component");
  }
  TRgbaBuffer rgba(w, hh, 255);
  for (int c = 0; c < (alpha ? 4 : 3); ++c) {
    const int src = c < 3 ? (colours == 3 ? c : 0) : alpha_index;
    const opj_image_comp_t& comp = img->comps[src];
    const int64_t max = (int64_t{1} << comp.prec) - 1;
    const int64_t offset = comp.sgnd ? (int64_t{1} << (comp.prec - 1)) : 0;
    // Component grid position of picture pixel (x, y).
    const int64_t cx0 = (static_cast<int64_t>(img->x0) + comp.dx - 1) / comp.dx;
    const int64_t cy0 = (static_cast<int64_t>(img->y0) + comp.dy - 1) / comp.dy;
    for (int y = 0; y < hh; ++y) {
      int64_t cy = (static_cast<int64_t>(img->y0) + y) / comp.dy - cy0;
      cy = std::clamp<int64_t>(cy, 0, comp.h - 1);
      for (int x = 0; x < w; ++x) {
        int64_t cx = (static_cast<int64_t>(img->x0) + x) / comp.dx - cx0;
        cx = std::clamp<int64_t>(cx, 0, comp.w - 1);
        int64_t v = static_cast<int64_t>(comp.data[cy * comp.w + cx]) + offset;
        v = std::clamp<int64_t>(v, 0, max);
        rgba.at(x, y)[c] = static_cast<uint8_t>(max == 255 ? v : (v * 255 + max / 2) / max);
      }
    }
  }
  return ComposeOnto(rgba, options.background, false);
}

TRaster DecodeJp2(TBytes bytes, const TDecodeOptions& options, TImageHeader& header) {
  return Decode(bytes, options, header, true);
}
TRaster DecodeJ2k(TBytes bytes, const TDecodeOptions& options, TImageHeader& header) {
  return Decode(bytes, options, header, false);
}

std::vector<uint8_t> Encode(const TRaster& raster, const TEncodeOptions& options, bool jp2) {
  const bool grey = options.samples_per_pixel == 1;
  const int n = grey ? 1 : 3;
  const uint32_t w = static_cast<uint32_t>(raster.width), h = static_cast<uint32_t>(raster.height);
  opj_image_cmptparm_t parms[3] = {};
  for (int c = 0; c < n; ++c) {
    parms[c].dx = parms[c].dy = 1;
    parms[c].w = w;
    parms[c].h = h;
    parms[c].prec = 8;
    parms[c].sgnd = 0;
  }
  TOpj o;
  o.image =
      opj_image_create(static_cast<OPJ_UINT32>(n), parms, grey ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
  if (!o.image) throw ECodec("JPEG 2000: cannot create the picture");
  o.image->x0 = o.image->y0 = 0;
  o.image->x1 = w;
  o.image->y1 = h;
  const uint8_t* p = raster.pixels.data();
  const size_t count = static_cast<size_t>(w) * h;
  for (size_t i = 0; i < count; ++i, p += 3) {
    if (grey) {
      o.image->comps[0].data[i] = (p[0] * 77 + p[1] * 150 + p[2] * 29 + 128) >> 8;
    } else {
      o.image->comps[0].data[i] = p[0];
      o.image->comps[1].data[i] = p[1];
      o.image->comps[2].data[i] = p[2];
    }
  }
  opj_cparameters_t params;
  opj_set_default_encoder_parameters(&params);
  const int quality = std::clamp(options.quality, 1, 100);
  params.tcp_numlayers = 1;
  params.cp_disto_alloc = 1;
  if (quality >= 100) {
    params.tcp_rates[0] = 0;  // lossless
    params.irreversible = 0;
  } else {
    params.tcp_rates[0] = 100.0f / static_cast<float>(quality);
    params.irreversible = 1;
  }
  params.tcp_mct = grey ? 0 : 1;
  // Fewer resolution levels for small pictures (each halves the size).
  const uint32_t smallest = std::min(w, h);
  while (params.numresolution > 1 && (1u << (params.numresolution - 1)) > smallest)
    --params.numresolution;
  o.codec = opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
  if (!o.codec) throw ECodec("JPEG 2000: cannot create the encoder");
  opj_set_error_handler(o.codec, OnError, &o.error);
  opj_set_warning_handler(o.codec, OnQuiet, nullptr);
  opj_set_info_handler(o.codec, OnQuiet, nullptr);
  std::vector<uint8_t> out;
  TMemStream mem;
  mem.out = &out;
  if (!opj_setup_encoder(o.codec, &params, o.image)) throw ECodec("JPEG 2000: " + o.error);
  o.stream = MakeStream(mem, false);
  if (!o.stream || !opj_start_compress(o.codec, o.image, o.stream) ||
      !opj_encode(o.codec, o.stream) || !opj_end_compress(o.codec, o.stream))
    throw ECodec("JPEG 2000: " + (o.error.empty() ? std::string("cannot encode") : o.error));
  return out;
}

std::vector<uint8_t> EncodeJp2(const TRaster& raster, const TEncodeOptions& options) {
  return Encode(raster, options, true);
}
std::vector<uint8_t> EncodeJ2k(const TRaster& raster, const TEncodeOptions& options) {
  return Encode(raster, options, false);
}

}  // namespace

const TCodecFormat& Jp2Format() {
  static const TCodecFormat format{iftJp2, kName, MatchesJp2, ReadJp2Header, DecodeJp2, EncodeJp2};
  return format;
}

const TCodecFormat& J2kFormat() {
  static const TCodecFormat format{iftJ2k, kName, MatchesJ2k, ReadJ2kHeader, DecodeJ2k, EncodeJ2k};
  return format;
}

}  // namespace pictavo::codecs
