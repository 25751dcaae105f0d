// EXIF tags read through libexif, and the orientation set in place.
#include "imaging/exif.h"

#include <gtest/gtest.h>

#include "imaging/codecs/codec.h"
#include "imaging_fixture.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::TTempDir;

class ExifTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("exiftool")) GTEST_SKIP() << "exiftool missing";
  }
  TTempDir dir_;
};

TEST_F(ExifTest, ReadsTheTagsOfBothByteOrders) {
  for (const char* order : {"Big-endian", "Little-endian"}) {
    std::string file = dir_.file(std::string(order) + ".jpg");
    test::WritePicture(file, test::DetailRaster(64, 48));
    test::SetExif(file, std::string("-ExifByteOrder=") + order +
                            " -Orientation#=6 -DateTimeOriginal='2021:06:01 07:08:09'"
                            " -ExposureTime=0.008 -FNumber=5.6");
    TExifInfo info = ReadExifFile(file);
    EXPECT_TRUE(info.present) << order;
    EXPECT_EQ(info.orientation, 6) << order;
    EXPECT_EQ(info.date_time_original, "2021:06:01 07:08:09");
    EXPECT_DOUBLE_EQ(info.exposure_time, 0.008);
    EXPECT_DOUBLE_EQ(info.f_number, 5.6);

    // The orientation is set in place; every other byte stays.
    std::string bytes = test::ReadFile(file);
    std::vector<uint8_t> jpeg(bytes.begin(), bytes.end());
    ASSERT_TRUE(SetJpegExifOrientation(jpeg, 1));
    ASSERT_EQ(jpeg.size(), bytes.size());
    size_t changed = 0;
    for (size_t i = 0; i < jpeg.size(); ++i) changed += jpeg[i] != static_cast<uint8_t>(bytes[i]);
    EXPECT_EQ(changed, 1u);
    EXPECT_EQ(ReadJpegExifInfo(jpeg).orientation, 1);
    EXPECT_EQ(ReadJpegExifInfo(jpeg).date_time_original, "2021:06:01 07:08:09");
  }
}

TEST_F(ExifTest, MissingAndDamagedData) {
  std::string file = dir_.file("plain.jpg");
  test::WritePicture(file, test::DetailRaster(32, 32), "-strip");
  TExifInfo info = ReadExifFile(file);
  EXPECT_FALSE(info.present);
  EXPECT_EQ(info.orientation, 1);
  EXPECT_FALSE(ReadExifFile(dir_.file("missing.jpg")).present);

  std::string junk = "Exif\0\0MM\0*\0\0\0\x08\xFF\xFF";
  junk.resize(16);
  EXPECT_FALSE(SetExifOrientation(junk, 1));
  std::string not_tiff = "Exif\0\0XX__";
  EXPECT_FALSE(SetExifOrientation(not_tiff, 1));
  std::time_t t;
  EXPECT_FALSE(ExifDateToTime("2021:13:01 00:00:00", t));
  EXPECT_FALSE(ExifDateToTime("    :  :     :  :  ", t));
  EXPECT_TRUE(ExifDateToTime("2021:12:01 00:00:00", t));
}

}  // namespace
}  // namespace pictavo
