// Transfer lines and the resume log: the line format, the file written
// privately and atomically, and a reader that refuses truncated and
// hand-edited files with a message instead of sending files to wrong places.
#include "publish/resume_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/test_support.h"

namespace pictavo {
namespace {

using test::ReadFile;
using test::TTempDir;
using test::WriteFile;

TFtpTransferLine Line() {
  TFtpTransferLine line;
  line.local_path = "/A/index.html";
  line.host = "h";
  line.user_id = "u";
  line.html_folder = "www";
  line.media_folder = "www/img";
  line.passive = true;
  return line;
}

TEST(ResumeLog, TransferLinesRoundTrip) {
  TFtpTransferLine line = Line();
  EXPECT_EQ(FormatFtpTransferLine(line), "/A/index.html=h;u;;0;www;www/img;1");
  line.done = true;
  line.media = true;
  line.passive = false;
  line.scrambled_password = "0A1B";
  const std::string text = ";/A/index.html=h;u;0A1B;1;www;www/img;0";
  EXPECT_EQ(FormatFtpTransferLine(line), text);
  auto parsed = ParseFtpTransferLine(text);
  ASSERT_TRUE(parsed);
  EXPECT_TRUE(parsed->done);
  EXPECT_EQ(parsed->local_path, "/A/index.html");
  EXPECT_EQ(parsed->scrambled_password, "0A1B");
  EXPECT_TRUE(parsed->media);
  EXPECT_FALSE(parsed->passive);
  // Flags are true unless "0"; a path may hold ";" (it ends at the first "=").
  parsed = ParseFtpTransferLine("/a;b/x.jpg=h;;;yes;;;");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->local_path, "/a;b/x.jpg");
  EXPECT_TRUE(parsed->media);
  EXPECT_TRUE(parsed->passive);
}

TEST(ResumeLog, ValuesThatCannotBeWrittenAreRefused) {
  for (auto change : {+[](TFtpTransferLine& l) { l.local_path = "/a=b.jpg"; },
                      +[](TFtpTransferLine& l) { l.local_path.clear(); },
                      +[](TFtpTransferLine& l) { l.host = "h;x"; },
                      +[](TFtpTransferLine& l) { l.user_id = "u\r\n"; },
                      +[](TFtpTransferLine& l) { l.media_folder = "a;b"; }}) {
    TFtpTransferLine line = Line();
    change(line);
    EXPECT_FALSE(FormatFtpTransferLine(line));
  }
}

TEST(ResumeLog, MalformedLinesAreNotTransferLines) {
  for (const char* text :
       {"", ";", "/a.jpg", "=h;u;;0;w;m;1", "/a.jpg=h;u;;0;w;m", "/a.jpg=h;u;;0;w;m;1;extra",
        "/a.jpg=;u;;0;w;m;1", "/a.jpg=h;u;;0;w;m;1\n/b.jpg=h;u;;0;w;m;1"}) {
    EXPECT_FALSE(ParseFtpTransferLine(text)) << text;
  }
}

TEST(ResumeLog, WrittenPrivatelyWithCrLfAndReadBack) {
  TTempDir dir;
  EXPECT_EQ(ResumeLogPath(dir.file("index.html")), dir.file("index.ftp"));
  const std::string path = dir.file("index.ftp");
  // A log made by hand with open permissions becomes private when rewritten.
  WriteFile(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
  const TTransferList list = {
      {";/a/index.html=h;u;0A;0;www;img;1", 1}, {"", 1}, {"/a/x.jpg=h;u;0A;1;www;img;1", -1}};
  WriteResumeLog(path, list);
  EXPECT_EQ(ReadFile(path), ";/a/index.html=h;u;0A;0;www;img;1\r\n/a/x.jpg=h;u;0A;1;www;img;1\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  std::string error;
  auto read = ReadResumeLog(path, error);
  ASSERT_TRUE(read) << error;
  ASSERT_EQ(read->size(), 2u);
  EXPECT_EQ((*read)[0].text, list[0].text);
  EXPECT_EQ((*read)[1].text, list[2].text);
  EXPECT_EQ((*read)[1].tag, 0);  // a log is sent in file order

  // LF and CR line ends and empty lines are accepted.
  read = ParseResumeLog("/a=h;;;0;;;1\n\n/b=h;;;0;;;1\r/c=h;;;0;;;1", error);
  ASSERT_TRUE(read) << error;
  EXPECT_EQ(read->size(), 3u);
}

TEST(ResumeLog, TruncatedOrEditedFilesAreRefusedWithTheLine) {
  std::string error;
  EXPECT_FALSE(ParseResumeLog("/a=h;u;;0;w;m;1\r\n/b=h;u;;0;w", error));
  EXPECT_EQ(error, "line 2 is not a transfer line");
  EXPECT_FALSE(ParseResumeLog("/a=h;u;;0;w;m;1\r\nhello\r\n", error));
  EXPECT_EQ(error, "line 2 is not a transfer line");
  EXPECT_FALSE(ParseResumeLog("\r\n\r\n", error));
  EXPECT_EQ(error, "the file holds no transfer line");
  EXPECT_FALSE(ParseResumeLog(std::string(kMaxResumeLogBytes + 1, 'x'), error));
  EXPECT_FALSE(ParseResumeLog("/a=h;u;;0;w;m;1" + std::string(kMaxTransferLineBytes, 'x'), error));

  TTempDir dir;
  EXPECT_FALSE(ReadResumeLog(dir.file("missing.ftp"), error));
  EXPECT_EQ(error, "the file does not exist");
  EXPECT_FALSE(ReadResumeLog(dir.path(), error));
}

}  // namespace
}  // namespace pictavo
