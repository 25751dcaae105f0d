// The format table and the format-independent parts of codec.h: type
// detection, size limits, dispatch and the file helpers.
#include "imaging/codecs/codec.h"

#include <fmt/format.h>
#include <algorithm>

#include <array>

#include "imaging/codecs/codec_format.h"
#include "imaging/codecs/formats.h"
#include "platform/file_system.h"

namespace pictavo {
namespace codecs {

namespace {

// Detection order: formats with strong magic bytes first; TGA, whose header
// has no signature, is never detected from content.
const std::array<const TCodecFormat*, 15>& Formats() {
  static const std::array<const TCodecFormat*, 15> formats = {
      &JpegFormat(), &PngFormat(), &GifFormat(), &Jp2Format(),  &J2kFormat(),
      &TiffFormat(), &BmpFormat(), &IcoFormat(), &CurFormat(),  &PcxFormat(),
      &PnmFormat(),  &WmfFormat(), &EmfFormat(), &WbmpFormat(), &TgaFormat()};
  return formats;
}

}  // namespace

const TCodecFormat* FindFormat(TImageFileType type) {
  for (const TCodecFormat* f : Formats())
    if (f->type == type) return f;
  return nullptr;
}

const TCodecFormat* DetectFormat(TBytes bytes) {
  for (const TCodecFormat* f : Formats())
    if (f->type != iftTga && f->matches && f->matches(bytes)) return f;
  return nullptr;
}

void ThrowCodecError(const TDecodeOptions& options, const char* format, const std::string& detail) {
  if (options.file_name.empty()) throw ECodec(fmt::format("{}: {}", format, detail));
  throw ECodec(fmt::format("{}: {}: {}", options.file_name, format, detail));
}

void CheckPictureSize(const TDecodeOptions& options, const char* format, int64_t width,
                      int64_t height) {
  if (width <= 0 || height <= 0)
    ThrowCodecError(options, format, fmt::format("invalid picture size {} x {}", width, height));
  if (width > options.max_side || height > options.max_side || width * height > options.max_pixels)
    ThrowCodecError(options, format,
                    fmt::format("picture of {} x {} pixels exceeds the size limit", width, height));
}

TRaster ComposeOnto(const TRgbaBuffer& rgba, TRgb background, bool ignore_zero_alpha) {
  TRaster raster(rgba.width, rgba.height);
  const size_t count = static_cast<size_t>(rgba.width) * rgba.height;
  const uint8_t* in = rgba.pixels.data();
  uint8_t* out = raster.pixels.data();
  bool opaque = false;
  if (ignore_zero_alpha) {
    opaque = true;
    for (size_t i = 0; i < count; ++i)
      if (in[i * 4 + 3] != 0) {
        opaque = false;
        break;
      }
  }
  for (size_t i = 0; i < count; ++i, in += 4, out += 3) {
    const int a = opaque ? 255 : in[3];
    if (a == 255) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
    } else {
      out[0] = Compose(in[0], a, background.r);
      out[1] = Compose(in[1], a, background.g);
      out[2] = Compose(in[2], a, background.b);
    }
  }
  return raster;
}

}  // namespace codecs

using codecs::TCodecFormat;

bool CanDecode(TImageFileType type) {
  const TCodecFormat* f = codecs::FindFormat(type);
  return f && f->decode;
}

bool CanEncode(TImageFileType type) {
  const TCodecFormat* f = codecs::FindFormat(type);
  return f && f->encode;
}

TImageFileType DetectImageType(std::span<const uint8_t> bytes) {
  const TCodecFormat* f = codecs::DetectFormat(bytes);
  return f ? f->type : iftUnknown;
}

std::optional<TImageHeader> ReadImageHeader(std::span<const uint8_t> bytes, TImageFileType type) {
  const TCodecFormat* f =
      type == iftUnknown ? codecs::DetectFormat(bytes) : codecs::FindFormat(type);
  if (!f || !f->read_header) return std::nullopt;
  // A header that claims a zero or negative size is not a usable header.
  std::optional<TImageHeader> header = f->read_header(bytes);
  if (header && (header->width <= 0 || header->height <= 0)) return std::nullopt;
  return header;
}

TRaster DecodeImage(std::span<const uint8_t> bytes, TImageFileType type,
                    const TDecodeOptions& options, TImageHeader* header) {
  const TCodecFormat* f = codecs::FindFormat(type);
  // A picture whose content plainly is another format (a PNG named ".jpg")
  // is decoded as what it is. TGA has no signature, so a TGA stays a TGA.
  if (!f || !f->matches || !f->matches(bytes)) {
    const TCodecFormat* detected = codecs::DetectFormat(bytes);
    if (detected && detected->decode) f = detected;
  }
  if (!f || !f->decode)
    codecs::ThrowCodecError(options, f ? f->name : "image", "format not supported");
  TImageHeader h;
  h.type = f->type;
  TRaster raster = f->decode(bytes, options, h);
  h.type = f->type;
  if (header) *header = h;
  return raster;
}

std::vector<uint8_t> EncodeImage(const TRaster& raster, TImageFileType type,
                                 const TEncodeOptions& options) {
  const TCodecFormat* f = codecs::FindFormat(type);
  if (!f || !f->encode)
    throw ECodec(fmt::format("{}: no encoder for this format", f ? f->name : "image"));
  if (raster.empty() ||
      raster.pixels.size() != static_cast<size_t>(raster.width) * raster.height * 3)
    throw ECodec(fmt::format("{}: empty or inconsistent picture", f->name));
  return f->encode(raster, options);
}

TRaster LoadImageFile(const std::string& path, TImageFileType type, TDecodeOptions options,
                      TImageHeader* header) {
  if (options.file_name.empty()) options.file_name = path;
  std::optional<std::string> bytes = TryReadFileBytes(path);
  if (!bytes) throw ECodec(fmt::format("{}: cannot be read", options.file_name));
  return DecodeImage(std::span(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()),
                     type, options, header);
}

void SaveImageFile(const std::string& path, const TRaster& raster, TImageFileType type,
                   const TEncodeOptions& options) {
  std::vector<uint8_t> bytes;
  try {
    bytes = EncodeImage(raster, type, options);
  } catch (const ECodec& e) {
    throw ECodec(fmt::format("{}: {}", path, e.what()));
  }
  WriteFileAtomic(path,
                  std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace pictavo
