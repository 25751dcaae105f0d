#include "settings/album_settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::TTempDir;
using test::WriteFile;

TEST(ResolveSettingsPath, NamesFoldersAndExtensions) {
  TTempDir dir;
  std::string s = dir.path();
  WriteFile(dir.file("Taken.2004"), "");
  struct Case {
    std::string name;
    bool add_ext;
    std::string expected;
  } cases[] = {
      {"Holiday", true, s + "/Holiday.alb"},
      {"Holiday.alb", true, s + "/Holiday.alb"},
      {"Holiday.ALB", true, s + "/Holiday.ALB"},
      {"Holiday.2004", true, s + "/Holiday.2004.alb"},
      {"Holiday.2004", false, s + "/Holiday.2004"},
      {"Taken.2004", true, s + "/Taken.2004"},  // an existing file is taken as it is
      {"sub/../Trip", true, s + "/Trip.alb"},
      {"/abs/Trip", true, "/abs/Trip.alb"},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveSettingsPath(c.name, s, "alb", c.add_ext), c.expected) << c.name;
  EXPECT_EQ(ResolveSettingsPath("Trip", "", "alb", true), "Trip.alb");
}

TEST(ResolveSettingsPath, NumberingPatterns) {
  TTempDir dir;
  WriteFile(dir.file("Album1.alb"), "");
  WriteFile(dir.file("Album2.alb"), "");
  EXPECT_EQ(ResolveSettingsPath("Album%d", dir.path(), "alb", true), dir.file("Album3.alb"));
  EXPECT_EQ(ResolveSettingsPath("Trip%0.3d.alb", dir.path(), "alb", true), dir.file("Trip001.alb"));
  EXPECT_EQ(ResolveSettingsPath("Bad%s", dir.path(), "alb", true), "Bad%s");
  EXPECT_EQ(*FormatNumberPattern("x%5dy%%", 42), "x   42y%");
  EXPECT_EQ(*FormatNumberPattern("%.4d", 7), "0007");
  // A pattern without a number ends the search instead of looping.
  WriteFile(dir.file("Fixed%.alb"), "");
  EXPECT_EQ(ResolveSettingsPath("Fixed%%", dir.path(), "alb", true), dir.file("Fixed%.alb"));
}

TEST(AlbumSettingsFile, RoundTripKeepsUnknownKeysAndLineBreaks) {
  TTempDir dir;
  std::string path = dir.file("Holiday.alb");
  WriteFile(path, "[Settings]\nFuture=keep me\n[Other]\nX=1\n");
  TAlbumSettings s;
  s.PickManual = true;
  s.IncludeSubFolders = true;  // not written in manual mode
  s.PageDescription = "two\r\nlines";
  s.PageTitle = "\"Quoted\"";
  s.MaxImages = 12;
  s.TextColor = 255;
  s.IgnoreImages = {"a.jpg", "b c.jpg"};
  WriteAlbumSettingsFile(path, s);
  std::string text = test::ReadFile(path);
  EXPECT_NE(text.find("Future=keep me"), std::string::npos);
  EXPECT_NE(text.find("[Other]"), std::string::npos);
  EXPECT_NE(text.find("Version=2\r\n"), std::string::npos);
  EXPECT_NE(text.find("PageDescription=two^Plines"), std::string::npos);
  TAlbumSettings back = ReadAlbumSettingsFile(path, TAlbumSettings{});
  EXPECT_TRUE(back.PickManual);
  EXPECT_FALSE(back.IncludeSubFolders);
  EXPECT_EQ(back.PageDescription, "two\r\nlines");
  EXPECT_EQ(back.PageTitle, "Quoted");  // one pair of enclosing quotes is dropped
  EXPECT_EQ(back.MaxImages, 12);
  EXPECT_EQ(back.TextColor, 255u);
  EXPECT_EQ(back.IgnoreImages, s.IgnoreImages);
}

TEST(AlbumSettingsFile, DefaultsForMissingOrBadValues) {
  TTempDir dir;
  TAlbumSettings d;
  d.PictureFolder = "/samples";
  TAlbumSettings s = ReadAlbumSettingsFile(dir.file("missing.alb"), d);
  EXPECT_EQ(s.PictureFolder, "/samples");
  EXPECT_EQ(s.LinkColor, 16711680u);
  WriteFile(dir.file("bad.alb"), "[Settings]\nMaxImages=ten\nTextColor=red\nPickManual=x\n");
  s = ReadAlbumSettingsFile(dir.file("bad.alb"), d);
  EXPECT_EQ(s.MaxImages, 0);
  EXPECT_EQ(s.TextColor, 0u);
  EXPECT_FALSE(s.PickManual);
}

TEST(AlbumSettingsFile, UnwritableFileRaisesAndKeepsContent) {
  TTempDir dir;
  std::string path = dir.file("ro.alb");
  WriteFile(path, "[Settings]\nPageTitle=old\n");
  chmod(path.c_str(), 0444);
  try {
    WriteAlbumSettingsFile(path, TAlbumSettings{});
    FAIL() << "no error";
  } catch (const EPictavo& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
  }
  EXPECT_EQ(test::ReadFile(path), "[Settings]\nPageTitle=old\n");
  EXPECT_THROW(WriteAlbumSettingsFile(dir.file("no/such/x.alb"), TAlbumSettings{}), EPictavo);
}

TEST(AlbumSettingsFile, PictureListFileWrittenOrDeleted) {
  TTempDir dir;
  std::string fls = PictureListFileName(dir.file("Trip.alb"));
  EXPECT_EQ(fls, dir.file("Trip.fls"));
  std::vector<std::string> lines{"/p/a.jpg", "/p/b c.jpg"};
  WritePictureListFile(fls, &lines);
  EXPECT_EQ(test::ReadFile(fls), "/p/a.jpg\r\n/p/b c.jpg\r\n");
  EXPECT_EQ(*ReadPictureListFile(fls), lines);
  WritePictureListFile(fls, nullptr);
  EXPECT_FALSE(FileExists(fls));
  EXPECT_FALSE(ReadPictureListFile(fls).has_value());
}

}  // namespace
}  // namespace pictavo
