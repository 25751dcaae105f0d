// The JPEG codec: colour spaces, DCT-scaled decoding, quality, extra marker
// segments (EXIF) and lossless transforms.
#include <gtest/gtest.h>
#include <libexif/exif-data.h>

#include <functional>

#include "imaging/codec_test_helpers.h"
#include "imaging/codecs/codec.h"

namespace pictavo {
namespace {

using test::Bytes;
using test::MakeWithConvert;
using test::MaxDifference;
using test::Str;

// The centre of each quadrant of a Quadrants(w, h, w/2, h/2) picture.
void ExpectQuadrantColours(const TRaster& r, int tolerance) {
  const int w = r.width, h = r.height;
  EXPECT_TRUE(test::Near(r.at(w / 4, h / 4), test::kTopLeft, tolerance))
      << test::ToString(r.at(w / 4, h / 4));
  EXPECT_TRUE(test::Near(r.at(3 * w / 4, h / 4), test::kTopRight, tolerance))
      << test::ToString(r.at(3 * w / 4, h / 4));
  EXPECT_TRUE(test::Near(r.at(w / 4, 3 * h / 4), test::kBottomLeft, tolerance))
      << test::ToString(r.at(w / 4, 3 * h / 4));
  EXPECT_TRUE(test::Near(r.at(3 * w / 4, 3 * h / 4), test::kBottomRight, tolerance))
      << test::ToString(r.at(3 * w / 4, 3 * h / 4));
}

// Baseline, progressive, 4:4:4, CMYK (Adobe, inverted) and grey JPEGs all
// come out as RGB with the right colours.
TEST(JpegCodecTest, DecodesColourSpacesAndProcesses) {
  struct TCase {
    const char* what;
    const char* args;
    int tolerance;
  } cases[] = {
      {"baseline 4:2:0", "-quality 95", 6},
      {"progressive", "-quality 95 -interlace Plane", 6},
      {"4:4:4", "-quality 95 -sampling-factor 1x1", 4},
      {"CMYK", "-quality 95 -colorspace CMYK", 12},
  };
  test::TTempDir dir;
  const TRaster source = test::Quadrants(64, 48, 32, 24);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = MakeWithConvert(dir, source, c.args, "JPEG:a.jpg");
    TImageHeader header;
    const TRaster r = DecodeImage(Bytes(file), iftJpeg, {}, &header);
    ASSERT_EQ(r.width, 64);
    ASSERT_EQ(r.height, 48);
    ExpectQuadrantColours(r, c.tolerance);
    EXPECT_EQ(header.samples_per_pixel, std::string(c.what) == "CMYK" ? 4 : 3);
  }
  const std::string grey = MakeWithConvert(dir, source, "-colorspace Gray", "JPEG:g.jpg");
  TImageHeader header;
  const TRaster r = DecodeImage(Bytes(grey), iftJpeg, {}, &header);
  EXPECT_EQ(header.samples_per_pixel, 1);
  const TRgb c = r.at(40, 10);
  EXPECT_TRUE(c.r == c.g && c.g == c.b);
}

// The DCT scale is a coarse block reduction: the decoder stops at twice the
// target and leaves the last factor of two to the resampler's filter.
TEST(JpegCodecTest, ScaleDenominatorIsTheSmallestScaleThatStillCoversTwiceTheTarget) {
  struct TCase {
    int w, h, tw, th, denom;
  } cases[] = {
      {4000, 3000, 800, 600, 2},  // 2000 x 1500 covers 1600 x 1200; 1000 x 750 does not
      {4000, 3000, 250, 187, 8},  // 1/8 gives exactly 500 x 375
      {4000, 3000, 251, 187, 4},  // one pixel more than 1/8 gives
      {4000, 3000, 160, 120, 8},  // never below 1/8
      {4000, 3000, 1000, 750, 2}, {4000, 3000, 1001, 750, 1},  // less than four times smaller
      {4000, 3000, 0, 0, 1},                                   // full size asked
      {4000, 3000, 4000, 3000, 1}, {4000, 3000, 800, 0, 2},    // one side given
      {4003, 3003, 1001, 751, 2},  // libjpeg rounds up: 2002 x 1502
      {3000, 4000, 600, 800, 2},   {4000, 100, 800, 20, 2},  // 2000 x 50 still covers 1600 x 40
  };
  for (const auto& c : cases)
    EXPECT_EQ(JpegScaleDenominator(c.w, c.h, c.tw, c.th), c.denom)
        << c.w << "x" << c.h << " -> " << c.tw << "x" << c.th;
}

// A target size makes the decoder use a DCT scale: the result covers twice the
// target, the header keeps the stored size, the colours stay.
TEST(JpegCodecTest, DecodesAtReducedScaleForSmallTargets) {
  test::TTempDir dir;
  const std::string file =
      MakeWithConvert(dir, test::Quadrants(401, 301, 200, 150), "-quality 95", "JPEG:a.jpg");
  struct TCase {
    int tw, th, w, h;
  } cases[] = {{0, 0, 401, 301},   {200, 150, 401, 301}, {100, 75, 201, 151},
               {90, 60, 201, 151}, {50, 37, 101, 76},    {25, 19, 51, 38},
               {10, 10, 51, 38},   {250, 100, 401, 301}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.tw) + "x" + std::to_string(c.th));
    TDecodeOptions options;
    options.target_width = c.tw;
    options.target_height = c.th;
    TImageHeader header;
    const TRaster r = DecodeImage(Bytes(file), iftJpeg, options, &header);
    EXPECT_EQ(r.width, c.w);
    EXPECT_EQ(r.height, c.h);
    EXPECT_EQ(header.width, 401);
    EXPECT_EQ(header.height, 301);
    ExpectQuadrantColours(r, 8);
  }
  // Other formats decode at full size whatever the target.
  const std::string png =
      MakeWithConvert(dir, test::Quadrants(401, 301, 200, 150), "", "PNG24:a.png");
  TDecodeOptions options;
  options.target_width = 50;
  options.target_height = 37;
  const TRaster r = DecodeImage(Bytes(png), iftPng, options);
  EXPECT_EQ(r.width, 401);
  EXPECT_EQ(r.height, 301);
}

// Noise compresses badly, so quality shows in the size; ImageMagick's
// estimate of the quality matches what was asked.
TEST(JpegCodecTest, QualityDecidesSizeAndIsWhatImageMagickSees) {
  TRaster noise(96, 64);
  uint32_t seed = 12345;
  for (uint8_t& b : noise.pixels) {
    seed = seed * 1103515245 + 12345;
    b = static_cast<uint8_t>(seed >> 16);
  }
  test::TTempDir dir;
  size_t previous = 0;
  for (int quality : {1, 20, 50, 80, 95, 100}) {
    SCOPED_TRACE(quality);
    TEncodeOptions options;
    options.quality = quality;
    const std::string path = dir.file("q" + std::to_string(quality) + ".jpg");
    SaveImageFile(path, noise, iftJpeg, options);
    const size_t size = test::ReadFile(path).size();
    EXPECT_GT(size, previous);
    previous = size;
    EXPECT_EQ(test::CommandOutput("identify -format '%Q' '" + path + "'"), std::to_string(quality));
  }
  // Out-of-range qualities are clamped, not refused.
  TEncodeOptions options;
  options.quality = 250;
  EXPECT_EQ(EncodeImage(noise, iftJpeg, options).size(), previous);
}

// An EXIF segment (big-endian TIFF, IFD0 with the orientation) for tests.
std::string ExifWithOrientation(int orientation) {
  static const char head[] = "Exif\0\0MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0";
  std::string exif(head, sizeof head - 1);
  exif += char(orientation);
  exif += std::string(6, '\0');  // padding of the value, no next directory
  return exif;
}

// Marker segments given to the encoder are written in order, read back by
// ReadJpegMarkers and by ImageMagick; an EXIF segment comes right after the
// start of image (no JFIF segment then).
TEST(JpegCodecTest, WritesAndReadsExtraMarkers) {
  test::TTempDir dir;
  TEncodeOptions options;
  options.jpeg_markers = {{0xE1, ExifWithOrientation(6)}, {0xFE, "made by a test"}};
  const std::vector<uint8_t> jpeg = EncodeImage(test::Pattern(), iftJpeg, options);
  EXPECT_EQ(ReadJpegMarkers(jpeg), options.jpeg_markers);
  ASSERT_EQ(jpeg[3], 0xE1);
  std::optional<std::string> exif = ReadJpegExif(jpeg);
  ASSERT_TRUE(exif.has_value());
  EXPECT_EQ(*exif, options.jpeg_markers[0].data);
  // libexif reads what ReadJpegExif returns.
  ExifData* data =
      exif_data_new_from_data(reinterpret_cast<const unsigned char*>(exif->data()), exif->size());
  ASSERT_NE(data, nullptr);
  ExifEntry* entry = exif_data_get_entry(data, EXIF_TAG_ORIENTATION);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(exif_get_short(entry->data, exif_data_get_byte_order(data)), 6);
  exif_data_unref(data);

  const std::string path = dir.file("m.jpg");
  test::WriteFile(path, Str(jpeg));
  EXPECT_EQ(test::CommandOutput("identify -format '%[EXIF:Orientation]|%c' '" + path + "'"),
            "6|made by a test");

  // Without markers: a plain JFIF file, nothing extra.
  const std::vector<uint8_t> plain = EncodeImage(test::Pattern(), iftJpeg, {});
  EXPECT_EQ(plain[3], 0xE0);
  EXPECT_TRUE(ReadJpegMarkers(plain).empty());
  EXPECT_FALSE(ReadJpegExif(plain).has_value());
}

// Markers of a file made elsewhere: its comment is found, the JFIF segment
// is left out (the encoder writes its own).
TEST(JpegCodecTest, ReadsMarkersOfOtherEncoders) {
  test::TTempDir dir;
  const std::string file =
      MakeWithConvert(dir, test::Pattern(), "-set comment 'hello there'", "JPEG:a.jpg");
  const std::vector<TJpegMarker> markers = ReadJpegMarkers(Bytes(file));
  ASSERT_EQ(markers.size(), 1u);
  EXPECT_EQ(markers[0].code, 0xFE);
  EXPECT_EQ(markers[0].data, "hello there");
  EXPECT_TRUE(ReadJpegMarkers(Bytes(std::string("\x89PNG...."))).empty());
}

TRaster Transformed(const TRaster& r, TJpegTransform t) {
  const bool swap = t == TJpegTransform::Rotate90 || t == TJpegTransform::Rotate270 ||
                    t == TJpegTransform::Transpose || t == TJpegTransform::Transverse;
  TRaster out(swap ? r.height : r.width, swap ? r.width : r.height);
  const int W = r.width, H = r.height;
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      int sx = x, sy = y;
      switch (t) {
        case TJpegTransform::None:
          break;
        case TJpegTransform::Rotate90:
          sx = y, sy = H - 1 - x;
          break;
        case TJpegTransform::Rotate180:
          sx = W - 1 - x, sy = H - 1 - y;
          break;
        case TJpegTransform::Rotate270:
          sx = W - 1 - y, sy = x;
          break;
        case TJpegTransform::FlipHorizontal:
          sx = W - 1 - x;
          break;
        case TJpegTransform::FlipVertical:
          sy = H - 1 - y;
          break;
        case TJpegTransform::Transpose:
          sx = y, sy = x;
          break;
        case TJpegTransform::Transverse:
          sx = W - 1 - y, sy = H - 1 - x;
          break;
      }
      out.set(x, y, r.at(sx, sy));
    }
  return out;
}

// Lossless transforms of a picture whose sides are whole MCUs: the result is
// the turned picture (up to the decoder's rounding), and markers survive.
TEST(JpegCodecTest, LosslessTransformsTurnThePixels) {
  test::TTempDir dir;
  TRaster source(64, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      source.set(x, y, {uint8_t(x * 4), uint8_t(y * 5), uint8_t((x + y) % 2 ? 200 : 50)});
  TEncodeOptions options;
  options.quality = 90;
  options.jpeg_markers = {{0xFE, "kept"}};
  const std::vector<uint8_t> jpeg = EncodeImage(source, iftJpeg, options);
  const TRaster decoded = DecodeImage(jpeg, iftJpeg);
  for (TJpegTransform t :
       {TJpegTransform::None, TJpegTransform::Rotate90, TJpegTransform::Rotate180,
        TJpegTransform::Rotate270, TJpegTransform::FlipHorizontal, TJpegTransform::FlipVertical,
        TJpegTransform::Transpose, TJpegTransform::Transverse}) {
    SCOPED_TRACE(static_cast<int>(t));
    const std::vector<uint8_t> turned = TransformJpeg(jpeg, t);
    const TRaster r = DecodeImage(turned, iftJpeg);
    const TRaster expected = Transformed(decoded, t);
    ASSERT_EQ(r.width, expected.width);
    ASSERT_EQ(r.height, expected.height);
    EXPECT_LE(MaxDifference(r, expected), 24);
    EXPECT_EQ(ReadJpegMarkers(turned), options.jpeg_markers);
  }
  EXPECT_EQ(TransformJpeg(jpeg, TJpegTransform::None), jpeg);
}

// Partial MCUs on the edge that moves are trimmed: a 70 x 50 4:2:0 picture
// turned by 90 degrees loses the bottom 2 rows (50 -> 48) before turning.
TEST(JpegCodecTest, LosslessTurnTrimsPartialBlocks) {
  const std::vector<uint8_t> jpeg = EncodeImage(test::Quadrants(70, 50, 35, 25), iftJpeg, {});
  const TRaster r90 = DecodeImage(TransformJpeg(jpeg, TJpegTransform::Rotate90), iftJpeg);
  EXPECT_EQ(r90.width, 48);
  EXPECT_EQ(r90.height, 70);
  const TRaster r180 = DecodeImage(TransformJpeg(jpeg, TJpegTransform::Rotate180), iftJpeg);
  EXPECT_EQ(r180.width, 64);
  EXPECT_EQ(r180.height, 48);
}

// Truncated and damaged JPEGs give the codec error, also for transforms.
TEST(JpegCodecTest, DamagedJpegsGiveTheCodecError) {
  test::TTempDir dir;
  TRaster noise(128, 96);
  uint32_t seed = 7;
  for (uint8_t& b : noise.pixels) {
    seed = seed * 1103515245 + 12345;
    b = static_cast<uint8_t>(seed >> 16);
  }
  const std::string file = MakeWithConvert(dir, noise, "-quality 90", "JPEG:a.jpg");
  const std::string truncated = file.substr(0, file.size() * 2 / 3);
  try {
    DecodeImage(Bytes(truncated), iftJpeg);
    FAIL();
  } catch (const ECodec& e) {
    EXPECT_NE(std::string(e.what()).find("premature end"), std::string::npos) << e.what();
  }
  // Only the end-of-image marker missing: every pixel is there.
  ASSERT_EQ(file.substr(file.size() - 2), "\xff\xd9");
  EXPECT_EQ(MaxDifference(DecodeImage(Bytes(file.substr(0, file.size() - 2)), iftJpeg),
                          DecodeImage(Bytes(file), iftJpeg)),
            0);
  const size_t sos = file.find("\xff\xda");
  ASSERT_NE(sos, std::string::npos);
  EXPECT_THROW(DecodeImage(Bytes(file.substr(0, sos)), iftJpeg), ECodec);
  EXPECT_THROW(TransformJpeg(Bytes(file.substr(0, sos)), TJpegTransform::Rotate90), ECodec);
  EXPECT_THROW(TransformJpeg(Bytes(std::string("not a jpeg")), TJpegTransform::Rotate90), ECodec);
  // The header still reads from a file cut after its frame header.
  std::optional<TImageHeader> h = ReadImageHeader(Bytes(file.substr(0, sos)), iftJpeg);
  ASSERT_TRUE(h.has_value());
  EXPECT_EQ(h->width, 128);
}

}  // namespace
}  // namespace pictavo
