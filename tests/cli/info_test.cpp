// pictavo-cli info: the built program run on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace pictavo {
namespace {

using test::CommandOutput;
using test::TTempDir;

std::string Quote(const std::string& s) {
  return "'" + s + "'";
}

std::string Cli() {
  return Quote(PICTAVO_CLI);
}

class InfoCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
  }
  std::string Make(const std::string& name, const std::string& size = "37x23") {
    std::string path = dir_.file(name);
    EXPECT_EQ(test::RunCommand("convert -size " + size + " gradient:red-blue " + Quote(path)), 0);
    return path;
  }
  static std::string Size(const std::string& path) {
    return std::to_string(test::ReadFile(path).size());
  }
  TTempDir dir_;
};

TEST_F(InfoCommandTest, OneTabSeparatedLinePerFile) {
  std::string png = Make("a.png");
  std::string jpg = Make("b.JPG", "20x30");
  test::WriteFile(dir_.file("c.zip"), "PK\3\4 no picture here");
  std::string missing = dir_.file("gone.gif");
  int status = -1;
  std::string out = CommandOutput(Cli() + " info " + Quote(png) + " " + Quote(jpg) + " " +
                                      Quote(dir_.file("c.zip")) + " " + Quote(missing),
                                  &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out, "8\t" + Size(png) + "\t37\t23\t1\t" + png + "\n" +  //
                     "3\t" + Size(jpg) + "\t20\t30\t1\t" + jpg + "\n" + "0\t" +
                     Size(dir_.file("c.zip")) + "\t0\t0\t0\t" + dir_.file("c.zip") + "\n" +  //
                     "2\t-1\t0\t0\t0\t" + missing + "\n");
}

TEST_F(InfoCommandTest, PathIsPrintedAsGiven) {
  Make("x.gif", "5x6");
  int status = -1;
  std::string out =
      CommandOutput("cd " + Quote(dir_.path()) + " && " + Cli() + " info ./x.gif", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out, "2\t" + Size(dir_.file("x.gif")) + "\t5\t6\t1\t./x.gif\n");
}

TEST_F(InfoCommandTest, NoFilesIsBadUsage) {
  int status = -1;
  std::string out = CommandOutput(Cli() + " info 2>/dev/null", &status);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(out, "");
}

// A JPEG that exists but cannot be opened is an error: reported on stderr,
// the other files still get their lines, and the exit status is 1.
TEST_F(InfoCommandTest, UnopenableFileFailsAfterTheOthers) {
  std::string png = Make("ok.png");
  std::string jpg = Make("locked.jpg");
  std::string tif = Make("locked.tif");
  chmod(jpg.c_str(), 0);
  chmod(tif.c_str(), 0);
  std::string run = Cli();
  if (geteuid() == 0) {
    // Root opens every file: run as nobody, who may enter the folder.
    if (!test::HaveProgram("setpriv") || test::RunCommand("id nobody >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "running as root without setpriv or the user nobody";
    chmod(dir_.path().c_str(), 0755);
    chmod(png.c_str(), 0644);
    run = "setpriv --reuid=nobody --regid=$(id -g nobody) --clear-groups " + run;
  }
  std::string err_file = dir_.file("stderr.txt");
  int status = -1;
  std::string out = CommandOutput(
      run + " info " + Quote(jpg) + " " + Quote(tif) + " " + Quote(png) + " 2>" + Quote(err_file),
      &status);
  EXPECT_EQ(status, 1);
  // The TIFF is read through the content reader, whose failure only leaves
  // the dimensions unread.
  EXPECT_EQ(out, "1\t" + Size(tif) + "\t0\t0\t0\t" + tif + "\n" + "8\t" + Size(png) +
                     "\t37\t23\t1\t" + png + "\n");
  std::string err = test::ReadFile(err_file);
  EXPECT_NE(err.find("\"" + jpg + "\""), std::string::npos) << err;
  EXPECT_EQ(err.find(tif), std::string::npos) << err;
}

// The sizes agree with ImageMagick's own reading, for one file of each
// format it writes.
TEST_F(InfoCommandTest, AgreesWithIdentify) {
  if (!test::HaveProgram("identify")) GTEST_SKIP() << "identify is not installed";
  const std::vector<std::string> names = {
      "a.tif", "a.gif", "a.jpg", "progressive.jpg", "a.pcx", "a.bmp", "a.ico", "a.cur", "a.png",
      "a.tga", "a.pbm", "a.pgm", "a.ppm",           "a.jp2", "a.j2k", "a.jpc", "a.wbmp"};
  std::string args;
  for (const auto& name : names) {
    std::string path = dir_.file(name);
    std::string extra = name == "progressive.jpg" ? " -interlace Plane " : " ";
    ASSERT_EQ(test::RunCommand("convert -size 61x45 plasma:fractal" + extra + Quote(path)), 0);
    args += " " + Quote(path);
  }
  int status = -1;
  std::istringstream lines(CommandOutput(Cli() + " info" + args, &status));
  EXPECT_EQ(status, 0);
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    std::istringstream fields(line);
    std::string type, size, width, height, valid;
    std::getline(fields, type, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, width, '\t');
    std::getline(fields, height, '\t');
    std::getline(fields, valid, '\t');
    EXPECT_EQ(valid, "1");
    std::string expected =
        CommandOutput("identify -ping -format '%w %h' " + Quote(dir_.file(name)) + " 2>/dev/null");
    EXPECT_EQ(width + " " + height, expected);
  }
}

}  // namespace
}  // namespace pictavo
