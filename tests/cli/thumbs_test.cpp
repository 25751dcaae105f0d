// pictavo-cli thumbs: the built program on real pictures.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace pictavo {
namespace {

using test::CommandOutput;
using test::TTempDir;

std::string Q(const std::string& s) {
  return "'" + s + "'";
}

class ThumbsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
  }
  void Make(const std::string& name, const std::string& size) {
    ASSERT_EQ(
        test::RunCommand("convert -size " + size + " gradient:red-blue " + Q(dir_.file(name))), 0);
  }
  // Runs the command with stdin from /dev/null (no terminal); output and
  // errors together.
  std::string Run(const std::string& args, int& status) {
    return CommandOutput(Q(PICTAVO_CLI) + " thumbs " + args + " </dev/null 2>&1", &status);
  }
  std::string Info(const std::string& file) {
    return CommandOutput(Q(PICTAVO_CLI) + " info " + Q(file));
  }
  TTempDir dir_;
};

TEST_F(ThumbsCommandTest, MakesTheListedFilesWithSettings) {
  Make("a.jpg", "400x300");
  Make("b.png", "300x400");
  Make("c.jpg", "640x480");
  int status = -1;
  std::string out = Run(Q(dir_.path()) +
                            " a.jpg b.png Thumbnails.MaxWidth=100 Thumbnails.MaxHeight=100 "
                            "Thumbnails.SaveFolder=small Thumbnails.ConvertPngToJpeg=1",
                        status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Creating thumbnails..\n(1/2) Processing a.jpg...\n(2/2) Processing b.png...\n"
                     "2 thumbnails created\n"),
            std::string::npos)
      << out;
  EXPECT_NE(Info(dir_.file("small/tn_a.jpg")).find("\t100\t75\t1\t"), std::string::npos);
  EXPECT_NE(Info(dir_.file("small/tn_b.jpg")).find("\t75\t100\t1\t"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_.file("small/tn_c.jpg")));

  // No file named: every listed picture of the folder.
  out = Run(Q(dir_.path()) + " Thumbnails.ThumbPrefix=_t", status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("3 thumbnails created"), std::string::npos) << out;
  EXPECT_TRUE(std::filesystem::exists(dir_.file("c_t.jpg")));
}

TEST_F(ThumbsCommandTest, OverwriteQuestionWithoutATerminalIsNo) {
  Make("a.jpg", "400x300");
  std::string original = test::ReadFile(dir_.file("a.jpg"));
  int status = -1;
  std::string out = Run(Q(dir_.path()) + " a.jpg Thumbnails.AppendToName=1", status);
  EXPECT_EQ(status, 1) << out;
  EXPECT_NE(out.find("Are you sure you want to overwrite the original pictures?"),
            std::string::npos);
  EXPECT_EQ(test::ReadFile(dir_.file("a.jpg")), original);

  out = Run("--yes " + Q(dir_.path()) + " a.jpg Thumbnails.AppendToName=1", status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("1 thumbnail created"), std::string::npos) << out;
  EXPECT_NE(Info(dir_.file("a.jpg")).find("\t150\t112\t1\t"), std::string::npos);
}

TEST_F(ThumbsCommandTest, FailuresAndBadUsage) {
  test::WriteFile(dir_.file("broken.jpg"), "not a picture");
  int status = -1;
  std::string out = Run(Q(dir_.path()) + " broken.jpg", status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(
      out.find("Error - " + dir_.file("broken.jpg") + ": file corrupted or format not supported"),
      std::string::npos)
      << out;
  EXPECT_NE(out.find("No thumbnails created"), std::string::npos);

  Run(Q(dir_.path()) + " Thumbnails.Colour=red", status);
  EXPECT_EQ(status, 2);
  Run(Q(dir_.path()) + " Thumbnails.MaxWidth=wide", status);
  EXPECT_EQ(status, 2);
  Run("", status);
  EXPECT_EQ(status, 2);
  Run(Q(dir_.file("nowhere")), status);
  EXPECT_EQ(status, 1);
}

}  // namespace
}  // namespace pictavo
