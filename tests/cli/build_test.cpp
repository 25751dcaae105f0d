// pictavo-cli build: the built program with its own INI file, album settings
// and pictures in a temporary folder (HOME and the XDG folders point there
// too, so nothing outside it is read or written).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text_lines.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::TTempDir;

std::string Q(const std::string& s) {
  return "'" + s + "'";
}

constexpr char kTemplate[] =
    "<!--album-options\n"
    "thumbmaxsize=80\n"
    "-->\n"
    "<html><head><title>{PageTitle}</title></head><body>\n"
    "<p>By {AuthorName}. Motto: ^?[Motto=Carpe diem]</p>\n"
    "<!--body_start-->\n"
    "<img src=\"{ThumbUrl}\" alt=\"{FileName}\">\n"
    "<!--body_end-->\n"
    "</body></html>\n";

class BuildCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
    test::WriteFile(dir_.file("pics/.keep"), "");
    for (const char* name : {"a", "b", "c"}) {
      ASSERT_EQ(test::RunCommand("convert -size 320x240 gradient:red-blue " +
                                 Q(dir_.file(std::string("pics/") + name + ".jpg"))),
                0);
    }
    test::WriteFile(dir_.file("tpl/Plain.html"), kTemplate);
    ini_text_ = "[Options]\r\nBaseFolder=" + dir_.file("base") +
                "\r\nNumberFirstPage=0\r\n"
                "[Author]\r\nName=Ann\r\n";
    test::WriteFile(dir_.file("base/Templates/.keep"), "");
    test::WriteFile(dir_.file("pictavo.ini"), ini_text_);
  }

  // Runs the build; standard output in out (lines), standard error in err.
  int Run(const std::string& args) {
    int status = -1;
    const std::string env = "env HOME=" + Q(dir_.path()) +
                            " XDG_CONFIG_HOME=" + Q(dir_.file("config")) +
                            " XDG_DATA_HOME=" + Q(dir_.file("data")) + " ";
    const std::string text =
        test::CommandOutput(env + Q(PICTAVO_CLI) + " build --ini " + Q(dir_.file("pictavo.ini")) +
                                " " + args + " </dev/null 2>" + Q(dir_.file("stderr.txt")),
                            &status);
    out_ = SplitLines(text);
    err_ = test::ReadFile(dir_.file("stderr.txt"));
    return status;
  }
  std::string Common() const {
    return "Settings.PictureFolder=" + Q(dir_.file("pics")) +
           " Settings.Template=" + Q(dir_.file("tpl/Plain.html"));
  }
  std::string LastPage() const { return out_.empty() ? "" : test::ReadFile(out_.back()); }

  TTempDir dir_;
  std::string ini_text_;
  std::vector<std::string> out_;
  std::string err_;
};

TEST_F(BuildCommandTest, BuildsFromTheFolderWithOverridesAndLeavesTheIniAlone) {
  ASSERT_EQ(Run(Common() + " Settings.PageTitle='Summer 2026' Author.Name=Bob"
                           " Options.LowercaseURLs=0 Settings.OutputName=Album.html"
                           " --answer 'motto=Seize it'"),
            0)
      << err_;
  ASSERT_GE(out_.size(), 3u);
  EXPECT_EQ(out_[0], "Loading template \"" + dir_.file("tpl/Plain.html") + "\"");
  EXPECT_EQ(out_[out_.size() - 2], "Finished building album");
  // The contents page comes last; lower-case URLs are off, so its name keeps its case.
  EXPECT_EQ(out_.back(), dir_.file("base/Albums/Album.html"));
  const std::string page = LastPage();
  EXPECT_NE(page.find("<title>Summer 2026</title>"), std::string::npos);
  EXPECT_NE(page.find("By Bob. Motto: Seize it"), std::string::npos) << page;
  EXPECT_NE(page.find("src=\"images/tn_c.jpg\" alt=\"c.jpg\""), std::string::npos) << page;
  EXPECT_EQ(test::ReadFile(dir_.file("pictavo.ini")), ini_text_);
  // The album joined the album list of the settings folder.
  EXPECT_NE(test::ReadFile(dir_.file("base/Settings/Albums.lst")).find(out_.back()),
            std::string::npos);
  // The template outside the templates folder brings its album options.
  if (test::HaveProgram("identify")) {
    EXPECT_EQ(test::CommandOutput("identify -format '%wx%h' " +
                                  Q(dir_.file("base/Albums/images/tn_c.jpg"))),
              "80x60");
  }
}

TEST_F(BuildCommandTest, AlbumSettingsFileAndManualPictures) {
  test::WriteFile(dir_.file("trip.alb"),
                  "[Settings]\r\nVersion=2\r\nPictureFolder=" + dir_.file("pics") +
                      "\r\nTemplate=" + dir_.file("tpl/Plain.html") +
                      "\r\nPageTitle=Trip\r\nOutputDir=trip\r\nMaxImages=2\r\n");
  const std::string album = test::ReadFile(dir_.file("trip.alb"));
  ASSERT_EQ(Run("--album " + Q(dir_.file("trip.alb")) + " Settings.MaxImages=1"), 0) << err_;
  // One picture per page: three pages, each with the default answer.
  EXPECT_EQ(out_.back(), dir_.file("base/Albums/trip/index.html"));
  EXPECT_NE(LastPage().find("By Ann. Motto: Carpe diem"), std::string::npos);
  EXPECT_NE(test::ReadFile(dir_.file("base/Albums/trip/index3.html")).find("tn_c.jpg"),
            std::string::npos);
  EXPECT_EQ(test::ReadFile(dir_.file("trip.alb")), album);

  // Pictures named on the command line are the album (sorted by the album's
  // sort entry, as the picture list shows them).
  ASSERT_EQ(Run(Common() + " Settings.OutputDir=picked " + Q(dir_.file("pics/c.jpg")) + " " +
                Q(dir_.file("pics/a.jpg"))),
            0)
      << err_;
  const std::string page = LastPage();
  const size_t c = page.find("alt=\"c.jpg\""), a = page.find("alt=\"a.jpg\"");
  EXPECT_NE(c, std::string::npos);
  EXPECT_NE(a, std::string::npos);
  EXPECT_EQ(page.find("alt=\"b.jpg\""), std::string::npos);
}

TEST_F(BuildCommandTest, ExitCodesForBadUsageAndFailures) {
  struct TCase {
    std::string args;
    int status;
    std::string message;  // on standard error, or "" to skip
  };
  const std::vector<TCase> cases = {
      {Common() + " Settings.Nonsense=1", 2, "unknown album settings key"},
      {Common() + " Settings.MaxImages=ten", 2, "whole number"},
      {Common() + " Settings.PickManual=maybe", 2, "0 or 1"},
      {Common() + " Colors.Text=1", 2, "unknown section"},
      {"--no-such-switch", 2, ""},
      {"--album " + Q(dir_.file("missing.alb")), 1, "album settings file not found"},
      {Common() + " Settings.Template=" + Q(dir_.file("tpl/Missing.html")), 1, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_EQ(Run(c.args), c.status) << err_;
    if (!c.message.empty()) {
      EXPECT_NE(err_.find(c.message), std::string::npos) << err_;
    }
  }
  // The missing template is reported in the log, which ends interrupted.
  ASSERT_FALSE(out_.empty());
  EXPECT_EQ(out_.back(), "Album building interrupted!");
  ASSERT_GE(out_.size(), 2u);
  EXPECT_EQ(out_[1], "Error: template \"" + dir_.file("tpl/Missing.html") + "\"containes no data");

  // A missing INI file named with --ini.
  int status = -1;
  test::CommandOutput(Q(PICTAVO_CLI) + " build --ini " + Q(dir_.file("none.ini")) + " 2>/dev/null",
                      &status);
  EXPECT_EQ(status, 1);
}

}  // namespace
}  // namespace pictavo
