// Build-time image objects: convert, copy or use in place, then measure.
#include "imaging/image_obj.h"

#include <gtest/gtest.h>
#include <utime.h>

#include <filesystem>

#include "imaging_fixture.h"
#include "platform/file_system.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::DetailRaster;
using test::HalvesRaster;
using test::ReadFile;
using test::TTempDir;
using test::WriteFile;
using test::WritePicture;

class ImageObjTest : public ::testing::Test {
 protected:
  ImageObjTest() {
    std::filesystem::create_directories(dir_.file("src"));
    std::filesystem::create_directories(dir_.file("album"));
    setup_ = SetupBuildConverters(options_, album_, dir_.file("album"), picture_, thumbnail_);
    picture_.OnError =
        thumbnail_.OnError = [this](const std::string& m, bool&) { errors_.push_back(m); };
  }
  std::string Src(const std::string& name) { return dir_.file("src/" + name); }
  std::string Img(const std::string& name) { return dir_.file("album/images/" + name); }

  TTempDir dir_;
  TBuildImageOptions options_;
  TAlbumImageOptions album_;
  TJwImageConv picture_, thumbnail_;
  TBuildImageSetup setup_;
  std::vector<std::string> errors_;
};

TEST_F(ImageObjTest, ConverterSetUpOfABuild) {
  EXPECT_EQ(setup_.image_folder, dir_.file("album/images/"));
  EXPECT_TRUE(std::filesystem::is_directory(setup_.image_folder));
  EXPECT_EQ(picture_.ResizeMode, scReduce);
  EXPECT_EQ(picture_.MaxWidth, 650);
  EXPECT_EQ(picture_.MaxHeight, 450);
  EXPECT_EQ(picture_.OutputFormat, kOutputJpeg);
  EXPECT_EQ(thumbnail_.SubName, "tn_");
  EXPECT_EQ(thumbnail_.ResizeMode, scBestFit);
  EXPECT_EQ(thumbnail_.MaxWidth, 150);
  EXPECT_TRUE(thumbnail_.Overwrite);  // images are copied
  EXPECT_EQ(thumbnail_.DestFolder(), setup_.image_folder);
  EXPECT_FALSE(setup_.picture_switches.force);

  TAlbumImageOptions album;
  album.thumbmaxsize = "200x";
  album.imagemaxsize = "abc";
  album.imagequality = "70";
  album.thumbprefix = "small_";
  TBuildImageOptions no_copy;
  no_copy.CopyImages = false;
  TJwImageConv p, t;
  TBuildImageSetup s = SetupBuildConverters(no_copy, album, dir_.file("album"), p, t);
  EXPECT_EQ(t.MaxWidth, 200);
  EXPECT_EQ(t.MaxHeight, 200);
  EXPECT_EQ(p.MaxWidth, 600);
  EXPECT_EQ(p.MaxHeight, 600);
  EXPECT_EQ(p.JpgQuality(), 70);
  EXPECT_EQ(t.SubName, "small_");
  EXPECT_TRUE(t.Overwrite);  // thumbmaxsize given
  EXPECT_TRUE(s.picture_switches.force);
  EXPECT_EQ(p.DestFolder(), "");

  int w, h;
  ParseSizeOption("320X240", 150, w, h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  ParseSizeOption("x90", 150, w, h);
  EXPECT_EQ(w, 150);
  EXPECT_EQ(h, 90);
}

TEST_F(ImageObjTest, LargeJpegIsConvertedSmallOneCopiedUnchanged) {
  WritePicture(Src("big.jpg"), DetailRaster(640, 480));
  WritePicture(Src("fits.jpg"), DetailRaster(600, 400));
  TImageObj big(Src("big.jpg"), picture_, setup_.picture_switches);
  EXPECT_EQ(big.ImagePath(), Img("big.jpg"));
  EXPECT_EQ(big.Width(), 600);
  EXPECT_EQ(big.Height(), 450);
  EXPECT_TRUE(big.Converted());
  EXPECT_EQ(big.FileSize(), static_cast<int64_t>(ReadFile(Img("big.jpg")).size()));

  TImageObj fits(Src("fits.jpg"), picture_, setup_.picture_switches);
  EXPECT_EQ(fits.ImagePath(), Img("fits.jpg"));
  EXPECT_FALSE(fits.Converted());
  EXPECT_EQ(ReadFile(Img("fits.jpg")), ReadFile(Src("fits.jpg")));
  EXPECT_EQ(fits.Width(), 600);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(ImageObjTest, PngBecomesJpegAndGifIsOnlyCopied) {
  WritePicture(Src("shot.png"), DetailRaster(300, 200));
  WritePicture(Src("anim.gif"), DetailRaster(900, 700));
  TImageObj png(Src("shot.png"), picture_, setup_.picture_switches);
  EXPECT_EQ(png.ImagePath(), Img("shot.jpg"));
  EXPECT_EQ(png.Width(), 300);
  TImageObj gif(Src("anim.gif"), picture_, setup_.picture_switches);
  EXPECT_EQ(gif.ImagePath(), Img("anim.gif"));
  EXPECT_EQ(ReadFile(Img("anim.gif")), ReadFile(Src("anim.gif")));
  EXPECT_EQ(gif.Width(), 900);

  // Without copying, the JPEG goes next to the source.
  TBuildImageOptions no_copy;
  no_copy.CopyImages = false;
  TJwImageConv p, t;
  TBuildImageSetup s = SetupBuildConverters(no_copy, {}, dir_.file("album"), p, t);
  TImageObj beside(Src("shot.png"), p, s.picture_switches);
  EXPECT_EQ(beside.ImagePath(), Src("shot.jpg"));
  TImageObj gif_here(Src("anim.gif"), p, s.picture_switches);
  EXPECT_EQ(gif_here.ImagePath(), Src("anim.gif"));
}

TEST_F(ImageObjTest, ThumbnailsReusedOrPreparedBesideTheSource) {
  WritePicture(Src("beach.jpg"), DetailRaster(900, 600));
  // Overwrite off: an existing thumbnail in the image folder is kept.
  WritePicture(Img("tn_beach.jpg"), DetailRaster(120, 80));
  std::string before = ReadFile(Img("tn_beach.jpg"));
  TImageSwitches keep = setup_.thumbnail_switches;
  keep.overwrite = false;
  TImageObj reused(Src("beach.jpg"), thumbnail_, keep);
  EXPECT_EQ(reused.ImagePath(), Img("tn_beach.jpg"));
  EXPECT_EQ(ReadFile(Img("tn_beach.jpg")), before);
  EXPECT_EQ(reused.Width(), 120);

  // A thumbnail prepared earlier next to the picture that already fits is
  // used instead of a new one.
  TBuildImageOptions no_copy;
  no_copy.CopyImages = false;
  TJwImageConv p, t;
  TBuildImageSetup s = SetupBuildConverters(no_copy, {}, dir_.file("album"), p, t);
  WritePicture(Src("tn_beach.jpg"), DetailRaster(150, 100));
  std::string prepared = ReadFile(Src("tn_beach.jpg"));
  TImageObj used(Src("beach.jpg"), t, s.thumbnail_switches);
  EXPECT_EQ(used.ImagePath(), Src("tn_beach.jpg"));
  EXPECT_FALSE(used.Converted());
  EXPECT_EQ(ReadFile(Src("tn_beach.jpg")), prepared);
  EXPECT_EQ(used.Width(), 150);
  EXPECT_EQ(used.Height(), 100);
}

TEST_F(ImageObjTest, JpegThatNeedsTurningIsNeverUsedAsItStands) {
  if (!test::HaveProgram("exiftool")) GTEST_SKIP() << "exiftool missing";
  // Small enough to fit, but stored sideways.
  WritePicture(Src("phone.jpg"), HalvesRaster(400, 300, {255, 0, 0}, {0, 0, 255}));
  test::SetExif(Src("phone.jpg"), "-Orientation#=6");
  TImageObj obj(Src("phone.jpg"), picture_, setup_.picture_switches);
  EXPECT_TRUE(obj.Converted());
  EXPECT_EQ(obj.ImagePath(), Img("phone.jpg"));
  EXPECT_EQ(obj.Width(), 300);
  EXPECT_EQ(obj.Height(), 400);
  TRaster out = test::ReadPicture(Img("phone.jpg"));
  EXPECT_EQ(out.width, 300);
  EXPECT_TRUE(test::Near(out.at(150, 10), {255, 0, 0}));
}

TEST_F(ImageObjTest, TheBuildNeverWritesOverItsSource) {
  WritePicture(Src("huge.jpg"), DetailRaster(1300, 900));
  std::string original = ReadFile(Src("huge.jpg"));
  TBuildImageOptions no_copy;
  no_copy.CopyImages = false;
  TJwImageConv p, t;
  TBuildImageSetup s = SetupBuildConverters(no_copy, {}, dir_.file("album"), p, t);
  TImageObj obj(Src("huge.jpg"), p, s.picture_switches);
  EXPECT_EQ(obj.ImagePath(), Src("huge.jpg"));
  EXPECT_EQ(ReadFile(Src("huge.jpg")), original);
  EXPECT_EQ(obj.Width(), 1300);
}

TEST_F(ImageObjTest, MissingSourceAndFailedConversionFallBack) {
  TImageObj missing(Src("gone.jpg"), picture_, setup_.picture_switches);
  EXPECT_EQ(missing.ImagePath(), Src("gone.jpg"));
  EXPECT_EQ(missing.Width(), 0);
  EXPECT_EQ(missing.FileSize(), -1);

  WriteFile(Src("broken.png"), "not a png at all, just text");
  TImageObj broken(Src("broken.png"), picture_, setup_.picture_switches);
  EXPECT_EQ(broken.ImagePath(), Src("broken.png"));
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], Src("broken.png") + ": file corrupted or format not supported");
}

TEST_F(ImageObjTest, StatusTextsAndRefresh) {
  test::TScriptedUserInterface ui;
  WritePicture(Src("big.jpg"), DetailRaster(800, 600));
  TImageObj obj(Src("big.jpg"), picture_, setup_.picture_switches, &ui);
  ASSERT_EQ(ui.statuses.size(), 2u);
  EXPECT_EQ(ui.statuses[0], "Processing \"big.jpg\" ...");
  EXPECT_EQ(ui.statuses[1], "\"big.jpg\" created");

  WritePicture(Img("big.jpg"), DetailRaster(320, 200));
  std::time_t later = obj.FileDate() + 10;
  utimbuf times{later, later};
  utime(Img("big.jpg").c_str(), &times);
  obj.Refresh();
  EXPECT_EQ(obj.Width(), 320);
  EXPECT_EQ(obj.Height(), 200);
  EXPECT_EQ(obj.FileDate(), later);
}

TEST_F(ImageObjTest, PictureAndThumbnailFromOnePair) {
  WritePicture(Src("pair.jpg"), DetailRaster(1600, 1200));
  auto [pic, thumb] = TImageObj::MakePair(Src("pair.jpg"), picture_, setup_.picture_switches,
                                          thumbnail_, setup_.thumbnail_switches);
  EXPECT_EQ(pic->ImagePath(), Img("pair.jpg"));
  EXPECT_EQ(pic->Width(), 600);
  EXPECT_EQ(pic->Height(), 450);
  EXPECT_EQ(thumb->ImagePath(), Img("tn_pair.jpg"));
  EXPECT_EQ(thumb->Width(), 150);
  EXPECT_EQ(thumb->Height(), 112);  // 112.5, ties to even
}

}  // namespace
}  // namespace pictavo
