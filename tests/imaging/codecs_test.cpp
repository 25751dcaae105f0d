// The picture codecs against files made by ImageMagick: decoding of every
// format and variant, our encoders read back by ImageMagick, transparency
// composed onto the background, size limits and damaged input.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstring>

#include "imaging/codec_test_helpers.h"
#include "imaging/codecs/codec.h"

namespace pictavo {
namespace {

using test::Bytes;
using test::MakeWithConvert;
using test::MaxDifference;
using test::Str;

struct TDecodeCase {
  const char* what;
  const char* args;  // ImageMagick options
  const char* out;   // output file, with ImageMagick's format prefix where needed
  TImageFileType type;
  bool black_white;  // the black and white picture instead of the colour pattern
  int tolerance;
};

const TDecodeCase kDecodeCases[] = {
    {"24-bit BMP", "-type TrueColor", "BMP3:a.bmp", iftBmp, false, 0},
    {"4-bit palette BMP", "-type Palette", "BMP3:b.bmp", iftBmp, false, 0},
    {"RLE8 BMP", "-type Palette -compress RLE", "BMP3:c.bmp", iftBmp, false, 0},
    {"1-bit BMP", "-type Bilevel", "BMP3:d.bmp", iftBmp, true, 0},
    {"16-bit 565 BMP", "-define bmp:subtype=RGB565", "BMP:e.bmp", iftBmp, false, 8},
    {"OS/2 BMP", "-type TrueColor", "BMP2:f.bmp", iftBmp, false, 0},
    {"RGB PNG", "", "PNG24:a.png", iftPng, false, 0},
    {"palette PNG", "", "PNG8:b.png", iftPng, false, 0},
    {"grey PNG", "-type Grayscale", "PNG:c.png", iftPng, true, 0},
    {"1-bit PNG", "-type Bilevel", "PNG:d.png", iftPng, true, 0},
    {"16-bit PNG", "-depth 16", "PNG48:e.png", iftPng, false, 0},
    // ImageMagick 6 writes TGA rows upside down; netpbm's writer is right.
    {"true-colour TGA", "!pamtotga -rgb -norle", "a.tga", iftTga, false, 0},
    {"run-length true-colour TGA", "!pamtotga -rgb", "b.tga", iftTga, false, 0},
    {"colour-mapped TGA", "!pamtotga -cmap -norle", "c.tga", iftTga, false, 0},
    {"run-length colour-mapped TGA", "!pamtotga -cmap", "d.tga", iftTga, false, 0},
    {"grey TGA", "!ppmtopgm | pamtotga -mono", "e.tga", iftTga, true, 0},
    {"24-bit PCX", "-type TrueColor", "PCX:a.pcx", iftPcx, false, 0},
    {"8-bit PCX", "-type Palette", "PCX:b.pcx", iftPcx, false, 0},
    {"1-bit PCX", "-type Bilevel", "PCX:c.pcx", iftPcx, true, 0},
    {"raw PPM", "", "PPM:a.ppm", iftPxm, false, 0},
    {"plain PPM", "-compress none", "PPM:b.ppm", iftPxm, false, 0},
    {"16-bit PPM", "-depth 16", "PPM:c.ppm", iftPxm, false, 0},
    {"raw PGM", "", "PGM:d.pgm", iftPxm, true, 0},
    {"plain PGM", "-compress none", "PGM:e.pgm", iftPxm, true, 0},
    {"raw PBM", "", "PBM:f.pbm", iftPxm, true, 0},
    {"plain PBM", "-compress none", "PBM:g.pbm", iftPxm, true, 0},
    {"plain TIFF", "-compress None", "TIFF:a.tif", iftTiff, false, 0},
    {"LZW TIFF", "-compress LZW", "TIFF:b.tif", iftTiff, false, 0},
    {"deflate TIFF", "-compress Zip", "TIFF:c.tif", iftTiff, false, 0},
    {"palette TIFF", "-type Palette", "TIFF:d.tif", iftTiff, false, 0},
    {"group 4 fax TIFF", "-type Bilevel -compress Group4", "TIFF:e.fax", iftTiff, true, 0},
    {"CMYK TIFF", "-colorspace CMYK", "TIFF:f.tif", iftTiff, false, 2},
    {"JPEG-compressed TIFF", "-compress JPEG -quality 100", "TIFF:g.tif", iftTiff, false, 40},
    {"JPEG 2000 file", "-quality 100", "JP2:a.jp2", iftJp2, false, 0},
    {"JPEG 2000 code stream", "-quality 100", "J2K:b.j2k", iftJ2k, false, 0},
    {"ICO", "", "ICO:a.ico", iftIco, false, 0},
    {"CUR", "", "CUR:a.cur", iftCur, false, 0},
    {"WBMP", "", "WBMP:a.wbmp", iftWbmp, true, 0},
};

// Every variant decodes to the pixels it was made from, and its header
// reports the same size.
TEST(CodecsTest, DecodesFilesMadeByImageMagick) {
  test::TTempDir dir;
  for (const TDecodeCase& c : kDecodeCases) {
    SCOPED_TRACE(c.what);
    const TRaster source = c.black_white ? test::BlackWhite(15, 9) : test::Pattern();
    const std::string file = MakeWithConvert(dir, source, c.args, c.out);
    TImageHeader header;
    TRaster decoded;
    try {
      decoded = DecodeImage(Bytes(file), c.type, {}, &header);
    } catch (const ECodec& e) {
      ADD_FAILURE() << e.what();
      continue;
    }
    EXPECT_LE(MaxDifference(decoded, source), c.tolerance);
    EXPECT_EQ(header.width, 15);
    EXPECT_EQ(header.height, 9);
    std::optional<TImageHeader> read = ReadImageHeader(Bytes(file), c.type);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->width, 15);
    EXPECT_EQ(read->height, 9);
    // (TGA has no signature; ImageMagick marks its cursors as icons.)
    if (c.type != iftTga && c.type != iftCur) {
      EXPECT_EQ(DetectImageType(Bytes(file)), c.type);
    }
  }
}

// A bottom-up BMP turned into the top-down form (negative height, rows in
// reading order) gives the same picture.
TEST(CodecsTest, DecodesTopDownBmp) {
  test::TTempDir dir;
  std::string file = MakeWithConvert(dir, test::Pattern(), "-type TrueColor", "BMP3:a.bmp");
  uint32_t offset;
  std::memcpy(&offset, file.data() + 10, 4);
  const size_t stride = (15 * 3 + 3) & ~3u;
  std::string flipped = file.substr(0, offset);
  for (int y = 8; y >= 0; --y) flipped += file.substr(offset + y * stride, stride);
  const int32_t height = -9;
  std::memcpy(flipped.data() + 22, &height, 4);
  EXPECT_EQ(MaxDifference(DecodeImage(Bytes(flipped), iftBmp), test::Pattern()), 0);
  // The header reader gives the picture's height, not the stored sign.
  EXPECT_EQ(ReadImageHeader(Bytes(flipped), iftBmp)->height, 9);
}

// RLE4 (which ImageMagick does not write): a run, an absolute run and the
// end markers; pixels the data skips show the background.
TEST(CodecsTest, DecodesRle4Bmp) {
  std::string bmp;
  auto u16 = [&](int v) { bmp += char(v & 255), bmp += char(v >> 8 & 255); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
  const std::string data("\x04\x12\0\0\0\x03\x21\x20\0\x01", 10);
  bmp += "BM";
  u32(118 + data.size()), u32(0), u32(118);
  u32(40), u32(4), u32(2), u16(1), u16(4), u32(2), u32(data.size()), u32(0), u32(0), u32(16),
      u32(0);
  const std::string palette[3] = {std::string("\0\0\0\0", 4), std::string("\0\0\xff\0", 4),
                                  std::string("\0\xff\0\0", 4)};
  for (int i = 0; i < 16; ++i) bmp += palette[i < 3 ? i : 0];
  bmp += data;
  TDecodeOptions options;
  options.background = {7, 7, 7};
  const TRaster r = DecodeImage(Bytes(bmp), iftBmp, options);
  const TRgb red{255, 0, 0}, green{0, 255, 0};
  const TRgb expected[2][4] = {{green, red, green, {7, 7, 7}}, {red, green, red, green}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(r.at(x, y), expected[y][x]) << x << "," << y;
}

// An icon with several entries gives its largest; a 256 x 256 entry is stored
// as PNG inside the icon.
TEST(CodecsTest, IconGivesItsLargestEntry) {
  test::TTempDir dir;
  const TRaster big = test::Quadrants(256, 256, 100, 60);
  test::WriteFile(dir.file("big.ppm"), test::ToPpm(big));
  test::WriteFile(dir.file("small.ppm"), test::ToPpm(test::Pattern()));
  ASSERT_EQ(test::RunCommand("convert '" + dir.file("small.ppm") + "' '" + dir.file("big.ppm") +
                             "' '" + dir.file("both.ico") + "'"),
            0);
  const std::string file = test::ReadFile(dir.file("both.ico"));
  EXPECT_EQ(MaxDifference(DecodeImage(Bytes(file), iftIco), big), 0);
  EXPECT_EQ(ReadImageHeader(Bytes(file), iftIco)->width, 256);
}

// Transparent areas show the background colour given in the options.
TEST(CodecsTest, TransparencyIsComposedOntoTheBackground) {
  struct TCase {
    const char* out;
    TImageFileType type;
  } cases[] = {{"PNG32:a.png", iftPng}, {"TGA:a.tga", iftTga}, {"TIFF:a.tif", iftTiff},
               {"BMP:a.bmp", iftBmp},   {"ICO:a.ico", iftIco}, {"JP2:a.jp2", iftJp2}};
  test::TTempDir dir;
  TDecodeOptions options;
  options.background = {0, 0, 255};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.out);
    const std::string out = c.out;
    const std::string path = dir.file(out.substr(out.find(':') + 1));
    ASSERT_EQ(test::RunCommand("convert -size 6x2 xc:none -fill 'rgb(10,20,30)' -draw "
                               "'rectangle 3,0 5,1' -quality 100 '" +
                               out.substr(0, out.find(':') + 1) + path + "'"),
              0);
    const std::string file = test::ReadFile(path);
    TRaster r = DecodeImage(Bytes(file), c.type, options);
    ASSERT_EQ(r.width, 6);
    EXPECT_EQ(r.at(0, 0), (TRgb{0, 0, 255})) << test::ToString(r.at(0, 0));
    EXPECT_EQ(r.at(5, 1), (TRgb{10, 20, 30})) << test::ToString(r.at(5, 1));
  }
}

// Half-transparent red over white gives pink, not red or white.
TEST(CodecsTest, PartialTransparencyBlends) {
  test::TTempDir dir;
  const std::string path = dir.file("half.png");
  ASSERT_EQ(test::RunCommand("convert -size 2x2 xc:'rgba(255,0,0,0.5)' 'PNG32:" + path + "'"), 0);
  TRaster r = DecodeImage(Bytes(test::ReadFile(path)), iftPng);
  EXPECT_EQ(r.at(0, 0).r, 255);
  EXPECT_NEAR(r.at(0, 0).g, 128, 60);  // composed in linear or gamma space
  EXPECT_GT(r.at(0, 0).g, 40);
}

// A 24-bit icon entry without alpha: its AND mask makes pixels transparent.
TEST(CodecsTest, IconAndMaskMakesPixelsTransparent) {
  std::string ico;
  auto u16 = [&](int v) { ico += char(v & 255), ico += char(v >> 8 & 255); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
  const int w = 2, h = 2;
  const size_t dib_size = 40 + 8 * h + 4 * h;
  u16(0), u16(1), u16(1);
  ico += char(w), ico += char(h), ico += '\0', ico += '\0';
  u16(1), u16(24), u32(dib_size), u32(22);
  u32(40), u32(w), u32(h * 2), u16(1), u16(24), u32(0), u32(0), u32(0), u32(0), u32(0), u32(0);
  // Colour rows bottom-up: all green (B, G, R), each row padded to 8 bytes.
  for (int y = 0; y < h; ++y) ico += std::string("\0\xff\0\0\xff\0\0\0", 8);
  // AND mask rows bottom-up: the top row's left pixel is transparent.
  ico += std::string("\0\0\0\0", 4);
  ico += std::string("\x80\0\0\0", 4);
  TDecodeOptions options;
  options.background = {9, 9, 9};
  TRaster r = DecodeImage(Bytes(ico), iftIco, options);
  EXPECT_EQ(r.at(0, 0), (TRgb{9, 9, 9}));
  EXPECT_EQ(r.at(1, 0), (TRgb{0, 255, 0}));
  EXPECT_EQ(r.at(0, 1), (TRgb{0, 255, 0}));
  // The same icon read as a cursor (type 2) decodes alike.
  ico[2] = 2;
  EXPECT_EQ(DecodeImage(Bytes(ico), iftCur, options).at(0, 0), (TRgb{9, 9, 9}));
}

struct TEncodeCase {
  TImageFileType type;
  const char* file;
  const char* magick;  // ImageMagick's name of the format it reads
  int tolerance;       // against the source, as ImageMagick decodes it
};

const TEncodeCase kEncodeCases[] = {
    {iftJpeg, "out.jpg", "JPEG", 40}, {iftPng, "out.png", "PNG", 0},
    {iftBmp, "out.bmp", "BMP3", 0},   {iftJp2, "out.jp2", "JP2", 40},
    {iftJ2k, "out.j2k", "J2K", 40},   {iftTiff, "out.tif", "TIFF", 0},
    {iftPcx, "out.pcx", "PCX", 0},    {iftTga, "out.tga", "TGA", 0},
    {iftPxm, "out.ppm", "PPM", 0},    {iftIco, "out.ico", "ICO", 0},
    {iftCur, "out.cur", "CUR", 0},
};

// Our encoders write files that ImageMagick reads as the right format, size
// and pixels, and that we read back.
TEST(CodecsTest, EncodedFilesReadBackInImageMagick) {
  test::TTempDir dir;
  const TRaster source = test::Quadrants(40, 24, 16, 8);
  for (const TEncodeCase& c : kEncodeCases) {
    SCOPED_TRACE(c.file);
    ASSERT_TRUE(CanEncode(c.type));
    TEncodeOptions options;
    options.quality = 90;
    const std::string path = dir.file(c.file);
    SaveImageFile(path, source, c.type, options);
    EXPECT_EQ(test::CommandOutput("identify -format '%m %w %h' '" + path + "'"),
              std::string(c.magick) + " 40 24");
    const std::string ppm = test::CommandOutput("convert '" + path + "' -depth 8 PPM:-");
    const TRaster theirs = DecodeImage(Bytes(ppm), iftPxm);
    EXPECT_LE(MaxDifference(theirs, source), c.tolerance);
    const TRaster ours = LoadImageFile(path, c.type);
    EXPECT_LE(MaxDifference(ours, source), c.tolerance);
  }
}

// The source's depth is kept: grey stays grey, black and white stays 1 bit.
TEST(CodecsTest, EncodersKeepGreyAndBlackAndWhite) {
  struct TCase {
    TImageFileType type;
    const char* file;
    int bits;
    const char* magick_type;
  } cases[] = {{iftPng, "g.png", 8, "Grayscale"},  {iftJpeg, "g.jpg", 8, "Grayscale"},
               {iftTiff, "g.tif", 8, "Grayscale"}, {iftPxm, "g.pgm", 8, "Grayscale"},
               {iftBmp, "g.bmp", 8, "Grayscale"},  {iftJp2, "g.jp2", 8, "Grayscale"},
               {iftPxm, "b.pbm", 1, "Bilevel"},    {iftTiff, "b.tif", 1, "Bilevel"},
               {iftBmp, "b.bmp", 1, "Bilevel"},    {iftWbmp, "b.wbmp", 1, "Bilevel"}};
  test::TTempDir dir;
  TRaster grey(21, 7);
  for (int x = 0; x < 21; ++x)
    for (int y = 0; y < 7; ++y) grey.set(x, y, {uint8_t(x * 12), uint8_t(x * 12), uint8_t(x * 12)});
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.file);
    const TRaster source = c.bits == 1 ? test::BlackWhite(21, 7) : grey;
    TEncodeOptions options;
    options.samples_per_pixel = 1;
    options.bits_per_sample = c.bits;
    options.quality = 100;
    const std::string path = dir.file(c.file);
    SaveImageFile(path, source, c.type, options);
    EXPECT_EQ(test::CommandOutput("identify -format '%[type]' '" + path + "'"), c.magick_type);
    EXPECT_LE(MaxDifference(LoadImageFile(path, c.type), source), c.type == iftJpeg ? 8 : 0);
  }
}

// The header reader of the formats without a decoder here.
TEST(CodecsTest, HeaderOnlyFormats) {
  test::TTempDir dir;
  // GIF: the first image's size, not the logical screen's.
  const std::string gif_path = dir.file("a.gif");
  ASSERT_EQ(test::RunCommand("convert -size 20x10 xc:red -page 40x30+5+5 '" + gif_path + "'"), 0);
  const std::string gif = test::ReadFile(gif_path);
  std::optional<TImageHeader> h = ReadImageHeader(Bytes(gif), iftGif);
  ASSERT_TRUE(h.has_value());
  EXPECT_EQ(h->width, 20);
  EXPECT_EQ(h->height, 10);
  EXPECT_EQ(DetectImageType(Bytes(gif)), iftGif);
  EXPECT_FALSE(CanDecode(iftGif));
  EXPECT_THROW(DecodeImage(Bytes(gif), iftGif), ECodec);

  // Placeable WMF: a box of 1440 x 720 units at 1440 units per inch.
  std::string wmf("\xd7\xcd\xc6\x9a\0\0\0\0\0\0\xa0\x05\xd0\x02\xa0\x05\0\0\0\0\0\0", 22);
  h = ReadImageHeader(Bytes(wmf), iftWmf);
  ASSERT_TRUE(h.has_value());
  EXPECT_EQ(h->width, 96);
  EXPECT_EQ(h->height, 48);
  EXPECT_FALSE(CanDecode(iftWmf));
  EXPECT_THROW(DecodeImage(Bytes(wmf), iftWmf), ECodec);

  // EMF: the header record's device bounds, inclusive.
  std::string emf(88, '\0');
  const int32_t fields[] = {1, 88, 0, 0, 99, 49};
  std::memcpy(emf.data(), fields, sizeof fields);
  std::memcpy(emf.data() + 40, " EMF", 4);
  h = ReadImageHeader(Bytes(emf), iftEmf);
  ASSERT_TRUE(h.has_value());
  EXPECT_EQ(h->width, 100);
  EXPECT_EQ(h->height, 50);
  EXPECT_FALSE(CanDecode(iftEmf));
}

// A PNG named as JPEG is decoded as the PNG it is.
TEST(CodecsTest, ContentDecidesOverTheClaimedType) {
  test::TTempDir dir;
  const std::string png = MakeWithConvert(dir, test::Pattern(), "", "PNG24:a.png");
  EXPECT_EQ(MaxDifference(DecodeImage(Bytes(png), iftJpeg), test::Pattern()), 0);
  TImageHeader header;
  DecodeImage(Bytes(png), iftBmp, {}, &header);
  EXPECT_EQ(header.type, iftPng);
}

std::string PngWithSize(uint32_t width, uint32_t height) {
  std::string png("\x89PNG\r\n\x1a\n", 8);
  std::string ihdr("IHDR", 4);
  for (uint32_t v : {width, height})
    for (int s = 24; s >= 0; s -= 8) ihdr += char(v >> s & 255);
  ihdr += std::string("\x08\x02\0\0\0", 5);
  png += std::string("\0\0\0\x0d", 4) + ihdr;
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(ihdr.data()), ihdr.size());
  for (int s = 24; s >= 0; s -= 8) png += char(crc >> s & 255);
  png += std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12);
  return png;
}

// Decompression bombs: tiny files that claim huge pictures are refused with
// the codec error before any pixel memory is allocated (an allocation of
// 30 GB would end in bad_alloc or take long, not in ECodec).
TEST(CodecsTest, RefusesPicturesOverTheSizeLimit) {
  test::TTempDir dir;
  std::string jpeg = MakeWithConvert(dir, test::Pattern(), "", "JPEG:a.jpg");
  const size_t sof = jpeg.find("\xff\xc0");
  ASSERT_NE(sof, std::string::npos);
  jpeg[sof + 5] = jpeg[sof + 7] = char(0xFD);  // 65000 x 65000
  jpeg[sof + 6] = jpeg[sof + 8] = char(0xE8);
  std::string bmp(54, '\0');
  bmp[0] = 'B', bmp[1] = 'M', bmp[14] = 40, bmp[26] = 1, bmp[28] = 24;
  const int32_t side = 100000;
  std::memcpy(bmp.data() + 18, &side, 4);
  std::memcpy(bmp.data() + 22, &side, 4);
  const struct {
    std::string bytes;
    TImageFileType type;
  } bombs[] = {{PngWithSize(100000, 100000), iftPng},
               {jpeg, iftJpeg},
               {bmp, iftBmp},
               {"P6\n100000 100000\n255\n", iftPxm},
               {std::string("\0\0\x86\x8d\x20\x86\x8d\x20", 8), iftWbmp}};
  for (const auto& b : bombs) {
    SCOPED_TRACE(b.type);
    const auto start = std::chrono::steady_clock::now();
    try {
      DecodeImage(Bytes(b.bytes), b.type);
      ADD_FAILURE() << "decoded";
    } catch (const ECodec& e) {
      EXPECT_NE(std::string(e.what()).find("exceeds the size limit"), std::string::npos)
          << e.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  }
  // A PNG of 20000 x 20000 is over the limit by its area alone.
  EXPECT_THROW(DecodeImage(Bytes(PngWithSize(20000, 20000)), iftPng), ECodec);
}

// The limits are the caller's: a lower limit refuses a small picture.
TEST(CodecsTest, LimitsComeFromTheOptions) {
  test::TTempDir dir;
  const std::string png = MakeWithConvert(dir, test::Pattern(), "", "PNG24:a.png");
  TDecodeOptions options;
  options.max_pixels = 15 * 9;
  EXPECT_NO_THROW(DecodeImage(Bytes(png), iftPng, options));
  options.max_pixels = 15 * 9 - 1;
  EXPECT_THROW(DecodeImage(Bytes(png), iftPng, options), ECodec);
  options.max_pixels = kDefaultMaxPixels;
  options.max_side = 14;
  EXPECT_THROW(DecodeImage(Bytes(png), iftPng, options), ECodec);
}

// Damaged files: truncated, cut to their header, overwritten with noise or
// empty. Each gives the codec error or a picture, never a crash or another
// exception; the formats whose pixels fill the file refuse a file cut in half.
TEST(CodecsTest, DamagedFilesGiveTheCodecError) {
  test::TTempDir dir;
  for (const TDecodeCase& c : kDecodeCases) {
    SCOPED_TRACE(c.what);
    const TRaster source =
        c.black_white ? test::BlackWhite(15, 9) : test::Quadrants(60, 40, 30, 20);
    const std::string file = MakeWithConvert(dir, source, c.args, c.out);
    std::vector<std::string> damaged = {file.substr(0, file.size() / 2), file.substr(0, 20),
                                        file.substr(0, 3), ""};
    std::string noisy = file;
    for (size_t i = 10; i < noisy.size(); i += 7) noisy[i] = char(noisy[i] * 31 + 7);
    damaged.push_back(noisy);
    for (size_t i = 0; i < damaged.size(); ++i) {
      try {
        TRaster r = DecodeImage(Bytes(damaged[i]), c.type);
        EXPECT_FALSE(r.empty());
        // Formats whose pixels fill the file refuse half a file.
        const bool strict =
            c.type == iftBmp || c.type == iftPxm || c.type == iftWbmp || c.type == iftIco;
        if (i == 0 && strict) ADD_FAILURE() << "half a file decoded";
      } catch (const ECodec&) {
      }
      (void)ReadImageHeader(Bytes(damaged[i]), c.type);
    }
  }
}

// Errors name the file they are about.
TEST(CodecsTest, ErrorsNameTheFile) {
  test::TTempDir dir;
  const std::string path = dir.file("broken.png");
  test::WriteFile(path, "\x89PNG\r\n\x1a\n not really");
  try {
    LoadImageFile(path, iftPng);
    FAIL();
  } catch (const ECodec& e) {
    EXPECT_EQ(std::string(e.what()).rfind(path + ": PNG: ", 0), 0u) << e.what();
  }
  try {
    LoadImageFile(dir.file("missing.png"), iftPng);
    FAIL();
  } catch (const ECodec& e) {
    EXPECT_NE(std::string(e.what()).find("missing.png"), std::string::npos);
  }
  EXPECT_THROW(EncodeImage(TRaster(), iftPng), ECodec);
  EXPECT_THROW(EncodeImage(test::Pattern(), iftGif), ECodec);
}

}  // namespace
}  // namespace pictavo
