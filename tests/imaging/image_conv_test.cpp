// The image converter on real files: sizes, names, overwrite rules, the
// lossless path, the EXIF policy, orientation and the error reports.
#include "imaging/image_conv.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>

#include "imaging/exif.h"
#include "imaging_fixture.h"
#include "pixel_helpers.h"
#include "platform/file_system.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::DetailRaster;
using test::HalvesRaster;
using test::ReadFile;
using test::ReadPicture;
using test::SetExif;
using test::TTempDir;
using test::WriteFile;
using test::WritePicture;

const TRgb kRed{255, 0, 0};
const TRgb kBlue{0, 0, 255};

class ImageConvTest : public ::testing::Test {
 protected:
  ImageConvTest() {
    conv_.OnError = [this](const std::string& message, bool&) { errors_.push_back(message); };
  }
  TTempDir dir_;
  TJwImageConv conv_;
  std::vector<std::string> errors_;
};

TEST_F(ImageConvTest, BestFitThumbnailKeepsWebFormats) {
  WritePicture(dir_.file("wide.jpg"), DetailRaster(600, 400));
  WritePicture(dir_.file("small.png"), DetailRaster(100, 50));
  WritePicture(dir_.file("pic.bmp"), DetailRaster(90, 60));
  conv_.OutputFormat = kOutputWebOrJpeg;
  conv_.SubName = "tn_";
  conv_.MaxWidth = conv_.MaxHeight = 150;
  struct Case {
    const char* source;
    const char* dest;
    int w, h;
  } cases[] = {{"wide.jpg", "tn_wide.jpg", 150, 100},
               {"small.png", "tn_small.png", 150, 75},
               {"pic.bmp", "tn_pic.jpg", 150, 100}};
  for (const Case& c : cases) {
    std::string dest = conv_.ConvertFile(dir_.file(c.source), 0);
    ASSERT_EQ(dest, dir_.file(c.dest));
    TRaster out = ReadPicture(dest);
    EXPECT_EQ(out.width, c.w) << c.source;
    EXPECT_EQ(out.height, c.h) << c.source;
  }
  EXPECT_TRUE(errors_.empty());
  EXPECT_EQ(conv_.SourceWidth(), 90);
  EXPECT_EQ(conv_.SourceType(), iftBmp);
}

TEST_F(ImageConvTest, SmartFilterChoice) {
  EXPECT_EQ(conv_.EffectiveFilter(iftJpeg, 200 * 1024), TResampleFilter::Mitchell);
  EXPECT_EQ(conv_.EffectiveFilter(iftJpeg, 2 * 1024 * 1024), TResampleFilter::Lanczos3);
  EXPECT_EQ(conv_.EffectiveFilter(iftPng, 1000), TResampleFilter::Lanczos3);
  conv_.SetImageRotate(45);
  EXPECT_EQ(conv_.EffectiveFilter(iftJpeg, 1000), TResampleFilter::Lanczos3);
  conv_.SmartResample = false;
  conv_.ImageResampleFilter = TResampleFilter::Bicubic;
  EXPECT_EQ(conv_.EffectiveFilter(iftJpeg, 1000), TResampleFilter::Bicubic);
}

TEST_F(ImageConvTest, PropertiesIgnoreValuesOutOfRange) {
  conv_.SetJpgQuality(0);
  conv_.SetJpgQuality(101);
  conv_.SetImageBrightness(-101);
  conv_.SetImageRotate(400);
  EXPECT_EQ(conv_.JpgQuality(), 80);
  EXPECT_EQ(conv_.ImageBrightness(), 0);
  EXPECT_EQ(conv_.ImageRotate(), 0);
  conv_.SetDestFolder("/abs/out");
  EXPECT_EQ(conv_.ResolvedDestFolder(), "/abs/out");
  conv_.SetDestFolder("rel");
  EXPECT_EQ(conv_.ResolvedDestFolder(), "");
}

TEST_F(ImageConvTest, OverwriteOffReusesAnExistingDestination) {
  WritePicture(dir_.file("a.jpg"), DetailRaster(400, 300));
  WriteFile(dir_.file("tn_a.jpg"), "old thumbnail");
  conv_.SubName = "tn_";
  conv_.MaxWidth = conv_.MaxHeight = 150;
  conv_.Overwrite = false;
  EXPECT_EQ(conv_.ConvertFile(dir_.file("a.jpg"), 0), dir_.file("tn_a.jpg"));
  EXPECT_EQ(ReadFile(dir_.file("tn_a.jpg")), "old thumbnail");
  // The destination is the source itself: nothing is written either.
  conv_.SubName.clear();
  std::string before = ReadFile(dir_.file("a.jpg"));
  EXPECT_EQ(conv_.ConvertFile(dir_.file("a.jpg"), 0), dir_.file("a.jpg"));
  EXPECT_EQ(ReadFile(dir_.file("a.jpg")), before);
  // Overwrite on replaces it.
  conv_.Overwrite = true;
  conv_.SubName = "tn_";
  EXPECT_EQ(conv_.ConvertFile(dir_.file("a.jpg"), 0), dir_.file("tn_a.jpg"));
  EXPECT_EQ(ReadPicture(dir_.file("tn_a.jpg")).width, 150);
}

TEST_F(ImageConvTest, NamesAreUniqueWithinABatch) {
  WritePicture(dir_.file("a.png"), DetailRaster(200, 100));
  WritePicture(dir_.file("a.bmp"), DetailRaster(100, 200));
  conv_.OutputFormat = kOutputJpeg;
  conv_.SubName = "tn_";
  conv_.MaxWidth = conv_.MaxHeight = 150;
  std::vector<std::string> produced;
  EXPECT_EQ(conv_.ConvertFile(dir_.file("a.png"), 1, &produced), dir_.file("tn_a.jpg"));
  EXPECT_EQ(conv_.ConvertFile(dir_.file("a.bmp"), 2, &produced), dir_.file("tn_a1.jpg"));
  EXPECT_EQ(ReadPicture(dir_.file("tn_a.jpg")).width, 150);
  EXPECT_EQ(ReadPicture(dir_.file("tn_a1.jpg")).height, 150);
  EXPECT_EQ(produced.size(), 2u);
}

TEST_F(ImageConvTest, LosslessRotationRoundsAndCopiesOrTurns) {
  WritePicture(dir_.file("a.jpg"), HalvesRaster(320, 240, kRed, kBlue));
  conv_.JpgLossless = true;
  conv_.SubName = "_t";
  conv_.SetImageRotate(45);
  std::string dest = conv_.ConvertFile(dir_.file("a.jpg"), 0);
  EXPECT_EQ(conv_.ImageRotate(), 0);
  EXPECT_EQ(ReadFile(dest), ReadFile(dir_.file("a.jpg")));

  conv_.SetImageRotate(-270);  // the same as 90: a quarter turn clockwise
  std::filesystem::remove(dest);
  dest = conv_.ConvertFile(dir_.file("a.jpg"), 0);
  TRaster out = ReadPicture(dest);
  EXPECT_EQ(out.width, 240);
  EXPECT_EQ(out.height, 320);
  EXPECT_TRUE(test::Near(out.at(120, 10), kRed));  // the left half went to the top
  EXPECT_TRUE(test::Near(out.at(120, 310), kBlue));
}

TEST_F(ImageConvTest, OrientationSixComesOutTurnedWithOrientationOne) {
  if (!test::HaveProgram("exiftool")) GTEST_SKIP() << "exiftool missing";
  // Stored sideways as a camera does: the left half is the top of the scene.
  WritePicture(dir_.file("cam.jpg"), HalvesRaster(640, 480, kRed, kBlue));
  SetExif(dir_.file("cam.jpg"), "-Orientation#=6 -Make=TestCam");
  conv_.SubName = "_web";
  conv_.MaxWidth = conv_.MaxHeight = 400;
  conv_.SaveExif = seTrue;
  std::string dest = conv_.ConvertFile(dir_.file("cam.jpg"), 0);
  TRaster out = ReadPicture(dest);
  EXPECT_EQ(out.width, 300);
  EXPECT_EQ(out.height, 400);
  EXPECT_TRUE(test::Near(out.at(150, 20), kRed));
  EXPECT_TRUE(test::Near(out.at(150, 380), kBlue));
  EXPECT_EQ(test::ExifTag(dest, "Orientation"), "1");
  EXPECT_EQ(test::ExifTag(dest, "Make"), "TestCam");

  // The lossless path turns it too and says 1 afterwards.
  conv_.JpgLossless = true;
  conv_.SubName = "_ll";
  dest = conv_.ConvertFile(dir_.file("cam.jpg"), 0);
  out = ReadPicture(dest);
  EXPECT_EQ(out.width, 480);
  EXPECT_EQ(out.height, 640);
  EXPECT_TRUE(test::Near(out.at(240, 20), kRed));
  EXPECT_EQ(test::ExifTag(dest, "Orientation"), "1");
  EXPECT_TRUE(errors_.empty());
}

TEST_F(ImageConvTest, ExifPolicy) {
  if (!test::HaveProgram("exiftool")) GTEST_SKIP() << "exiftool missing";
  WritePicture(dir_.file("e.jpg"), DetailRaster(800, 600));
  SetExif(dir_.file("e.jpg"), "-Make=TestCam -FNumber=2.8");
  struct Case {
    TSaveExif policy;
    int max;
    bool kept;
  } cases[] = {{seNotThumbnails, 400, true},
               {seNotThumbnails, 300, false},
               {seFalse, 400, false},
               {seTrue, 150, true}};
  int n = 0;
  for (const Case& c : cases) {
    conv_.SaveExif = c.policy;
    conv_.MaxWidth = conv_.MaxHeight = c.max;
    conv_.SubName = "_" + std::to_string(++n);
    std::string dest = conv_.ConvertFile(dir_.file("e.jpg"), 0);
    ASSERT_FALSE(dest.empty());
    TExifInfo exif = ReadExifFile(dest);
    EXPECT_EQ(exif.present, c.kept) << n;
    if (c.kept) {
      EXPECT_DOUBLE_EQ(exif.f_number, 2.8);
    }
  }
}

TEST_F(ImageConvTest, AdjustmentsAndRotationRunInTheChain) {
  WritePicture(dir_.file("p.png"), HalvesRaster(300, 200, kRed, kBlue));
  conv_.SubName = "_r";
  conv_.MaxWidth = conv_.MaxHeight = 150;
  conv_.SetImageRotate(90);
  TRaster out = ReadPicture(conv_.ConvertFile(dir_.file("p.png"), 0));
  EXPECT_EQ(out.width, 100);
  EXPECT_EQ(out.height, 150);
  EXPECT_TRUE(test::Near(out.at(50, 5), kRed, 10));

  conv_.SetImageRotate(0);
  conv_.SetImageBrightness(100);
  conv_.SubName = "_b";
  out = ReadPicture(conv_.ConvertFile(dir_.file("p.png"), 0));
  EXPECT_EQ(out.at(10, 10), (TRgb{255, 255, 255}));
}

TEST_F(ImageConvTest, BadSourcesAreReportedWithoutACrash) {
  WritePicture(dir_.file("good.jpg"), DetailRaster(400, 300));
  std::string good = ReadFile(dir_.file("good.jpg"));
  WriteFile(dir_.file("truncated.jpg"), good.substr(0, 300));
  WriteFile(dir_.file("noise.png"), std::string(5000, '\x5A'));
  WriteFile(dir_.file("anim.gif"), "GIF89a....");
  WriteFile(dir_.file("notes.txt"), "text");
  WriteFile(dir_.file("empty.bmp"), "");
  WriteFile(dir_.file("drawing.wmf"), std::string(200, '\0'));
  conv_.SubName = "tn_";
  conv_.MaxWidth = conv_.MaxHeight = 150;
  struct Case {
    const char* name;
    const char* suffix;
  } cases[] = {{"truncated.jpg", kFileCorrupted},     {"noise.png", kFileCorrupted},
               {"empty.bmp", kFileCorrupted},         {"drawing.wmf", kFileCorrupted},
               {"anim.gif", kFileFormatNotSupported}, {"notes.txt", kFileFormatNotSupported}};
  for (const Case& c : cases) {
    errors_.clear();
    EXPECT_EQ(conv_.ConvertFile(dir_.file(c.name), 0), "") << c.name;
    ASSERT_EQ(errors_.size(), 1u) << c.name;
    EXPECT_EQ(errors_[0], dir_.file(c.name) + c.suffix);
  }
  // A missing source gives nothing and no report.
  errors_.clear();
  EXPECT_EQ(conv_.ConvertFile(dir_.file("missing.jpg"), 0), "");
  EXPECT_TRUE(errors_.empty());
  // A PNG named ".jpg" is converted as what it is.
  WritePicture(dir_.file("misnamed.png"), DetailRaster(300, 150));
  std::filesystem::rename(dir_.file("misnamed.png"), dir_.file("misnamed.jpg"));
  EXPECT_EQ(ReadPicture(conv_.ConvertFile(dir_.file("misnamed.jpg"), 0)).width, 150);
}

TEST_F(ImageConvTest, UnreadableSourceIsReported) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  WritePicture(dir_.file("locked.jpg"), DetailRaster(200, 100));
  chmod(dir_.file("locked.jpg").c_str(), 0);
  conv_.SubName = "tn_";
  EXPECT_EQ(conv_.ConvertFile(dir_.file("locked.jpg"), 0), "");
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], dir_.file("locked.jpg") + kFileCorrupted);
}

// A PNG whose header claims 60000 x 60000 pixels: refused before any pixel
// memory is taken.
TEST_F(ImageConvTest, DecompressionBombIsRefusedAsCorrupt) {
  WritePicture(dir_.file("bomb.png"), DetailRaster(8, 8));
  std::string png = ReadFile(dir_.file("bomb.png"));
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) png[at + i] = static_cast<char>(v >> (24 - 8 * i));
  };
  put32(16, 60000);
  put32(20, 60000);
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17);
  put32(29, static_cast<uint32_t>(crc));
  WriteFile(dir_.file("bomb.png"), png);
  conv_.SubName = "tn_";
  conv_.MaxWidth = conv_.MaxHeight = 150;
  EXPECT_EQ(conv_.ConvertFile(dir_.file("bomb.png"), 0), "");
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], dir_.file("bomb.png") + kFileCorrupted);

  // The converter's own limit applies too.
  errors_.clear();
  WritePicture(dir_.file("big.png"), DetailRaster(200, 200));
  conv_.MaxPixels = 10000;
  EXPECT_EQ(conv_.ConvertFile(dir_.file("big.png"), 0), "");
  EXPECT_EQ(errors_.size(), 1u);
}

TEST_F(ImageConvTest, DestinationFolderThatCannotBeCreated) {
  WritePicture(dir_.file("a.png"), DetailRaster(50, 50));
  WriteFile(dir_.file("blocker"), "a file where a folder should be");
  conv_.SetDestFolder(dir_.file("blocker/sub"));
  EXPECT_EQ(conv_.ConvertFile(dir_.file("a.png"), 0), "");
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "Destination folder " + dir_.file("blocker/sub") + " cannot be created");
  // A missing folder is created with its parents.
  conv_.SetDestFolder("thumbs/small");
  EXPECT_EQ(conv_.ConvertFile(dir_.file("a.png"), 0), dir_.file("thumbs/small/a.png"));
}

TEST_F(ImageConvTest, ErrorsWithoutAHandlerGoToTheUserInterface) {
  test::TScriptedUserInterface ui;
  TJwImageConv conv;
  conv.ui = &ui;
  WriteFile(dir_.file("x.gif"), "GIF89a");
  conv.ConvertFile(dir_.file("x.gif"), 0);
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_EQ(ui.errors[0], dir_.file("x.gif") + ": file format not supported");
}

TEST_F(ImageConvTest, RenderPreviewEncodesInMemory) {
  WritePicture(dir_.file("a.jpg"), DetailRaster(600, 400));
  conv_.MaxWidth = conv_.MaxHeight = 150;
  std::vector<uint8_t> bytes = conv_.RenderPreview(dir_.file("a.jpg"));
  EXPECT_EQ(conv_.PreviewSize(), static_cast<int64_t>(bytes.size()));
  TRaster out = DecodeImage(bytes, iftJpeg);
  EXPECT_EQ(out.width, 150);
  EXPECT_EQ(out.height, 100);
  // A selection is processed on its own.
  bytes = conv_.RenderPreview(dir_.file("a.jpg"), TPictureRect{0, 0, 100, 300});
  out = DecodeImage(bytes, iftJpeg);
  EXPECT_EQ(out.width, 50);
  EXPECT_EQ(out.height, 150);
  // Lossless with nothing to turn: the file as it is.
  conv_.JpgLossless = true;
  bytes = conv_.RenderPreview(dir_.file("a.jpg"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), ReadFile(dir_.file("a.jpg")));
  EXPECT_THROW(conv_.RenderPreview(dir_.file("missing.jpg")), EPictavo);
}

TEST_F(ImageConvTest, PairFromOneDecode) {
  WritePicture(dir_.file("p.jpg"), DetailRaster(2000, 1500));
  TJwImageConv picture, thumbnail;
  picture.OutputFormat = thumbnail.OutputFormat = kOutputJpeg;
  picture.SetDestFolder("web");
  picture.ResizeMode = scReduce;
  picture.MaxWidth = 800;
  picture.MaxHeight = 600;
  thumbnail.SetDestFolder("web");
  thumbnail.SubName = "tn_";
  thumbnail.MaxWidth = 160;
  thumbnail.MaxHeight = 120;
  auto [a, b] = ConvertPair(dir_.file("p.jpg"), picture, thumbnail);
  EXPECT_EQ(a, dir_.file("web/p.jpg"));
  EXPECT_EQ(b, dir_.file("web/tn_p.jpg"));
  TRaster big = ReadPicture(a), small = ReadPicture(b);
  EXPECT_EQ(big.width, 800);
  EXPECT_EQ(big.height, 600);
  EXPECT_EQ(small.width, 160);
  EXPECT_EQ(small.height, 120);
  // The same as converting each on its own, within JPEG noise.
  TJwImageConv single = thumbnail;
  single.SubName = "one_";
  TRaster alone = ReadPicture(single.ConvertFile(dir_.file("p.jpg"), 0));
  int worst = 0;
  for (size_t i = 0; i < alone.pixels.size(); ++i) {
    worst = std::max(worst, std::abs(alone.pixels[i] - small.pixels[i]));
  }
  EXPECT_LE(worst, 24);
}

// A reduced-scale decode must not cost the filter's quality: the display copy
// of a detailed photo, decoded at a DCT scale and resampled with Lanczos3,
// stays as close to ImageMagick's Lanczos resize of the full picture as a
// full-size decode would be. (Decoding straight down to the copy's size,
// a coarse block reduction, gives 43 to 45 dB here.)
TEST_F(ImageConvTest, ReducedScaleDecodeKeepsTheFiltersQuality) {
  if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
  const std::string src = dir_.file("photo.jpg");
  ASSERT_EQ(test::RunCommand("convert -seed 4 -size 1600x1200 plasma:fractal -blur 0x1 "
                             "-attenuate 0.5 +noise Gaussian -quality 95 '" +
                             src + "'"),
            0);
  conv_.OutputFormat = iftPng;
  conv_.SmartResample = false;
  conv_.ImageResampleFilter = TResampleFilter::Lanczos3;
  conv_.SetDestFolder("web");
  for (const auto& [w, h] : {std::pair{400, 300}, std::pair{800, 600}, std::pair{200, 150}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    conv_.ResizeMode = scReduce;
    conv_.MaxWidth = w;
    conv_.MaxHeight = h;
    const std::string copy = conv_.ConvertFile(src, 0);
    ASSERT_FALSE(copy.empty()) << (errors_.empty() ? "" : errors_.front());
    const std::string ref = dir_.file("ref.ppm");
    ASSERT_EQ(test::RunCommand("convert '" + src + "' -filter Lanczos -resize " + std::to_string(w) +
                               "x" + std::to_string(h) + "! -depth 8 '" + ref + "'"),
              0);
    const TRaster ours = ReadPicture(copy);
    ASSERT_EQ(ours.width, w);
    EXPECT_GE(test::Psnr(ours, test::ReadPpm(ref)), 47.0);
  }
}

}  // namespace
}  // namespace pictavo
