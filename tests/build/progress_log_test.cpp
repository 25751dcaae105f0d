#include "build/progress_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/errors.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using Lines = std::vector<std::string>;

TEST(ProgressLog, LineOperations) {
  TMemoryProgressLog log;
  // On an empty log: no separator, no replacement, append makes the first line.
  log.LogSeparator();
  log.LogReplaceLast("nothing");
  EXPECT_TRUE(log.Empty());
  log.LogAppend(" [Error]");
  EXPECT_EQ(log.lines(), Lines{" [Error]"});

  log.Clear();
  EXPECT_TRUE(log.Empty());
  log.LogLine("Building album");
  log.LogLine("Saving page \"/a/index.html\"");
  log.LogAppend(" [Error]");
  log.LogSeparator();
  log.LogLine("Copying /a/x.jpg...");
  log.LogReplaceLast("Copying /a/x.jpg... [OK]");
  EXPECT_EQ(log.lines(), (Lines{"Building album", "Saving page \"/a/index.html\" [Error]", "",
                                "Copying /a/x.jpg... [OK]"}));
  EXPECT_EQ(log.Text(),
            "Building album\r\nSaving page \"/a/index.html\" [Error]\r\n\r\n"
            "Copying /a/x.jpg... [OK]\r\n");
}

TEST(ProgressLog, AFullLogLosesLinesWithoutFailing) {
  TMemoryProgressLog log(20);
  log.LogLine("0123456789");
  log.LogLine("0123456");  // 10 + 2 + 7 = 19 characters
  log.LogLine("lost");
  log.LogAppend("lost too");
  log.LogAppend("8");
  EXPECT_EQ(log.lines(), (Lines{"0123456789", "01234568"}));
  log.LogReplaceLast("a line far too long for the log");
  EXPECT_EQ(log.lines().back(), "01234568");
  log.LogReplaceLast("short");
  EXPECT_EQ(log.lines().back(), "short");
  log.LogLine("o");  // room again: 10 + 2 + 5 + 2 + 1
  EXPECT_EQ(log.lines().size(), 3u);
}

TEST(ProgressLog, SavesItsLinesAsText) {
  test::TTempDir dir;
  TMemoryProgressLog log;
  log.LogLine("one");
  log.LogLine("two");
  log.SaveToFile(dir.file("build.log"));
  EXPECT_EQ(test::ReadFile(dir.file("build.log")), "one\r\ntwo\r\n");
  EXPECT_THROW(log.SaveToFile(dir.file("missing/build.log")), EPictavo);
}

}  // namespace
}  // namespace pictavo
