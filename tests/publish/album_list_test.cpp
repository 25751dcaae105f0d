// The album list on a real "Albums.lst" and real pages in a temporary folder:
// reading with dead entries and bad lines, writing, the rows and their
// selection, and the commands of the "&5. Albums List" tab.
#include "publish/album_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::ReadFile;
using test::TScriptedUserInterface;
using test::TTempDir;
using test::WriteFile;

class AlbumListTest : public ::testing::Test {
 protected:
  void SetUp() override { ForceFolders(dir_.file("Settings")); }
  std::string Albums() const { return dir_.file("Albums"); }
  std::string Page(const std::string& rel, const std::string& title = "") {
    const std::string path = Albums() + "/" + rel;
    WriteFile(path, title.empty() ? "<html><body>no title</body></html>"
                                  : "<html><head><title>" + title + "</title></head></html>");
    return path;
  }
  std::string ListFile() const { return dir_.file("Settings/Albums.lst"); }
  std::vector<std::string> Paths(const TAlbumList& list) const {
    std::vector<std::string> paths;
    for (const TAlbumRow& row : list.Rows()) paths.push_back(row.path);
    return paths;
  }

  TTempDir dir_;
  TScriptedUserInterface ui_;
};

TEST(RemovableMedia, PathsBelowMountPointsUnderTheMediaFolders) {
  struct Case {
    const char* path;
    bool removable;
  };
  for (const Case& c : std::vector<Case>{
           {"/media/cdrom/album/index.html", true},
           {"/media/ann/USB STICK/index.html", true},
           {"/run/media/ann/Fotos/a.htm", true},
           {"/mnt/usb/index.html", true},
           {"/mnt/index.html", false},  // in /mnt itself, not below a mount point
           {"/media", false},
           {"/media/", false},
           {"/home/ann/media/x/index.html", false},
           {"/mediaplayer/x/index.html", false},
           {"/home/../media/cd/index.html", true},
           {"/media/../home/ann/index.html", false},
           {"media/cd/index.html", false},
           {"http://example.org/media/x/", false},
       }) {
    EXPECT_EQ(IsRemovableMediaPath(c.path), c.removable) << c.path;
  }
}

TEST_F(AlbumListTest, LoadDropsDeadLocalPagesAndSkipsBadLines) {
  const std::string kept = Page("0001/index.html", "Kept");
  const std::string gone = Albums() + "/0002/index.html";
  // Mixed line endings, a byte-order mark, bad lines and a repeated key.
  WriteFile(ListFile(), "\xEF\xBB\xBF" + kept + "=Summer^Pholidays\r\n" + gone +
                            "=Deleted since\n"
                            "=no key\n"
                            "no separator at all\n"
                            "/media/cdrom/album/index.html=On the CD\r"
                            "/run/media/ann/USB/a.html=On the stick\r\n"
                            "http://example.org/album/=Remote\r\n" +
                            kept + "=Second line for the same key\r\n");
  TAlbumList list(ui_, Albums());
  list.LoadAlbumList(ListFile());

  EXPECT_TRUE(ui_.errors.empty());
  EXPECT_TRUE(list.AlbumListModified);  // the dead entry went
  EXPECT_EQ(list.FindAlbumRow(gone), -1);
  EXPECT_EQ(list.Store().Count(), 4u);
  ASSERT_EQ(list.Rows().size(), 4u);
  // Rows in store order, the first one selected, its buttons enabled.
  const std::vector<std::string> keys = list.Store().Keys();
  EXPECT_EQ(Paths(list), keys);
  EXPECT_EQ(list.Selected(), 0);
  EXPECT_TRUE(list.Buttons().btnShowAlbumEnabled);
  EXPECT_TRUE(list.Buttons().btnRemoveAlbumEnabled);
  EXPECT_TRUE(list.Buttons().btnEditAlbumEnabled);
  EXPECT_EQ(list.Rows()[static_cast<size_t>(list.FindAlbumRow(kept))].title, "Summer\r\nholidays");
  EXPECT_GE(list.FindAlbumRow("/media/cdrom/album/index.html"), 0);
  EXPECT_GE(list.FindAlbumRow("/run/media/ann/USB/a.html"), 0);
  EXPECT_GE(list.FindAlbumRow("http://example.org/album/"), 0);

  // Written at program end: sorted lines, CR LF, line breaks as "^P".
  ASSERT_TRUE(list.SaveAlbumList());
  EXPECT_FALSE(list.AlbumListModified);
  const std::string text = ReadFile(ListFile());
  EXPECT_NE(text.find(kept + "=Summer^Pholidays\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find(gone), std::string::npos);
  EXPECT_EQ(text.find("no separator"), std::string::npos);

  // Read again, nothing is dead and nothing is written.
  TAlbumList again(ui_, Albums());
  again.LoadAlbumList(ListFile());
  EXPECT_FALSE(again.AlbumListModified);
  EXPECT_EQ(Paths(again), keys);
  EXPECT_FALSE(again.SaveAlbumList());
}

TEST_F(AlbumListTest, MissingFileGivesAnEmptyList) {
  TAlbumList list(ui_, Albums());
  list.LoadAlbumList(ListFile());
  EXPECT_TRUE(list.Rows().empty());
  EXPECT_EQ(list.Selected(), -1);
  EXPECT_FALSE(list.Buttons().btnShowAlbumEnabled);
  EXPECT_FALSE(list.AlbumListModified);
  EXPECT_TRUE(ui_.errors.empty());
  EXPECT_FALSE(list.SaveAlbumList());
  EXPECT_FALSE(FileExists(ListFile()));
}

// A file that cannot be read: an error box, an empty list, and the file is
// not written over later.
TEST_F(AlbumListTest, UnreadableFileShowsAnErrorAndIsNotWrittenOver) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop the superuser";
  WriteFile(ListFile(), "/x/index.html=Kept on disk\r\n");
  ASSERT_EQ(chmod(ListFile().c_str(), 0), 0);
  TAlbumList bad(ui_, Albums());
  bad.LoadAlbumList(ListFile());
  ASSERT_EQ(ui_.errors.size(), 1u);
  EXPECT_NE(ui_.errors[0].find("Albums.lst"), std::string::npos);
  EXPECT_TRUE(bad.Rows().empty());
  bad.RegisterBuiltAlbum("New", Page("x/index.html"));
  EXPECT_FALSE(bad.SaveAlbumList());
  chmod(ListFile().c_str(), 0600);
  EXPECT_EQ(ReadFile(ListFile()), "/x/index.html=Kept on disk\r\n");
}

TEST_F(AlbumListTest, AddAlbumTakesPagesOnlyAndTitlesThem) {
  TAlbumList list(ui_, Albums());
  list.LoadAlbumList(ListFile());

  WriteFile(Albums() + "/pic.jpg", "not a page");
  EXPECT_FALSE(list.AddAlbum(Albums() + "/pic.jpg"));
  EXPECT_TRUE(list.Rows().empty());
  EXPECT_FALSE(list.AlbumListModified);

  const std::string titled = Page("trip/index.HTML", "Trip to the sea");
  const std::string untitled = Page("0003/page.shtml");
  EXPECT_TRUE(list.AddAlbum(titled));
  EXPECT_TRUE(list.AddAlbum(untitled));
  ASSERT_EQ(list.Rows().size(), 2u);
  EXPECT_EQ(list.Rows()[0].title, "Trip to the sea");
  // Without a title element: the path relative to the albums folder.
  EXPECT_EQ(list.Rows()[1].title, "0003/page.shtml");
  EXPECT_EQ(list.Selected(), 1);
  EXPECT_TRUE(list.AlbumListModified);

  // The same page with the same title changes nothing; a new title replaces
  // the row's title in place.
  list.AlbumListModified = false;
  list.SelectRow(0);
  EXPECT_FALSE(list.AddAlbum(titled));
  EXPECT_FALSE(list.AlbumListModified);
  EXPECT_EQ(list.Selected(), 0);
  Page("0003/page.shtml", "Now with a title");
  EXPECT_TRUE(list.AddAlbum(untitled));
  ASSERT_EQ(list.Rows().size(), 2u);
  EXPECT_EQ(list.Rows()[1].title, "Now with a title");
  EXPECT_EQ(list.Selected(), 1);

  // Paths compare exactly: a page whose name differs in case is another one.
  const std::string other_case = Page("trip/Index.HTML", "Trip to the sea");
  EXPECT_TRUE(list.AddAlbum(other_case));
  EXPECT_EQ(list.Rows().size(), 3u);
  EXPECT_EQ(list.Store().Count(), 3u);
}

TEST_F(AlbumListTest, BuiltAlbumKeepsOneRowAndItsTitleSurvivesTheFile) {
  const std::string page = Page("0001/index.html", "Ignored: the build names the title");
  {
    TAlbumList list(ui_, Albums());
    list.LoadAlbumList(ListFile());
    EXPECT_TRUE(list.RegisterBuiltAlbum("", page));
    EXPECT_EQ(list.Rows()[0].title, "0001/index.html");

    // Edited in between, then built again with an empty page title: one row,
    // titled with the relative path again.
    ui_.inputs.push_back(std::string("My album"));
    EXPECT_TRUE(list.EditSelectedTitle());
    EXPECT_EQ(ui_.input_prompts, (std::vector<std::string>{"Enter a new title"}));
    EXPECT_EQ(list.Rows()[0].title, "My album");
    EXPECT_TRUE(list.RegisterBuiltAlbum("", page));
    ASSERT_EQ(list.Rows().size(), 1u);
    EXPECT_EQ(list.Rows()[0].title, "0001/index.html");

    // A title with a line break goes to the file as "^P".
    EXPECT_TRUE(list.RegisterBuiltAlbum("Two\r\nlines", page));
    EXPECT_FALSE(list.RegisterBuiltAlbum("Two\r\nlines", page));
    EXPECT_TRUE(list.SaveAlbumList());
  }
  EXPECT_EQ(ReadFile(ListFile()), page + "=Two^Plines\r\n");
  TAlbumList list(ui_, Albums());
  list.LoadAlbumList(ListFile());
  ASSERT_EQ(list.Rows().size(), 1u);
  EXPECT_EQ(list.Rows()[0].title, "Two\r\nlines");
}

TEST_F(AlbumListTest, EditTitleChangesOnlyForANewNonEmptyTitle) {
  TAlbumList list(ui_, Albums());
  list.LoadAlbumList(ListFile());
  const std::string page = Page("a/index.html");
  list.RegisterBuiltAlbum("Old", page);
  list.AlbumListModified = false;

  ui_.inputs = {std::string("Old"), std::string(""), std::nullopt};
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(list.EditSelectedTitle());
  EXPECT_FALSE(list.AlbumListModified);
  EXPECT_EQ(list.Rows()[0].title, "Old");
  EXPECT_EQ(list.Store().Entries().at(page).text, "Old");

  ui_.inputs = {std::string("old")};  // differs in case: a new title
  EXPECT_TRUE(list.EditSelectedTitle());
  EXPECT_TRUE(list.AlbumListModified);
  EXPECT_EQ(list.Rows()[0].title, "old");
  EXPECT_EQ(list.Store().Entries().at(page).text, "old");

  list.SelectRow(-1);
  EXPECT_FALSE(list.EditTitleEnabled());
  EXPECT_FALSE(list.EditSelectedTitle());
}

TEST_F(AlbumListTest, RemoveSelectsTheRowBeforeAndClearAsksFirst) {
  TAlbumList list(ui_, Albums());
  list.LoadAlbumList(ListFile());
  const std::string a = Page("a/index.html"), b = Page("b/index.html"), c = Page("c/index.html"),
                    d = Page("d/index.html");
  for (const std::string& p : {a, b, c, d}) list.RegisterBuiltAlbum("", p);

  list.SelectRow(2);  // c: the row before it follows
  EXPECT_TRUE(list.RemoveSelectedAlbum());
  EXPECT_EQ(Paths(list), (std::vector<std::string>{a, b, d}));
  EXPECT_EQ(list.SelectedPath(), b);
  list.SelectRow(0);  // the first: the new first row follows
  EXPECT_TRUE(list.RemoveSelectedAlbum());
  EXPECT_EQ(list.SelectedPath(), b);
  EXPECT_EQ(list.Store().Count(), 2u);

  ui_.answers = {TAnswer::No};
  EXPECT_TRUE(list.ClearListEnabled());
  EXPECT_FALSE(list.ClearAlbumList());
  EXPECT_EQ(list.Rows().size(), 2u);
  EXPECT_EQ(ui_.questions.back(), "Are you sure you want to empty the grid?");

  list.SelectRow(1);
  EXPECT_TRUE(list.RemoveSelectedAlbum());
  EXPECT_TRUE(list.RemoveSelectedAlbum());  // the only row
  EXPECT_TRUE(list.Rows().empty());
  EXPECT_EQ(list.Selected(), -1);
  EXPECT_FALSE(list.Buttons().btnShowAlbumEnabled);
  EXPECT_FALSE(list.Buttons().btnRemoveAlbumEnabled);
  EXPECT_FALSE(list.RemoveSelectedAlbum());
  EXPECT_FALSE(list.ClearListEnabled());

  list.RegisterBuiltAlbum("", a);
  list.RegisterBuiltAlbum("", b);
  list.AlbumListModified = false;
  ui_.answers = {TAnswer::Yes};
  EXPECT_TRUE(list.ClearAlbumList());
  EXPECT_TRUE(list.Rows().empty());
  EXPECT_EQ(list.Store().Count(), 0u);
  EXPECT_TRUE(list.AlbumListModified);
  ASSERT_TRUE(list.SaveAlbumList());
  EXPECT_EQ(ReadFile(ListFile()), "");
}

TEST_F(AlbumListTest, SetAlbumRowAndRemovingPagesKeepRowsAndStoreTogether) {
  TAlbumList list(ui_, Albums());
  list.LoadAlbumList(ListFile());
  EXPECT_EQ(list.SetAlbumRow("T", "/x/a.html", false), -1);
  EXPECT_EQ(list.SetAlbumRow("T2", "/x/a.html", true), 0);
  EXPECT_EQ(list.SetAlbumRow("T3", "/x/b.html", true), 1);
  EXPECT_EQ(list.Rows()[0].title, "T2");
  EXPECT_EQ(list.FindAlbumRow("/x/A.html"), -1);

  TAlbumList pages(ui_, Albums());
  pages.LoadAlbumList(ListFile());
  const std::string a = Page("a/index.html"), b = Page("b/index.html"), c = Page("c/index.html");
  for (const std::string& p : {a, b, c}) pages.RegisterBuiltAlbum("", p);
  pages.SelectRow(2);
  pages.AlbumListModified = false;
  EXPECT_FALSE(pages.RemoveAlbumPages({Albums() + "/a/page2.html"}));
  EXPECT_FALSE(pages.AlbumListModified);
  EXPECT_TRUE(pages.RemoveAlbumPages({Albums() + "/a/page2.html", a}));
  EXPECT_TRUE(pages.AlbumListModified);
  EXPECT_EQ(Paths(pages), (std::vector<std::string>{b, c}));
  EXPECT_EQ(pages.SelectedPath(), c);  // the selection stays on its row
  EXPECT_EQ(pages.Store().Keys(), (std::vector<std::string>{b, c}));
}

TEST(AlbumListCommands, EditHtmlCommandLineAndVisibility) {
  EXPECT_EQ(EditHtmlCommandLine("/usr/bin/gedit", "/home/ann/my album/index.html"),
            "/usr/bin/gedit \"/home/ann/my album/index.html\"");
  TTempDir dir;
  WriteFile(dir.file("editor"), "#!/bin/sh\n");
  EXPECT_TRUE(EditHtmlVisible(dir.file("editor")));
  EXPECT_FALSE(EditHtmlVisible(dir.file("missing")));
  EXPECT_FALSE(EditHtmlVisible(""));
  EXPECT_FALSE(EditHtmlVisible(dir.path()));
  EXPECT_EQ(AlbumListPath("/home/ann/.local/share/pictavo/"),
            "/home/ann/.local/share/pictavo/Albums.lst");
}

}  // namespace
}  // namespace pictavo
