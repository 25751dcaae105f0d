// Names of converted pictures: field tokens, safe names, destination paths.
#include "imaging/naming.h"

#include <gtest/gtest.h>
#include <utime.h>

#include <ctime>

#include "support/test_support.h"

namespace pictavo {
namespace {

using test::TTempDir;
using test::WriteFile;

const std::string kInvQ = "\xC2\xBF";  // U+00BF

std::time_t LocalMoment(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

TEST(MakeSafeFileName, ReplacesEveryUnsafeCharacter) {
  EXPECT_EQ(MakeSafeFileName("a\nb\tc\"d*e|f/g\\h:i<j>k?l"), "ab c'd+e+f-g-h~i[j]k" + kInvQ + "l");
  EXPECT_EQ(MakeSafeFileName("Beach été.jpg"), "Beach été.jpg");
}

TEST(FormatDateTime, DateFormatLetters) {
  std::time_t t = LocalMoment(2024, 3, 7, 14, 5, 9);
  struct Case {
    const char* format;
    const char* expected;
  } cases[] = {
      {"dd/mm/yyyy", "07/03/2024"},
      {"d.m.yy", "7.3.24"},
      {"yyyy-mm-dd hh:nn:ss", "2024-03-07 14:05:09"},
      {"hh:mm", "14:05"},
      {"h:nn am/pm", "2:05 pm"},
      {"yyyy\"mm\"", "2024mm"},
      {"YYYYMMDD", "20240307"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDateTime(c.format, t), c.expected) << c.format;
}

class ExpandFieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_.file("Holiday/Beach Day.JPG");
    WriteFile(file_, "x");
    std::time_t when = LocalMoment(2019, 8, 15, 10, 30, 0);
    utimbuf times{when, when};
    utime(file_.c_str(), &times);
    source_.file_name = file_;
    source_.date_format = "dd/mm/yyyy";
    source_.now = LocalMoment(2025, 12, 31, 23, 59, 0);
  }
  TTempDir dir_;
  std::string file_;
  TFieldSource source_;
};

TEST_F(ExpandFieldsTest, TokensAndCasePrefixes) {
  struct Case {
    std::string text;
    bool for_file;
    std::string expected;
  } cases[] = {
      {"{filename}", false, "Beach Day.JPG"},
      {"{imagename}", false, "Beach Day"},
      {"{FolderName}", false, "Holiday"},
      {"{_imagename}", false, "beach day"},
      {"{!imagename}", false, "BEACH DAY"},
      {"{year}", false, "2025"},
      {"{date}", false, "31/12/2025"},
      {"{date}", true, "31-12-2025"},
      {"{filedate}", false, "15/08/2019"},
      {"{picturedate}", false, "15/08/2019"},  // no picture at hand: the file date
      {"{shutterspeed}", false, "?"},          // unknown without the picture
      {"{nosuch}", false, "?"},
      {"{nosuch}", true, kInvQ},
      {"{_nosuch}", false, "_?"},
      {"{!nosuch}", true, "!" + kInvQ},
      {"tn_{imagename}_{year}.x", false, "tn_Beach Day_2025.x"},
      {"{a}{imagename}", false, "?Beach Day"},
      {"no fields }{ here", false, "no fields }{ here"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExpandFields(c.text, c.for_file, source_), c.expected) << c.text;
  }
}

TEST_F(ExpandFieldsTest, ExifTokensWhenThePictureIsAtHand) {
  TExifInfo exif;
  exif.present = true;
  exif.date_time_original = "2021:06:01 07:08:09";
  exif.f_number = 2.8;
  source_.exif = &exif;
  struct Case {
    double exposure;
    const char* expected;
  } speeds[] = {{1.0 / 125, "1/125"}, {0.3, "1/3"}, {2, "2.00"}, {1, "1.00"}, {0, ""}};
  for (const Case& c : speeds) {
    exif.exposure_time = c.exposure;
    EXPECT_EQ(ExpandFields("{shutterspeed}", false, source_), c.expected) << c.exposure;
  }
  EXPECT_EQ(ExpandFields("{fstop}", false, source_), "2.8");
  source_.date_format = "yyyy-mm-dd hh:nn";
  EXPECT_EQ(ExpandFields("{picturedate}", false, source_), "2021-06-01 07:08");
  EXPECT_EQ(ExpandFields("{picturedate}", true, source_), "2021-06-01 07~08");
  exif.date_time_original = "garbage";
  EXPECT_EQ(ExpandFields("{picturedate}", false, source_), "2019-08-15 10:30");
}

struct NameCase {
  std::string source;
  std::string sub_name;
  TAddSubName mode;
  int number;
  std::string expected;
  int output_format = kOutputJpeg;
  std::string dest_folder = {};
};

TEST(DestinationName, PrefixSuffixRenameAndCounters) {
  NameCase cases[] = {
      {"/pics/Beach.jpg", "tn_", adAutoDetect, 0, "/pics/tn_Beach.jpg"},
      {"/pics/Beach.jpg", "_small", adAutoDetect, 0, "/pics/Beach_small.jpg"},
      {"/pics/Beach.jpg", "img???", adAutoDetect, 7, "/pics/img007.jpg"},
      {"/pics/Beach.jpg", "img???", adRename, 1234, "/pics/img1234.jpg"},
      {"/pics/Beach.jpg", "img???", adRename, 0, "/pics/img.jpg"},
      {"/pics/Beach.jpg", "photo", adAutoDetect, 3, "/pics/photo3.jpg"},
      {"/pics/Beach.jpg", "photo", adAutoDetect, 0, "/pics/photo.jpg"},
      {"/pics/Beach.jpg", "a*b", adRename, 12, "/pics/a12b.jpg"},
      {"/pics/Beach.jpg", "x*_", adAutoDetect, 5, "/pics/x5_Beach.jpg"},
      {"/pics/Beach.jpg", "{imagename}-web", adRename, 4, "/pics/Beach-web.jpg"},
      {"/pics/tn_beach.jpg", "tn_", adAutoDetect, 0, "/pics/tn_beach.jpg"},
      {"/pics/beach_SMALL.jpg", "_small", adSuffix, 0, "/pics/beach_SMALL.jpg"},
      {"/pics/Beach.jpg", "tn_", adNothing, 0, "/pics/Beach.jpg"},
      {"/pics/Beach.jpg", "-", adAutoDetect, 0, "/pics/-Beach.jpg"},  // one character: prefix
      {"/pics/Beach", "_s", adSuffix, 0, "/pics/Beach_s", kOutputSameAsSource},
      {"/pics/a.png", "tn_", adAutoDetect, 0, "/pics/tn_a.png", kOutputWebOrJpeg},
      {"/pics/a.bmp", "tn_", adAutoDetect, 0, "/pics/tn_a.jpg", kOutputWebOrJpeg},
      {"/pics/a.png", "tn_", adAutoDetect, 0, "/pics/tn_a.jpg", kOutputJpeg},
      {"/pics/a.tiff", "tn_", adAutoDetect, 0, "/pics/tn_a.tiff", kOutputSameAsSource},
      {"/pics/a.jpeg", "", adAutoDetect, 0, "/pics/a.jpeg", kOutputJpeg},
      {"/pics/a.jpg", "tn_", adAutoDetect, 0, "/pics/thumbs/tn_a.jpg", kOutputJpeg, "thumbs"},
      {"/pics/a.jpg", "tn_", adAutoDetect, 0, "/pics/thumbs/tn_a.jpg", kOutputJpeg, "./thumbs"},
      {"/pics/a.jpg", "tn_", adAutoDetect, 0, "/out/tn_a.jpg", kOutputJpeg, "/out"},
  };
  for (const NameCase& c : cases) {
    TNamingOptions o;
    o.sub_name = c.sub_name;
    o.add_sub_name = c.mode;
    o.output_format = c.output_format;
    o.dest_folder = c.dest_folder;
    EXPECT_EQ(DestinationName(o, c.source, c.number, true), c.expected)
        << c.source << " " << c.sub_name << " " << c.number;
  }
}

TEST(DestinationName, FolderChoicesAndLowerCase) {
  TNamingOptions o;
  o.sub_name = "tn_";
  o.output_format = kOutputJpeg;
  o.resolved_dest_folder = "/batch/out";
  o.dest_folder = "ignored";
  EXPECT_EQ(DestinationName(o, "/pics/A.PNG", 0, true), "/batch/out/tn_A.jpg");
  EXPECT_EQ(DestinationName(o, "/pics/A.PNG", 0, false), "tn_A.jpg");
  o.lowercase_name = true;
  o.resolved_dest_folder = "/Batch/Out";
  EXPECT_EQ(DestinationName(o, "/pics/Ä B.PNG", 0, true), "/Batch/Out/tn_ä b.jpg");
}

TEST(DestinationName, DateFieldInAPatternGivesASafeName) {
  TNamingOptions o;
  o.sub_name = "{date}_";
  o.date_format = "dd/mm/yyyy";
  o.output_format = kOutputJpeg;
  std::string name = DestinationName(o, "/pics/beach.jpg", 0, false);
  ASSERT_EQ(name.size(), std::string("dd-mm-yyyy_beach.jpg").size()) << name;
  EXPECT_EQ(name[2], '-');
  EXPECT_EQ(name[5], '-');
  EXPECT_EQ(name.find('/'), std::string::npos);
  EXPECT_EQ(name.substr(10), "_beach.jpg");
}

}  // namespace
}  // namespace pictavo
