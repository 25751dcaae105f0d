// The image header reader against real files written by real encoders, and
// hand-made bytes where a rule shows better that way.
#include "pictures/image_info.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::TTempDir;

std::string U16BE(unsigned v) {
  return {char(v >> 8 & 0xFF), char(v & 0xFF)};
}
std::string U16LE(unsigned v) {
  return {char(v & 0xFF), char(v >> 8 & 0xFF)};
}
std::string U32LE(uint32_t v) {
  return U16LE(v & 0xFFFF) + U16LE(v >> 16);
}
std::string U32BE(uint32_t v) {
  return U16BE(v >> 16) + U16BE(v & 0xFFFF);
}

// Writes a 37 x 23 picture with ImageMagick; the extra arguments come before
// the output name (e.g. "-interlace Plane").
std::string Convert(const TTempDir& dir, const std::string& name, const std::string& extra = "",
                    const std::string& size = "37x23") {
  std::string out = dir.file(name);
  std::string cmd = "convert -size " + size + " gradient:red-blue " + extra + " '" + out + "'";
  EXPECT_EQ(test::RunCommand(cmd), 0) << cmd;
  return out;
}

TImageInfo Info(const std::string& path) {
  TImageInfo info;
  GetImageInfo(path, info);
  return info;
}

class ImageInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
  }
  TTempDir dir_;
};

TEST(ImageTypeFromExtTest, ExtensionDecidesInLowerCase) {
  struct {
    const char* name;
    TImageFileType type;
  } cases[] = {
      {"a.jpg", iftJpeg},    {"A.JPG", iftJpeg},
      {"x.Jpeg", iftJpeg},   {"x.jpe", iftJpeg},
      {"x.jps", iftJpeg},    {"x.tif", iftTiff},
      {"x.TIFF", iftTiff},   {"x.fax", iftTiff},
      {"x.gif", iftGif},     {"x.pcx", iftPcx},
      {"x.bmp", iftBmp},     {"x.dib", iftBmp},
      {"x.rle", iftBmp},     {"x.ico", iftIco},
      {"x.cur", iftCur},     {"x.png", iftPng},
      {"x.wmf", iftWmf},     {"x.emf", iftEmf},
      {"x.tga", iftTga},     {"x.targa", iftTga},
      {"x.icb", iftTga},     {"x.pix", iftTga},
      {"x.vda", iftTga},     {"x.vst", iftTga},
      {"x.win", iftTga},     {"x.pbm", iftPxm},
      {"x.pgm", iftPxm},     {"x.ppm", iftPxm},
      {"x.jp2", iftJp2},     {"x.j2k", iftJ2k},
      {"x.jpc", iftJ2k},     {"x.wbmp", iftWbmp},
      {"x.zip", iftUnknown}, {"x.pnm", iftUnknown},
      {"jpg", iftUnknown},   {"photo.", iftUnknown},
      {"a.b.png", iftPng},   {"/p/dir.jpg/file", iftUnknown},
      {"/p/.gif", iftGif},   {"x.png.bak", iftUnknown},
  };
  for (const auto& c : cases) EXPECT_EQ(ImageTypeFromExt(c.name), c.type) << c.name;
}

// Every format ImageMagick writes, read from its header; file type from the
// extension and the file size from the file system.
TEST_F(ImageInfoTest, RealFilesOfEveryWrittenFormat) {
  struct {
    const char* name;
    const char* extra;
    const char* prefix;  // ImageMagick's output format, when not the extension's
  } cases[] = {
      {"plain.tif", "", ""},
      {"big-endian.tiff", "-endian MSB", ""},
      {"bigtiff.tif", "", "TIFF64:"},
      {"strip.gif", "", ""},
      {"baseline.jpg", "", ""},
      {"progressive.jpg", "-interlace Plane", ""},
      {"paint.pcx", "", ""},
      {"v5.bmp", "", ""},
      {"v3.bmp", "", "BMP3:"},
      {"icon.ico", "", ""},
      {"pointer.cur", "", ""},
      {"web.png", "", ""},
      {"truevision.tga", "", ""},
      {"rle.tga", "-compress RLE", ""},
      {"grey.tga", "-colorspace Gray", ""},
      {"bitmap.pbm", "", ""},
      {"plain-bitmap.pbm", "-compress none", ""},
      {"grey.pgm", "", ""},
      {"colour.ppm", "", ""},
      {"plain-colour.ppm", "-compress none", ""},
      {"file.jp2", "", ""},
      {"stream.j2k", "", ""},
      {"stream.jpc", "", ""},
      {"wireless.wbmp", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir_.file(c.name);
    ASSERT_EQ(test::RunCommand("convert -size 37x23 gradient:red-blue " + std::string(c.extra) +
                               " '" + c.prefix + path + "'"),
              0);
    TImageInfo info = Info(path);
    EXPECT_TRUE(info.valid);
    EXPECT_EQ(info.file_type, ImageTypeFromExt(c.name));
    EXPECT_EQ(info.file_size, static_cast<int64_t>(test::ReadFile(path).size()));
    EXPECT_EQ(info.width, 37);
    EXPECT_EQ(info.height, 23);

    // The memory path reads the same.
    std::string bytes = test::ReadFile(path);
    TImageInfo from_memory;
    GetImageInfoFromBytes({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()},
                          info.file_type, from_memory);
    EXPECT_EQ(from_memory.valid, info.valid);
    EXPECT_EQ(from_memory.width, info.width);
    EXPECT_EQ(from_memory.height, info.height);
  }
}

// An OS/2 bitmap keeps 16-bit sizes at offsets 18 and 20. Named ".bmp" it is
// read at the fixed offsets 18 and 22 like every bitmap, which mixes the
// fields; under another name the content reader knows its header.
TEST_F(ImageInfoTest, Os2Bitmap) {
  std::string path = dir_.file("os2.bmp");
  ASSERT_EQ(test::RunCommand("convert -size 37x23 gradient:red-blue 'BMP2:" + path + "'"), 0);
  TImageInfo info = Info(path);
  EXPECT_TRUE(info.valid);
  EXPECT_EQ(info.width, 23 << 16 | 37);
  test::WriteFile(dir_.file("os2.pcx"), test::ReadFile(path));
  info = Info(dir_.file("os2.pcx"));
  EXPECT_TRUE(info.valid);
  EXPECT_EQ(info.width, 37);
  EXPECT_EQ(info.height, 23);
}

// The reader clears the whole record first.
TEST_F(ImageInfoTest, RecordIsClearedFirst) {
  TImageInfo info;
  info.valid = true;
  info.width = 5;
  info.reserved[3] = 9;
  info.reserved_text[2] = "x";
  GetImageInfo(dir_.file("missing.png"), info);
  EXPECT_FALSE(info.valid);
  EXPECT_EQ(info.file_type, iftPng);
  EXPECT_EQ(info.file_size, -1);
  EXPECT_EQ(info.width, 0);
  EXPECT_EQ(info.height, 0);
  EXPECT_EQ(info.reserved[3], 0);
  EXPECT_EQ(info.reserved_text[2], "");
}

TEST_F(ImageInfoTest, NamesAndSizesThatGiveNoDimensions) {
  std::string png = test::ReadFile(Convert(dir_, "real.png"));
  test::WriteFile(dir_.file("archive.zip"), "PK\3\4" + std::string(40, 'z'));
  test::WriteFile(dir_.file("nine.jpg"), std::string("\xFF\xD8\xFF\xC0\0\x11\x08\0\x17", 9));
  test::WriteFile(dir_.file("png-named.jpg"), png);
  std::string damaged = png;
  damaged[1] = 'Q';
  test::WriteFile(dir_.file("damaged-signature.png"), damaged);
  test::WriteFile(dir_.file("short.png"), png.substr(0, 32));
  test::WriteFile(dir_.file("short.bmp"), std::string(53, 'B'));
  ASSERT_EQ(mkdir(dir_.file("folder.jpg").c_str(), 0755), 0);
  struct {
    const char* name;
    TImageFileType type;
    int64_t size;
  } cases[] = {
      {"archive.zip", iftUnknown, 44},
      {"nine.jpg", iftJpeg, 9},
      {"png-named.jpg", iftJpeg, static_cast<int64_t>(png.size())},
      {"damaged-signature.png", iftPng, static_cast<int64_t>(png.size())},
      {"short.png", iftPng, 32},
      {"short.bmp", iftBmp, 53},
      {"missing.gif", iftGif, -1},
      {"folder.jpg", iftJpeg, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TImageInfo info = Info(dir_.file(c.name));
    EXPECT_FALSE(info.valid);
    EXPECT_EQ(info.file_type, c.type);
    EXPECT_EQ(info.file_size, c.size);
    EXPECT_EQ(info.width, 0);
    EXPECT_EQ(info.height, 0);
  }
}

TEST_F(ImageInfoTest, UpperCaseExtensionIsReadAsJpeg) {
  TImageInfo info = Info(Convert(dir_, "PHOTO.JPG"));
  EXPECT_TRUE(info.valid);
  EXPECT_EQ(info.file_type, iftJpeg);
  EXPECT_EQ(info.width, 37);
  EXPECT_EQ(info.height, 23);
}

// The pack's formats are told by their content, not their names.
TEST_F(ImageInfoTest, OtherTypesAreDetectedByContent) {
  std::string tif = test::ReadFile(Convert(dir_, "real.tif"));
  std::string png = test::ReadFile(Convert(dir_, "real.png"));
  std::string pcx = test::ReadFile(Convert(dir_, "real.pcx"));
  test::WriteFile(dir_.file("tiff-named.pcx"), tif);
  test::WriteFile(dir_.file("png-named.tga"), png);
  test::WriteFile(dir_.file("pcx-named.ppm"), pcx);
  struct {
    const char* name;
    TImageFileType content;
  } cases[] = {{"tiff-named.pcx", iftTiff}, {"png-named.tga", iftPng}, {"pcx-named.ppm", iftPcx}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TImageInfo info = Info(dir_.file(c.name));
    EXPECT_TRUE(info.valid);
    EXPECT_EQ(info.file_type, ImageTypeFromExt(c.name));  // still from the name
    EXPECT_EQ(info.width, 37);
    EXPECT_EQ(info.height, 23);
    TFileByteSource source(dir_.file(c.name));
    EXPECT_EQ(ReadImageParameters(source).format, c.content);
  }
}

TEST_F(ImageInfoTest, BottomUpAndTopDownBitmaps) {
  std::string bmp = test::ReadFile(Convert(dir_, "bottom-up.bmp"));
  TImageInfo info = Info(dir_.file("bottom-up.bmp"));
  EXPECT_EQ(info.height, 23);
  // Turn the height negative: a top-down bitmap passes it on as it is.
  std::string top_down = bmp.substr(0, 22) + U32LE(static_cast<uint32_t>(-23)) + bmp.substr(26);
  test::WriteFile(dir_.file("top-down.bmp"), top_down);
  info = Info(dir_.file("top-down.bmp"));
  EXPECT_TRUE(info.valid);
  EXPECT_EQ(info.width, 37);
  EXPECT_EQ(info.height, -23);
}

// ---- GIF ----

std::string GifHeader(unsigned screen_w, unsigned screen_h, bool colour_table) {
  std::string g = "GIF89a" + U16LE(screen_w) + U16LE(screen_h);
  g += colour_table ? '\xF1' : '\0';  // global table of 4 entries
  g += std::string("\0\0", 2);
  if (colour_table) g += std::string(12, '\x7F');
  return g;
}

std::string GifImage(unsigned left, unsigned top, unsigned w, unsigned h) {
  return "\x2C" + U16LE(left) + U16LE(top) + U16LE(w) + U16LE(h) +
         std::string("\0\x02\x02\x4C\x01\0;", 7);
}

TEST(ImageInfoGifTest, FirstImageAfterExtensionsGivesTheSize) {
  std::string gce = std::string("\x21\xF9\x04\x01\x0A\0\x05\0", 8);
  std::string comment =
      "\x21\xFE\x05hello\x03"
      "abc" +
      std::string(1, '\0');
  std::string application = "\x21\xFF\x0BNETSCAPE2.0\x03\x01" + std::string("\0\0\0", 3);
  struct {
    const char* what;
    std::string bytes;
    bool valid;
    int32_t w, h;
  } cases[] = {
      {"plain", GifHeader(60, 40, true) + GifImage(0, 0, 60, 40), true, 60, 40},
      {"first image smaller than the screen",
       GifHeader(600, 400, true) + GifImage(10, 20, 31, 17) + GifImage(0, 0, 600, 400), true, 31,
       17},
      {"no colour table", GifHeader(60, 40, false) + GifImage(0, 0, 7, 9), true, 7, 9},
      {"extensions before the image",
       GifHeader(60, 40, true) + application + comment + gce + GifImage(3, 3, 50, 30), true, 50,
       30},
      {"trailer before any image", GifHeader(60, 40, true) + comment + ";" + std::string(20, 0),
       false, 0, 0},
      {"cut inside the image descriptor",
       GifHeader(60, 40, true) + gce + std::string("\x2C\0\0\0\0\x05", 6), false, 0, 0},
      {"cut inside an extension", GifHeader(60, 40, true) + "\x21\xFE\x30" + std::string(10, 'c'),
       false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TImageInfo info;
    GetImageInfoFromBytes({reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()},
                          iftGif, info);
    EXPECT_EQ(info.valid, c.valid);
    EXPECT_EQ(info.width, c.w);
    EXPECT_EQ(info.height, c.h);
  }
}

// ---- JPEG ----

std::string Segment(uint8_t code, const std::string& body) {
  return std::string("\xFF", 1) + char(code) + U16BE(unsigned(body.size() + 2)) + body;
}

std::string InsertAfterSoi(const std::string& jpeg, const std::string& segments) {
  return jpeg.substr(0, 2) + segments + jpeg.substr(2);
}

std::string ExifApp1(unsigned orientation, bool little_endian) {
  auto u16 = little_endian ? U16LE : U16BE;
  auto u32 = little_endian ? U32LE : U32BE;
  std::string tiff = little_endian ? std::string("II*\0", 4) : std::string("MM\0*", 4);
  tiff += u32(8) + u16(2);
  tiff += u16(0x010F) + u16(2) + u32(4) + std::string("Cam", 4);  // make: an ASCII entry
  tiff += u16(0x0112) + u16(3) + u32(1) + u16(orientation) + u16(0);
  tiff += u32(0);
  return Segment(0xE1, std::string("Exif\0\0", 6) + tiff);
}

// Counts the bytes a reader takes from memory.
class TCountingSource : public TMemoryByteSource {
 public:
  using TMemoryByteSource::TMemoryByteSource;
  size_t ReadAt(int64_t offset, uint8_t* buffer, size_t count) override {
    size_t n = TMemoryByteSource::ReadAt(offset, buffer, count);
    bytes_read += n;
    return n;
  }
  size_t bytes_read = 0;
};

TImageInfo JpegInfo(const std::string& bytes, size_t* bytes_read = nullptr) {
  TCountingSource source({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
  TImageInfo info;
  info.file_type = iftJpeg;
  info.file_size = static_cast<int64_t>(bytes.size());
  ReadImageDimensions(source, info);
  if (bytes_read) *bytes_read = source.bytes_read;
  return info;
}

TEST_F(ImageInfoTest, JpegSegmentsBeforeTheFrameAreSkippedNotRead) {
  std::string jpeg = test::ReadFile(Convert(dir_, "base.jpg"));
  std::string big = InsertAfterSoi(jpeg, Segment(0xE1, "Exif" + std::string(19994, 'x')));
  ASSERT_GT(big.size(), 20000u);
  size_t read = 0;
  TImageInfo info = JpegInfo(big, &read);
  EXPECT_TRUE(info.valid);
  EXPECT_EQ(info.width, 37);
  EXPECT_EQ(info.height, 23);
  EXPECT_LT(read, 10000u) << "the 20,000-byte segment was read instead of skipped";
}

TEST_F(ImageInfoTest, JpegMarkerWalk) {
  std::string jpeg = test::ReadFile(Convert(dir_, "walk.jpg"));
  std::string sof = Segment(0xC0, std::string("\x08\0\x17\0\x25\x01\x01\x11\0", 9));
  std::string soi = "\xFF\xD8";
  std::string app0 = Segment(0xE0, std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
  struct {
    const char* what;
    std::string bytes;
    bool valid;
    int32_t w, h;
  } cases[] = {
      {"fill bytes before a marker", soi + "\xFF\xFF\xFF" + app0.substr(1) + sof, true, 37, 23},
      {"restart marker without length is walked like any other", soi + "\xFF\xD0" + U16BE(2) + sof,
       true, 37, 23},
      {"segment length below 2 skips nothing", soi + "\xFF\xFE" + U16BE(1) + sof, true, 37, 23},
      {"every frame marker",
       soi + app0 + Segment(0xCB, std::string("\x08\0\x10\0\x20\x01\x01\x11\0", 9)), true, 32, 16},
      {"0xC4 is no frame", soi + Segment(0xC4, std::string("\x08\0\x10\0\x20\x01", 6)) + sof, true,
       37, 23},
      {"0xC8 and 0xCC are no frames",
       soi + Segment(0xC8, "12345678") + Segment(0xCC, "abcdefgh") + sof, true, 37, 23},
      {"start of scan before the frame",
       soi + app0 + Segment(0xDA, std::string("\x01\x01\0\0\x3F\0", 6)) + sof, false, 0, 0},
      {"end of image before the frame", soi + "\xFF\xD9" + sof, false, 0, 0},
      {"no start of image", app0 + sof + sof, false, 0, 0},
      {"cut inside the frame header", soi + app0 + sof.substr(0, 8), false, 0, 0},
      {"segment longer than the file", soi + app0 + "\xFF\xE2\xFF\xFF" + sof, false, 0, 0},
      {"real progressive file", test::ReadFile(Convert(dir_, "p.jpg", "-interlace Plane", "64x48")),
       true, 64, 48},
      {"real file", jpeg, true, 37, 23},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TImageInfo info = JpegInfo(c.bytes);
    EXPECT_EQ(info.valid, c.valid);
    EXPECT_EQ(info.width, c.w);
    EXPECT_EQ(info.height, c.h);
  }
}

// A JPEG shown turned by 90 degrees reports the size it is shown at.
TEST_F(ImageInfoTest, ExifOrientationTurnsTheReportedSize) {
  std::string jpeg = test::ReadFile(Convert(dir_, "camera.jpg"));
  for (bool le : {true, false}) {
    for (unsigned orientation = 0; orientation <= 9; ++orientation) {
      SCOPED_TRACE((le ? "II " : "MM ") + std::to_string(orientation));
      bool turned = orientation >= 5 && orientation <= 8;
      TImageInfo info = JpegInfo(InsertAfterSoi(jpeg, ExifApp1(orientation, le)));
      EXPECT_TRUE(info.valid);
      EXPECT_EQ(info.width, turned ? 23 : 37);
      EXPECT_EQ(info.height, turned ? 37 : 23);
    }
  }
  // Only the first EXIF segment counts; an XMP segment before it does not.
  std::string xmp = Segment(0xE1, "http://ns.adobe.com/xap/1.0/" + std::string(1, '\0') + "<x/>");
  TImageInfo info = JpegInfo(InsertAfterSoi(jpeg, xmp + ExifApp1(6, true) + ExifApp1(1, true)));
  EXPECT_EQ(info.width, 23);
  info = JpegInfo(InsertAfterSoi(jpeg, ExifApp1(1, true) + ExifApp1(6, true)));
  EXPECT_EQ(info.width, 37);
  // A scan before the frame still gives no size.
  info = JpegInfo(InsertAfterSoi(jpeg, Segment(0xDA, "x") + ExifApp1(6, true)));
  EXPECT_FALSE(info.valid);
  // A directory that points out of its segment is not followed there.
  std::string outside = Segment(0xE1, std::string("Exif\0\0II*\0", 10) + U32LE(12)) +
                        Segment(0xFE, U16LE(1) + U16LE(0x0112) + U16LE(3) + U32LE(1) + U16LE(6) +
                                          U16LE(0) + U32LE(0));
  info = JpegInfo(InsertAfterSoi(jpeg, outside));
  EXPECT_TRUE(info.valid);
  EXPECT_EQ(info.width, 37);
  // The same through a file, with a real EXIF block when exiftool is there.
  std::string path = dir_.file("turned.jpg");
  test::WriteFile(path, InsertAfterSoi(jpeg, ExifApp1(8, false)));
  info = Info(path);
  EXPECT_EQ(info.width, 23);
  EXPECT_EQ(info.height, 37);
  if (test::HaveProgram("exiftool")) {
    std::string tool = dir_.file("tool.jpg");
    test::WriteFile(tool, jpeg);
    ASSERT_EQ(test::RunCommand("exiftool -q -overwrite_original -Orientation#=6 '" + tool + "'"),
              0);
    info = Info(tool);
    EXPECT_EQ(info.width, 23);
    EXPECT_EQ(info.height, 37);
  }
}

// ---- Formats read by content ----

TImageInfo BytesInfo(const std::string& bytes, TImageFileType type) {
  TImageInfo info;
  GetImageInfoFromBytes({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, type, info);
  return info;
}

std::string WmfPlaceable(int left, int top, int right, int bottom, unsigned inch) {
  std::string h = "\xD7\xCD\xC6\x9A" + U16LE(0) + U16LE(unsigned(left) & 0xFFFF) +
                  U16LE(unsigned(top) & 0xFFFF) + U16LE(unsigned(right) & 0xFFFF) +
                  U16LE(unsigned(bottom) & 0xFFFF) + U16LE(inch) + U32LE(0);
  uint16_t sum = 0;
  for (size_t i = 0; i < h.size(); i += 2) sum ^= uint16_t(uint8_t(h[i]) | uint8_t(h[i + 1]) << 8);
  h += U16LE(sum);
  // The standard metafile header and an end-of-file record.
  h += U16LE(1) + U16LE(9) + U16LE(0x300) + U32LE(12) + U16LE(0) + U32LE(3) + U16LE(0);
  return h + U32LE(3) + U16LE(0);
}

std::string EmfHeader(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  std::string h = U32LE(1) + U32LE(88);
  for (int32_t v : {left, top, right, bottom}) h += U32LE(uint32_t(v));
  for (int32_t v : {0, 0, 2000, 1000}) h += U32LE(uint32_t(v));  // frame, 0.01 mm
  h += " EMF" + U32LE(0x10000) + U32LE(88 + 20) + U32LE(2) + U16LE(0) + U16LE(0);
  h += U32LE(0) + U32LE(0) + U32LE(0) + U32LE(1920) + U32LE(1080) + U32LE(508) + U32LE(286);
  h.resize(88, '\0');
  return h + U32LE(14) + U32LE(20) + U32LE(0) + U32LE(16) + U32LE(20);  // end-of-file record
}

TEST(ImageInfoContentTest, HandMadeHeaders) {
  std::string tga = std::string("\0\0\x02", 3) + std::string(9, '\0') + U16LE(4) + U16LE(3) +
                    "\x18\x20" + std::string(4 * 3 * 3, '\x40');
  std::string pixels(64, '\0');
  struct {
    const char* what;
    std::string bytes;
    TImageFileType type;
    bool valid;
    int32_t w, h;
  } cases[] = {
      {"placeable WMF, 1440 units an inch", WmfPlaceable(0, 0, 1440, 720, 1440), iftWmf, true, 96,
       48},
      {"placeable WMF, box given right to left", WmfPlaceable(2540, 0, 0, -1270, 2540), iftWmf,
       true, 96, 48},
      {"placeable WMF without units", WmfPlaceable(0, 0, 100, 100, 0), iftWmf, false, 0, 0},
      {"EMF bounds, inclusive", EmfHeader(10, 20, 109, 69), iftEmf, true, 100, 50},
      {"EMF with empty bounds", EmfHeader(0, 0, -1, -1), iftEmf, false, 0, 0},
      {"EMF cut short", EmfHeader(0, 0, 9, 9).substr(0, 60), iftEmf, false, 0, 0},
      {"PPM with comments", "P6\n# made by hand\n37 # width\n#height next\n23\n255\n" + pixels,
       iftPxm, true, 37, 23},
      {"PBM plain, one line", "P1 3 2 0 1 0 1 0 1", iftPxm, true, 3, 2},
      {"PGM with CR LF", "P5\r\n12\r\n7\r\n255\r\n" + pixels, iftPxm, true, 12, 7},
      {"PNM without a separator", "P612 7\n255\n" + pixels, iftPxm, false, 0, 0},
      {"PNM with a letter in the width", "P6 12x 7\n255\n" + pixels, iftPxm, false, 0, 0},
      {"PNM width too long", "P6 123456789012 7\n255\n" + pixels, iftPxm, false, 0, 0},
      {"PNM height zero", "P6 12 0\n255\n" + pixels, iftPxm, false, 0, 0},
      {"J2K size marker less its offset",
       "\xFF\x4F\xFF\x51" + U16BE(41) + U16BE(0) + U32BE(140) + U32BE(90) + U32BE(40) + U32BE(10) +
           std::string(20, '\0'),
       iftJ2k, true, 100, 80},
      {"J2K offset past the area",
       "\xFF\x4F\xFF\x51" + U16BE(41) + U16BE(0) + U32BE(10) + U32BE(90) + U32BE(40) + U32BE(10),
       iftJ2k, false, 0, 0},
      {"WBMP", std::string("\0\0\x81\x04\x03", 5) + std::string(17 * 3, '\xFF'), iftWbmp, true, 132,
       3},
      {"WBMP with bytes missing", std::string("\0\0\x81\x04\x03", 5) + std::string(17 * 2, '\xFF'),
       iftWbmp, false, 0, 0},
      {"TGA true colour", tga, iftTga, true, 4, 3},
      {"TGA with a pixel depth of 7", tga.substr(0, 16) + "\x07" + tga.substr(17), iftTga, false, 0,
       0},
      {"TGA of image type 4", tga.substr(0, 2) + "\x04" + tga.substr(3), iftTga, false, 0, 0},
      {"TGA cut short", tga.substr(0, 40), iftTga, false, 0, 0},
      {"text named .tga", "just some words, nothing more", iftTga, false, 0, 0},
      {"zeros named .tga", std::string(100, '\0'), iftTga, false, 0, 0},
      {"text named .jp2", std::string("\0\0\0\x0CjP  \r\n\x87\n but no boxes", 26), iftJp2, false,
       0, 0},
      {"ICO with no entries", std::string("\0\0\x01\0\0\0", 6) + std::string(30, '\0'), iftIco,
       false, 0, 0},
      {"ICO entry of 256 pixels",
       std::string("\0\0\x01\0\x01\0\0\0\0\0\x01\0\x20\0", 14) + U32LE(40) + U32LE(22) +
           std::string(40, '\0'),
       iftIco, true, 256, 256},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TImageInfo info = BytesInfo(c.bytes, c.type);
    EXPECT_EQ(info.valid, c.valid);
    EXPECT_EQ(info.width, c.w);
    EXPECT_EQ(info.height, c.h);
  }
}

// JP2 boxes: the header box may come after other boxes, lengths of 0 and 1.
TEST(ImageInfoContentTest, Jp2Boxes) {
  std::string sig("\0\0\0\x0CjP  \r\n\x87\n", 12);
  std::string ftyp = U32BE(20) + "ftypjp2 " + U32BE(0) + "jp2 ";
  std::string ihdr =
      U32BE(22) + "ihdr" + U32BE(90) + U32BE(160) + U16BE(3) + std::string("\x07\x07\0\0", 4);
  std::string colr = U32BE(15) + std::string("colr\x01\0\0\0\0\0\x10", 11);
  std::string jp2h = U32BE(8 + 15 + 22) + "jp2h" + colr + ihdr;
  std::string xml = U32BE(1) + "xml " + std::string(4, '\0') + U32BE(20) + "<a/>";
  std::string code = U32BE(0) + "jp2c" + std::string(30, 'c');
  TImageInfo info = BytesInfo(sig + ftyp + xml + jp2h + code, iftJp2);
  EXPECT_TRUE(info.valid);
  EXPECT_EQ(info.width, 160);
  EXPECT_EQ(info.height, 90);
  info = BytesInfo(sig + xml + jp2h + code, iftJp2);  // no file type box
  EXPECT_FALSE(info.valid);
  info = BytesInfo(sig + ftyp + code + jp2h, iftJp2);  // header inside the open-ended box
  EXPECT_FALSE(info.valid);
  info = BytesInfo(sig + ftyp + U32BE(4) + "bad!" + jp2h, iftJp2);  // length below its header
  EXPECT_FALSE(info.valid);
}

// TIFF by hand: both byte orders, SHORT and LONG sizes.
TEST(ImageInfoContentTest, TiffFirstDirectory) {
  auto tiff = [](bool le, uint16_t width_type) {
    auto u16 = le ? U16LE : U16BE;
    auto u32 = le ? U32LE : U32BE;
    std::string t = le ? std::string("II*\0", 4) : std::string("MM\0*", 4);
    t += u32(16) + std::string(8, 'p');  // pixels before the directory
    t += u16(3);
    t += u16(256) + u16(width_type) + u32(1) + (width_type == 3 ? u16(300) + u16(0) : u32(70000));
    t += u16(257) + u16(3) + u32(1) + u16(200) + u16(0);
    t += u16(258) + u16(3) + u32(3) + u32(60);  // bits per sample: 3 values
    return t + u32(0);
  };
  for (bool le : {true, false}) {
    TImageInfo info = BytesInfo(tiff(le, 3), iftTiff);
    EXPECT_TRUE(info.valid);
    EXPECT_EQ(info.width, 300);
    EXPECT_EQ(info.height, 200);
    info = BytesInfo(tiff(le, 4), iftTiff);
    EXPECT_EQ(info.width, 70000);
    info = BytesInfo(tiff(le, 3).substr(0, 30), iftTiff);  // directory cut off
    EXPECT_FALSE(info.valid);
  }
}

TEST_F(ImageInfoTest, SpecialFilesAreNeverOpened) {
  std::string fifo = dir_.file("pipe.jpg");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  TImageInfo info = Info(fifo);  // would wait for a writer if it were opened
  EXPECT_FALSE(info.valid);
  EXPECT_EQ(info.file_size, 0);
}

// A GIF, JPEG, BMP or PNG file that exists but cannot be opened is an error
// naming the file; for the other types it only leaves the size unread.
// Checked in a child process that runs as nobody, since root opens every file.
TEST_F(ImageInfoTest, UnreadableFile) {
  std::string jpg = Convert(dir_, "locked.jpg");
  std::string tif = Convert(dir_, "locked.tif");
  ASSERT_EQ(chmod(jpg.c_str(), 0), 0);
  ASSERT_EQ(chmod(tif.c_str(), 0), 0);
  ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
      _exit(10);
    try {
      TImageInfo info;
      GetImageInfo(jpg, info);
      _exit(11);  // no error
    } catch (const EPictavo& e) {
      if (std::string(e.what()).find("\"" + jpg + "\"") == std::string::npos) _exit(12);
    }
    TImageInfo info;
    GetImageInfo(tif, info);
    _exit(!info.valid && info.file_size > 0 && info.file_type == iftTiff ? 0 : 13);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "10: cannot become nobody, 11: no error, "
                                       "12: message without the file name, 13: TIFF record";
}

}  // namespace
}  // namespace pictavo
