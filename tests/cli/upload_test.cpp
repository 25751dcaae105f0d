// pictavo-cli build --upload and pictavo-cli resume: the built program with
// its own INI file and pictures in a temporary folder. The album is copied to
// a local folder; the FTP paths (a refused connection, a resume log that is
// broken or missing) show the exit codes, the kept resume log and that the
// password never reaches the output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/text_lines.h"
#include "publish/ftp_profiles.h"
#include "publish/resume_log.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::TTempDir;

std::string Q(const std::string& s) {
  return "'" + s + "'";
}

constexpr char kTemplate[] =
    "<html><head><title>{PageTitle}</title></head><body>\n"
    "<!--body_start-->\n"
    "<a href=\"{FileUrl}\"><img src=\"{ThumbUrl}\"></a>\n"
    "<!--body_end-->\n"
    "</body></html>\n";

constexpr char kPassword[] = "Cli-pw-5ecret";

class UploadCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
    for (const char* name : {"a", "b"}) {
      test::WriteFile(dir_.file("pics/.keep"), "");
      ASSERT_EQ(test::RunCommand("convert -size 320x240 gradient:red-blue " +
                                 Q(dir_.file(std::string("pics/") + name + ".jpg"))),
                0);
    }
    test::WriteFile(dir_.file("tpl/Plain.html"), kTemplate);
    test::WriteFile(dir_.file("base/Templates/.keep"), "");
    test::WriteFile(dir_.file("pictavo.ini"),
                    "[Options]\r\nBaseFolder=" + dir_.file("base") + "\r\nNumberFirstPage=0\r\n");
  }

  // Runs pictavo-cli; standard output in out_ (lines), standard error in err_.
  int Run(const std::string& command, const std::string& args, const std::string& extra_env = "") {
    int status = -1;
    const std::string env = "env " + extra_env + " HOME=" + Q(dir_.path()) +
                            " XDG_CONFIG_HOME=" + Q(dir_.file("config")) +
                            " XDG_DATA_HOME=" + Q(dir_.file("data")) + " ";
    const std::string text = test::CommandOutput(env + Q(PICTAVO_CLI) + " " + command + " --ini " +
                                                     Q(dir_.file("pictavo.ini")) + " " + args +
                                                     " </dev/null 2>" + Q(dir_.file("stderr.txt")),
                                                 &status);
    out_ = text;
    err_ = test::ReadFile(dir_.file("stderr.txt"));
    return status;
  }
  std::string Build(const std::string& upload_args) {
    return "Settings.PictureFolder=" + Q(dir_.file("pics")) +
           " Settings.Template=" + Q(dir_.file("tpl/Plain.html")) +
           " Settings.OutputDir=album --upload " + upload_args;
  }
  std::string Album(const std::string& rel) const { return dir_.file("base/Albums/album/" + rel); }

  TTempDir dir_;
  std::string out_, err_;
};

TEST_F(UploadCommandTest, BuildAndCopyToALocalFolder) {
  ASSERT_EQ(Run("build", Build("Upload.Host=" + Q(dir_.file("site")) +
                               " Upload.HtmlFolder=www Upload.MediaFolder=www/thumbs")),
            0)
      << out_ << err_;
  EXPECT_NE(out_.find("Finished building album\n"), std::string::npos) << out_;
  EXPECT_NE(out_.find("Finished transfering album\n"), std::string::npos) << out_;
  EXPECT_NE(out_.find("Copying " + dir_.file("site/www/index.html") + " [OK]\n"), std::string::npos)
      << out_;
  const std::string page = test::ReadFile(dir_.file("site/www/index.html"));
  EXPECT_NE(page.find("src=\"thumbs/tn_a.jpg\""), std::string::npos) << page;
  EXPECT_EQ(test::ReadFile(dir_.file("site/www/thumbs/tn_b.jpg")),
            test::ReadFile(Album("images/tn_b.jpg")));
  EXPECT_EQ(test::ReadFile(dir_.file("site/www/b.jpg")), test::ReadFile(Album("images/b.jpg")));
}

TEST_F(UploadCommandTest, AFailedUploadLeavesAResumeLogAndHidesThePassword) {
  const int closed_port = 1;  // nothing listens on port 1 of the loopback address
  ASSERT_EQ(Run("build", Build("Upload.Host=127.0.0.1:" + std::to_string(closed_port) +
                               " Upload.UserId=ann Upload.Password=" + kPassword +
                               " Upload.HtmlFolder=www Upload.PassiveMode=1")),
            1)
      << out_ << err_;
  EXPECT_NE(out_.find("Connection refused"), std::string::npos) << out_;
  const std::string log = Album("index.ftp");
  ASSERT_TRUE(FileExists(log)) << err_;
  EXPECT_NE(err_.find("pictavo-cli resume \"" + log + "\""), std::string::npos) << err_;
  EXPECT_EQ(out_.find(kPassword), std::string::npos);
  EXPECT_EQ(err_.find(kPassword), std::string::npos);
  const std::string script = test::ReadFile(log);
  EXPECT_EQ(script.find(kPassword), std::string::npos);
  EXPECT_NE(script.find(ScramblePassword(kPassword)), std::string::npos);

  // Resuming fails the same way: status 1, the log kept with its lines.
  ASSERT_EQ(Run("resume", Q(log)), 1) << out_ << err_;
  EXPECT_NE(out_.find("Connection refused"), std::string::npos) << out_;
  EXPECT_EQ(test::ReadFile(log), script);
  EXPECT_EQ(out_.find(kPassword), std::string::npos);
}

// The password may come from the environment, out of the process list; a
// password on the command line still wins. The resume log of the refused
// connection shows which one was used (scrambled).
TEST_F(UploadCommandTest, PasswordFromTheEnvironment) {
  struct TCase {
    std::string env, arg, used;
  } cases[] = {
      {"PICTAVO_UPLOAD_PASSWORD=Env-pw-1", "", "Env-pw-1"},
      {"PICTAVO_UPLOAD_PASSWORD=Env-pw-1", " Upload.Password=Arg-pw-2", "Arg-pw-2"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.env + c.arg);
    ASSERT_EQ(Run("build",
                  Build("Upload.Host=127.0.0.1:1 Upload.UserId=ann Upload.HtmlFolder=www" + c.arg),
                  c.env),
              1)
        << out_ << err_;
    const std::string script = test::ReadFile(Album("index.ftp"));
    EXPECT_NE(script.find(ScramblePassword(c.used)), std::string::npos) << script;
    EXPECT_EQ(out_.find(c.used), std::string::npos);
  }
}

TEST_F(UploadCommandTest, BadUsageAndBrokenResumeLogs) {
  EXPECT_EQ(Run("build", Build("Upload.Hots=x")), 2);
  EXPECT_NE(err_.find("unknown upload field"), std::string::npos) << err_;
  EXPECT_EQ(Run("build", Build("Upload.PassiveMode=yes")), 2);
  EXPECT_EQ(Run("build", Build("Upload.Profile=Nowhere")), 2);
  EXPECT_NE(err_.find("no upload profile named \"Nowhere\""), std::string::npos) << err_;
  EXPECT_EQ(Run("resume", ""), 2);
  EXPECT_EQ(Run("resume", Q(dir_.file("missing.ftp"))), 2);

  const std::string broken = dir_.file("broken.ftp");
  test::WriteFile(broken, "/x/index.html=host.example.com;ann;;0;www\r\n");
  EXPECT_EQ(Run("resume", Q(broken)), 1);
  EXPECT_NE(out_.find("cannot be resumed: line 1 is not a transfer line"), std::string::npos)
      << out_;
  EXPECT_EQ(test::ReadFile(broken), "/x/index.html=host.example.com;ann;;0;www\r\n");
}

}  // namespace
}  // namespace pictavo
