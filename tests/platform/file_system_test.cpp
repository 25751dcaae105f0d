#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/errors.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::TTempDir;

TEST(FileSystem, AtomicWriteCreatesReplacesAndKeepsPermissions) {
  TTempDir dir;
  std::string f = dir.file("settings.ini");
  WriteFileAtomic(f, "one", 0600);
  EXPECT_EQ(test::ReadFile(f), "one");
  EXPECT_EQ(StatPath(f)->mode & 0777, 0600u);
  chmod(f.c_str(), 0640);
  WriteFileAtomic(f, "two");
  EXPECT_EQ(test::ReadFile(f), "two");
  EXPECT_EQ(StatPath(f)->mode & 0777, 0640u);
  // No temporary file is left behind.
  EXPECT_EQ(ReadFolder(dir.path()).size(), 1u);
}

TEST(FileSystem, FailedWriteThrowsAndCreatesNothing) {
  TTempDir dir;
  EXPECT_THROW(WriteFileAtomic(dir.file("no/such/folder/a.txt"), "x"), EPictavo);
  EXPECT_FALSE(FolderExists(dir.file("no")));
  std::string f = dir.file("ro.txt");
  test::WriteFile(f, "x");
  chmod(f.c_str(), 0444);
  EXPECT_TRUE(IsReadOnly(f));
}

TEST(FileSystem, FailedWriteLeavesOldFileAndThrows) {
  TTempDir dir;
  std::string f = dir.file("sub/a.txt");
  test::WriteFile(f, "keep");
  chmod((dir.path() + "/sub").c_str(), 0500);
  if (CanCreateFileIn(dir.path() + "/sub")) GTEST_SKIP() << "running with permission overrides";
  EXPECT_THROW(WriteFileAtomic(f, "lost?"), EPictavo);
  EXPECT_EQ(test::ReadFile(f), "keep");
}

TEST(FileSystem, ReadingAndListing) {
  TTempDir dir;
  test::WriteFile(dir.file("a.jpg"), "12345");
  test::WriteFile(dir.file(".hidden"), "x");
  test::WriteFile(dir.file("sub/b.jpg"), "x");
  EXPECT_EQ(FileSize(dir.file("a.jpg")), 5);
  EXPECT_EQ(FileSize(dir.file("missing.jpg")), -1);
  EXPECT_EQ(FileSize(dir.file("sub")), -1);
  EXPECT_EQ(*ReadFileHead(dir.file("a.jpg"), 3), "123");
  EXPECT_FALSE(TryReadFileBytes(dir.file("missing")).has_value());
  EXPECT_THROW(ReadFileBytes(dir.file("missing")), EPictavo);
  auto entries = ReadFolder(dir.path());
  ASSERT_EQ(entries.size(), 3u);
  auto sub = std::find_if(entries.begin(), entries.end(), [](auto& e) { return e.name == "sub"; });
  ASSERT_NE(sub, entries.end());
  EXPECT_TRUE(sub->is_dir);
  auto hidden = std::find_if(entries.begin(), entries.end(), [](auto& e) { return e.name == ".hidden"; });
  EXPECT_TRUE(hidden->is_hidden);
  EXPECT_TRUE(ReadFolder(dir.file("nope")).empty());
  EXPECT_TRUE(ForceFolders(dir.file("x/y/z")));
  EXPECT_TRUE(CanCreateFileIn(dir.file("x/y/z")));
}

}  // namespace
}  // namespace pictavo
