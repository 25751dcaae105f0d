// PNG through libpng's simplified API: every colour type and depth (palette,
// grey, 16-bit, tRNS) comes out as 8-bit RGB composed onto the background;
// the simplified API keeps libpng's setjmp handling inside libpng.
#include <png.h>
#include <algorithm>

#include <cstring>

#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/formats.h"

namespace pictavo::codecs {

namespace {

constexpr const char* kName = "PNG";
constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

bool MatchesPng(TBytes bytes) {
  return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

std::optional<TImageHeader> ReadPngHeader(TBytes bytes) {
  if (!MatchesPng(bytes)) return std::nullopt;
  TByteReader r(bytes, 8);
  r.u32be();                                         // chunk length
  if (r.u32be() != 0x49484452) return std::nullopt;  // "IHDR"
  TImageHeader h;
  h.type = iftPng;
  const uint32_t w = r.u32be();
  const uint32_t hh = r.u32be();
  h.bits_per_sample = r.u8();
  const int colour_type = r.u8();
  if (!r.ok() || w == 0 || hh == 0 || w > 0x7FFFFFFF || hh > 0x7FFFFFFF) return std::nullopt;
  h.width = static_cast<int>(w);
  h.height = static_cast<int>(hh);
  switch (colour_type) {
    case 0:
    case 3:
      h.samples_per_pixel = 1;
      break;
    case 4:
      h.samples_per_pixel = 2;
      break;
    case 2:
      h.samples_per_pixel = 3;
      break;
    case 6:
      h.samples_per_pixel = 4;
      break;
    default:
      return std::nullopt;
  }
  return h;
}

struct TPngImage {
  png_image image{};
  TPngImage() { image.version = PNG_IMAGE_VERSION; }
  ~TPngImage() { png_image_free(&image); }
  TPngImage(const TPngImage&) = delete;
  TPngImage& operator=(const TPngImage&) = delete;
};

TRaster DecodePng(TBytes bytes, const TDecodeOptions& options, TImageHeader& header) {
  std::optional<TImageHeader> h = ReadPngHeader(bytes);
  if (!h) ThrowCodecError(options, kName, "no PNG signature or header");
  CheckPictureSize(options, kName, h->width, h->height);
  header = *h;
  TPngImage png;
  if (!png_image_begin_read_from_memory(&png.image, bytes.data(), bytes.size()))
    ThrowCodecError(options, kName, png.image.message);
  CheckPictureSize(options, kName, png.image.width, png.image.height);
  png.image.format = PNG_FORMAT_RGB;
  TRaster raster(static_cast<int>(png.image.width), static_cast<int>(png.image.height));
  png_color background{options.background.r, options.background.g, options.background.b};
  if (!png_image_finish_read(&png.image, &background, raster.pixels.data(),
                             static_cast<png_int_32>(raster.width * 3), nullptr))
    ThrowCodecError(options, kName, png.image.message);
  return raster;
}

std::vector<uint8_t> EncodePng(const TRaster& raster, const TEncodeOptions& options) {
  const bool grey = options.samples_per_pixel == 1;
  std::vector<uint8_t> grey_pixels;
  const void* buffer = raster.pixels.data();
  if (grey) {
    grey_pixels.resize(static_cast<size_t>(raster.width) * raster.height);
    const uint8_t* p = raster.pixels.data();
    for (uint8_t& g : grey_pixels) {
      g = static_cast<uint8_t>((p[0] * 77 + p[1] * 150 + p[2] * 29 + 128) >> 8);
      p += 3;
    }
    buffer = grey_pixels.data();
  }
  TPngImage png;
  png.image.width = static_cast<png_uint_32>(raster.width);
  png.image.height = static_cast<png_uint_32>(raster.height);
  png.image.format = grey ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
  const png_int_32 stride = static_cast<png_int_32>(raster.width * (grey ? 1 : 3));
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&png.image, nullptr, &size, 0, buffer, stride, nullptr))
    throw ECodec(std::string("PNG: ") + png.image.message);
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(&png.image, out.data(), &size, 0, buffer, stride, nullptr))
    throw ECodec(std::string("PNG: ") + png.image.message);
  out.resize(size);
  return out;
}

}  // namespace

const TCodecFormat& PngFormat() {
  static const TCodecFormat format{iftPng, kName, MatchesPng, ReadPngHeader, DecodePng, EncodePng};
  return format;
}

}  // namespace pictavo::codecs
