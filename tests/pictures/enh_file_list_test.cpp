// The folder listing: masks, recursion, hidden folders, sorting, each file once.
#include <unistd.h>

#include <gtest/gtest.h>

#include "pictures/enh_file_list.h"
#include "support/test_support.h"

namespace pictavo::test {
namespace {

std::vector<std::string> Entries(const TEnhFileList& list) {
  std::vector<std::string> out;
  for (size_t i = 0; i < list.Count(); ++i) out.push_back(list.Entry(i));
  return out;
}

class EnhFileListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto name : {"b.jpg", "A.JPG", "c.png", "notes.txt", "Zeta.gif", "sub/d.jpg",
                      "sub/deeper/e.jpg", ".hidden/f.jpg", "sub/.cache/g.jpg", ".h.jpg"}) {
      WriteFile(dir.file(name), "x");
    }
  }
  TTempDir dir;
};

TEST_F(EnhFileListTest, MasksPickFilesOnce) {
  struct Case {
    const char* masks;
    std::vector<std::string> entries;
  } cases[] = {
      {"*.jpg", {".h.jpg", "A.JPG", "b.jpg"}},
      {"*.jpg;*.JPG", {".h.jpg", "A.JPG", "b.jpg"}},  // two masks, each file once
      {"*.gif;*.png", {"c.png", "Zeta.gif"}},         // sorted by name, any case
      {";;*.PNG;", {"c.png"}},                        // empty pieces dropped
      {" *.jpg", {}},                                 // pieces are not trimmed
      {"?.jpg", {"A.JPG", "b.jpg"}},
      {"", {}},
      {"*.bmp", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Entries(TEnhFileList(dir.path(), c.masks, false)), c.entries) << c.masks;
  }
}

TEST_F(EnhFileListTest, RecursionSkipsHiddenFolders) {
  TEnhFileList list(dir.path() + "/", "*.jpg", true);
  EXPECT_EQ(Entries(list),
            (std::vector<std::string>{dir.file(".h.jpg"), dir.file("A.JPG"), dir.file("b.jpg"),
                                      dir.file("sub/d.jpg"), dir.file("sub/deeper/e.jpg")}));
  EXPECT_EQ(list.FullPaths(), Entries(list));
  EXPECT_EQ(list.Info(3).folder, dir.path() + "/sub/");
  EXPECT_EQ(list.Info(1).ext, "jpg");
  EXPECT_EQ(list.Info(1).name, "a");
}

TEST_F(EnhFileListTest, BareNamesWithoutRecursion) {
  TEnhFileList list(dir.path(), "*.jpg", false);
  EXPECT_EQ(list.FullPaths(),
            (std::vector<std::string>{dir.file(".h.jpg"), dir.file("A.JPG"), dir.file("b.jpg")}));
  EXPECT_TRUE(list.ContainsNoCase("a.jpg"));
  EXPECT_FALSE(list.ContainsNoCase("d.jpg"));
}

TEST_F(EnhFileListTest, MissingFolderAndLinkLoops) {
  EXPECT_EQ(TEnhFileList(dir.file("nowhere"), "*.jpg", true).Count(), 0u);
  EXPECT_EQ(TEnhFileList("", "*.jpg", true).Count(), 0u);
  // A link back to the folder itself is searched once, not forever.
  ASSERT_EQ(symlink(dir.path().c_str(), dir.file("sub/loop").c_str()), 0);
  EXPECT_EQ(TEnhFileList(dir.path(), "*.jpg", true).Count(), 5u);
}

TEST_F(EnhFileListTest, ProcessesEventsPerFile) {
  TScriptedUserInterface ui;
  TEnhFileList list(dir.path(), "*.jpg;*.png", false, TFileListSort::FullName, &ui);
  EXPECT_EQ(ui.events_processed, 4);
}

}  // namespace
}  // namespace pictavo::test
