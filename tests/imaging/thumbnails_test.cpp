// The thumbnail generator's batch: destinations, the overwrite question,
// status texts and result messages.
#include "imaging/thumbnails.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "imaging_fixture.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::DetailRaster;
using test::ReadFile;
using test::TScriptedUserInterface;
using test::TTempDir;
using test::WriteFile;
using test::WritePicture;

class ThumbnailsTest : public ::testing::Test {
 protected:
  ThumbnailsTest() { InitThumbnailConverter(conv_); }
  void Apply() { ApplyThumbnailSettings(settings_, conv_); }

  TTempDir dir_;
  TJwImageConv conv_;
  TThumbnailSettings settings_;
  TScriptedUserInterface ui_;
};

TEST_F(ThumbnailsTest, SaveInFolderIsCreatedBesideTheLookInFolder) {
  WritePicture(dir_.file("pics/beach.jpg"), DetailRaster(300, 200));
  settings_.SaveFolder = "thumbs";
  Apply();
  TThumbnailBatchResult r = MakeThumbnails(conv_, dir_.file("pics"), {"beach.jpg"}, ui_);
  EXPECT_EQ(r.created, 1);
  EXPECT_TRUE(r.folder_created);
  EXPECT_EQ(test::ReadPicture(dir_.file("pics/thumbs/tn_beach.jpg")).width, 150);
  EXPECT_TRUE(ui_.questions.empty());
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"1 thumbnail created"});
}

TEST_F(ThumbnailsTest, StatusTextsAndResultMessages) {
  for (const char* name : {"c.jpg", "A.jpg", "b.png"}) {
    WritePicture(dir_.file(name), DetailRaster(200, 100));
  }
  Apply();
  TThumbnailBatchResult r = MakeThumbnails(conv_, dir_.path(), {"c.jpg", "A.jpg", "b.png"}, ui_);
  EXPECT_EQ(r.created, 3);
  std::vector<std::string> expected = {"Creating thumbnails..", "(1/3) Processing A.jpg...",
                                       "(2/3) Processing b.png...", "(3/3) Processing c.jpg...",
                                       "Ready (press F1 for Help)"};
  EXPECT_EQ(ui_.statuses, expected);
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"3 thumbnails created"});
  EXPECT_TRUE(std::filesystem::exists(dir_.file("tn_b.png")));

  TScriptedUserInterface none;
  r = MakeThumbnails(conv_, dir_.path(), {}, none);
  EXPECT_EQ(r.created, 0);
  EXPECT_EQ(none.errors, std::vector<std::string>{"No thumbnails created"});
  EXPECT_TRUE(none.messages.empty());
}

TEST_F(ThumbnailsTest, OverwriteQuestionGuardsTheOriginals) {
  WritePicture(dir_.file("a.jpg"), DetailRaster(400, 300));
  WritePicture(dir_.file("b.png"), DetailRaster(400, 300));
  std::string original = ReadFile(dir_.file("a.jpg"));
  settings_.AppendToName = adNothing;
  Apply();

  ui_.answers = {TAnswer::No};
  TThumbnailBatchResult r = MakeThumbnails(conv_, dir_.path(), {"a.jpg", "b.png"}, ui_);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(ui_.questions,
            std::vector<std::string>{"Are you sure you want to overwrite the original pictures?"});
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(ui_.errors.empty());
  EXPECT_EQ(ReadFile(dir_.file("a.jpg")), original);

  TScriptedUserInterface yes;
  r = MakeThumbnails(conv_, dir_.path(), {"a.jpg"}, yes);
  EXPECT_EQ(r.created, 1);
  EXPECT_EQ(test::ReadPicture(dir_.file("a.jpg")).width, 150);

  // Only PNG files written as JPEG: new files, no question.
  settings_.ConvertPngToJpeg = true;
  Apply();
  TScriptedUserInterface png;
  r = MakeThumbnails(conv_, dir_.path(), {"b.png"}, png);
  EXPECT_TRUE(png.questions.empty());
  EXPECT_EQ(r.created, 1);
  EXPECT_TRUE(std::filesystem::exists(dir_.file("b.jpg")));

  // A ".jpeg" original would be replaced just the same: asked too.
  WritePicture(dir_.file("c.jpeg"), DetailRaster(400, 300));
  TScriptedUserInterface jpeg;
  jpeg.answers = {TAnswer::No};
  MakeThumbnails(conv_, dir_.path(), {"c.jpeg"}, jpeg);
  EXPECT_EQ(jpeg.questions.size(), 1u);
}

TEST_F(ThumbnailsTest, ErrorsAreShownAndTheBatchGoesOn) {
  WriteFile(dir_.file("anim.gif"), "GIF89a");
  WriteFile(dir_.file("bad.jpg"), "\xFF\xD8 broken");
  WritePicture(dir_.file("ok.jpg"), DetailRaster(300, 300));
  Apply();
  TThumbnailBatchResult r =
      MakeThumbnails(conv_, dir_.path(), {"anim.gif", "bad.jpg", "ok.jpg"}, ui_);
  EXPECT_EQ(r.created, 1);
  std::vector<std::string> expected = {
      "Error - " + dir_.file("anim.gif") + ": file format not supported",
      "Error - " + dir_.file("bad.jpg") + ": file corrupted or format not supported"};
  EXPECT_EQ(ui_.errors, expected);
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"1 thumbnail created"});
}

TEST_F(ThumbnailsTest, DestinationFolderThatCannotBeCreatedStopsTheBatch) {
  WritePicture(dir_.file("a.jpg"), DetailRaster(100, 100));
  WriteFile(dir_.file("file"), "x");
  settings_.SaveFolder = "file/sub";
  Apply();
  TThumbnailBatchResult r = MakeThumbnails(conv_, dir_.path(), {"a.jpg"}, ui_);
  EXPECT_TRUE(r.folder_failed);
  EXPECT_EQ(ui_.errors, std::vector<std::string>{"Destination folder " + dir_.file("file/sub") +
                                                 " cannot be created"});
  EXPECT_TRUE(ui_.messages.empty());
}

// Work done ahead on several threads gives the files and reports of a run
// one file after the other.
TEST_F(ThumbnailsTest, WorkAheadMatchesASequentialRun) {
  std::vector<std::string> names = {"a.png", "a.bmp", "bad.jpg", "c.jpg", "d.jpg", "e.tif"};
  WritePicture(dir_.file("a.png"), DetailRaster(300, 200));
  WritePicture(dir_.file("a.bmp"), DetailRaster(200, 300));
  WriteFile(dir_.file("bad.jpg"), "broken");
  WritePicture(dir_.file("c.jpg"), DetailRaster(1200, 900));
  WritePicture(dir_.file("d.jpg"), test::HalvesRaster(700, 500, {200, 10, 10}, {10, 10, 200}));
  WritePicture(dir_.file("e.tif"), DetailRaster(400, 400));
  settings_.ConvertPngToJpeg = true;
  settings_.Sharpness = 30;
  std::vector<std::string> files[2];
  TScriptedUserInterface uis[2];
  int k = 0;
  for (int ahead : {1, 3}) {
    settings_.SaveFolder = "out" + std::to_string(ahead);
    Apply();
    MakeThumbnails(conv_, dir_.path(), names, uis[k], ahead);
    for (const char* out : {"tn_a.jpg", "tn_a1.jpg", "tn_c.jpg", "tn_d.jpg", "tn_e.jpg"}) {
      files[k].push_back(ReadFile(dir_.file(settings_.SaveFolder + "/" + out)));
    }
    ++k;
  }
  EXPECT_EQ(files[0], files[1]);
  EXPECT_EQ(uis[0].statuses, uis[1].statuses);
  EXPECT_EQ(uis[0].messages, std::vector<std::string>{"5 thumbnails created"});
  EXPECT_EQ(uis[1].messages, uis[0].messages);
  ASSERT_EQ(uis[0].errors.size(), 1u);
  EXPECT_EQ(uis[0].errors[0],
            "Error - " + dir_.file("bad.jpg") + ": file corrupted or format not supported");
  EXPECT_EQ(uis[1].errors, uis[0].errors);
}

TEST_F(ThumbnailsTest, LosslessChoiceAndSettingsRoundTrip) {
  settings_.ResizeAlgorithm = kLosslessAlgorithm;
  settings_.JpgQuality = 60;
  settings_.Brightness = 30;
  settings_.Rotate = 45;
  Apply();
  EXPECT_TRUE(conv_.JpgLossless);
  EXPECT_EQ(conv_.ResizeMode, scNone);
  EXPECT_EQ(conv_.JpgQuality(), 100);
  EXPECT_EQ(conv_.ImageBrightness(), 0);
  EXPECT_EQ(conv_.ImageRotate(), 0);
  settings_.Rotate = 135;
  Apply();
  EXPECT_EQ(conv_.ImageRotate(), 180);

  TThumbnailSettings s;
  s.ResizeAlgorithm = 10;
  s.Resize = scBestFit;
  s.ThumbPrefix = "_small";
  s.ConvertPngToJpeg = true;
  ApplyThumbnailSettings(s, conv_);
  EXPECT_EQ(conv_.ImageResampleFilter, TResampleFilter::Bilinear);
  EXPECT_FALSE(conv_.SmartResample);
  TThumbnailSettings back = ThumbnailSettingsOf(conv_, 4);
  EXPECT_EQ(back.ResizeAlgorithm, 10);
  EXPECT_EQ(back.Resize, scBestFit);
  EXPECT_EQ(back.ThumbPrefix, "_small");
  EXPECT_TRUE(back.ConvertPngToJpeg);
  EXPECT_EQ(back.FilterIndex, 4);
}

TEST_F(ThumbnailsTest, FileListFollowsTheFileTypeChoice) {
  for (const char* name : {"b.JPG", "a.png", "c.gif", "d.tif", "notes.txt"}) {
    WriteFile(dir_.file(name), "x");
  }
  std::filesystem::create_directories(dir_.file("sub.jpg"));
  EXPECT_EQ(ListThumbnailFiles(dir_.path(), 0),
            (std::vector<std::string>{"a.png", "b.JPG", "d.tif"}));
  EXPECT_EQ(ListThumbnailFiles(dir_.path(), 4), std::vector<std::string>{"a.png"});
  EXPECT_EQ(ListThumbnailFiles(dir_.path(), 99), ListThumbnailFiles(dir_.path(), 0));
}

}  // namespace
}  // namespace pictavo
