// The local album on real files: number formats of the size report (with a
// real compiled locale where localedef is installed), the size of a built-like
// album, deleting exactly the pages a build wrote, and a real build through
// the album-list build host.
#include "publish/local_album.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "build/build_album.h"
#include "build/progress_log.h"
#include "pictures/descriptions.h"
#include "pictures/picture_collection.h"
#include "pictures/picture_grid.h"
#include "platform/file_system.h"
#include "publish/album_list.h"
#include "publish/album_list_build_host.h"
#include "settings/program_folders.h"
#include "settings/window_state.h"
#include "support/test_support.h"
#include "template/html_links.h"

namespace pictavo {
namespace {

using test::TScriptedUserInterface;
using test::TTempDir;
using test::WriteFile;

const TNumberFormat kEnglish{",", ".", "\3"};
const TNumberFormat kGerman{".", ",", "\3"};
const TNumberFormat kNone{"", ".", ""};
const TNumberFormat kIndian{",", ".", "\3\2"};
const TNumberFormat kNarrowSpace{"\u202f", ",", "\3"};

TEST(NumberFormat, WholeNumbersAndKilobytes) {
  struct Case {
    int64_t value;
    const TNumberFormat& format;
    const char* integer;
    const char* kilobytes;
  };
  for (const Case& c : std::vector<Case>{
           {0, kEnglish, "0", "0.00"},
           {999, kEnglish, "999", "0.98"},
           {1000, kEnglish, "1,000", "0.98"},
           {3048, kEnglish, "3,048", "2.98"},
           {3048, kGerman, "3.048", "2,98"},
           {3048, kNone, "3048", "2.98"},
           {1234567, kEnglish, "1,234,567", "1,205.63"},
           {123456789, kIndian, "12,34,56,789", "1,20,563.27"},
           {1234567, kNarrowSpace, "1\u202f234\u202f567", "1\u202f205,63"},
           // Halves go to the even neighbour: 0.125 and 0.375 KB.
           {128, kEnglish, "128", "0.12"},
           {384, kEnglish, "384", "0.38"},
           // 1023.999... KB carries into the next kilobyte.
           {1024 * 1024 - 1, kEnglish, "1,048,575", "1,024.00"},
           {INT64_MAX, kEnglish, "9,223,372,036,854,775,807", "9,007,199,254,740,992.00"},
       }) {
    EXPECT_EQ(FormatInteger(c.value, c.format), c.integer) << c.value;
    EXPECT_EQ(FormatKilobytes(c.value, c.format), c.kilobytes) << c.value;
  }
  EXPECT_EQ(FormatInteger(-1234, kEnglish), "-1,234");
  EXPECT_EQ(FormatInteger(INT64_MIN, kEnglish), "-9,223,372,036,854,775,808");
  // A grouping that stops after the first group.
  EXPECT_EQ(FormatInteger(123456789, TNumberFormat{",", ".", "\3\x7f"}), "123456,789");
}

// The report follows the process locale. localedef compiles a German locale
// into the test's folder, so the separators come from a real locale.
TEST(NumberFormat, ReportUsesTheLocaleSeparators) {
  const std::string report = AlbumSizeReport("/a/0001/index.html", 3048, kEnglish);
  EXPECT_EQ(report, "Main album page: index.html\n\nTotal album size: 3,048 bytes (2.98 KB)");

  // The C locale has no thousands separator.
  EXPECT_EQ(AlbumSizeReport("/a/index.html", 3048, LocaleNumberFormat()),
            "Main album page: index.html\n\nTotal album size: 3048 bytes (2.98 KB)");

  if (!test::HaveProgram("localedef")) GTEST_SKIP() << "localedef is not installed";
  TTempDir dir;
  if (test::RunCommand("localedef -i de_DE -f UTF-8 '" + dir.file("de_DE.UTF-8") +
                       "' >/dev/null 2>&1") != 0 &&
      !FolderExists(dir.file("de_DE.UTF-8"))) {
    GTEST_SKIP() << "the German locale cannot be compiled here";
  }
  setenv("LOCPATH", dir.path().c_str(), 1);
  ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr);
  TScriptedUserInterface ui;
  WriteFile(dir.file("index.html"), std::string(3048, 'x'));
  TReferencedFiles none;
  const int64_t total =
      CalculateAlbumSize(dir.file("index.html"), {dir.file("index.html")}, none, ui);
  std::setlocale(LC_NUMERIC, "C");
  unsetenv("LOCPATH");
  EXPECT_EQ(total, 3048);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0],
            "Main album page: index.html\n\nTotal album size: 3.048 bytes (2,98 KB)");
}

// A built-like album: two pages in a folder the build created, its pictures
// and thumbnails in images/, a background outside the album folder, and files
// of the user's that the build did not write.
class LocalAlbumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    album_ = dir_.file("Albums/0001");
    index_ = album_ + "/index.html";
    page2_ = album_ + "/page2.html";
    WriteFile(index_, std::string(1000, 'i'));
    WriteFile(page2_, std::string(500, 'p'));
    WriteFile(album_ + "/images/beach.jpg", std::string(2048, 'b'));
    WriteFile(album_ + "/images/.hidden.gif", std::string(100, 'h'));
    WriteFile(album_ + "/images/tn_beach.jpg", std::string(300, 't'));
    chmod((album_ + "/images/tn_beach.jpg").c_str(), 0444);
    WriteFile(dir_.file("Backgrounds/paper.gif"), std::string(24, 'g'));
    WriteFile(dir_.file("Albums/other/index.html"), "another album");
    WriteFile(album_ + "/notes.txt", "the user's own file");
    written_ = {index_, page2_};
    for (const char* rel : {"images/beach.jpg", "images/.hidden.gif", "images/tn_beach.jpg",
                            "images/missing.jpg", "page2.html"}) {
      referenced_.Add(album_ + "/" + rel, std::string(rel).find("images") == 0);
    }
    referenced_.Add(dir_.file("Backgrounds/paper.gif"), true);
  }

  TTempDir dir_;
  std::string album_, index_, page2_;
  std::vector<std::string> written_;
  TReferencedFiles referenced_;
  TScriptedUserInterface ui_;
};

TEST_F(LocalAlbumTest, SizeCountsEveryFileOnceAndMissingFilesAsZero) {
  // 1000 + 500 pages, 2048 + 100 + 300 pictures (hidden and read-only ones
  // too), 24 background, a missing picture 0; page2 is written and referenced.
  EXPECT_EQ(AlbumSize(written_, referenced_), 3972);
  const int64_t total = CalculateAlbumSize(index_, written_, referenced_, ui_);
  EXPECT_EQ(total, 3972);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], AlbumSizeReport(index_, 3972, LocaleNumberFormat()));
  EXPECT_EQ(AlbumSizeReport(index_, total, kEnglish),
            "Main album page: index.html\n\nTotal album size: 3,972 bytes (3.88 KB)");
  EXPECT_EQ(AlbumSize({}, TReferencedFiles()), 0);
}

TEST_F(LocalAlbumTest, DeleteRemovesExactlyThePagesAndTheirListEntries) {
  TAlbumList list(ui_, dir_.file("Albums"));
  list.LoadAlbumList(dir_.file("Albums.lst"));
  list.RegisterBuiltAlbum("Holiday", index_);
  list.RegisterBuiltAlbum("", dir_.file("Albums/other/index.html"));
  list.AlbumListModified = false;
  std::string contents = index_;

  EXPECT_EQ(DeleteLocalAlbum(written_, contents, referenced_, album_, &list), 2);
  EXPECT_FALSE(FileExists(index_));
  EXPECT_FALSE(FileExists(page2_));
  // Pictures, thumbnails, the user's file and the other album stay; so does
  // the created folder, which is not empty.
  for (const std::string& kept :
       {album_ + "/images/beach.jpg", album_ + "/images/tn_beach.jpg",
        album_ + "/images/.hidden.gif", album_ + "/notes.txt", dir_.file("Backgrounds/paper.gif"),
        dir_.file("Albums/other/index.html")}) {
    EXPECT_TRUE(FileExists(kept)) << kept;
  }
  EXPECT_TRUE(written_.empty());
  EXPECT_TRUE(contents.empty());
  EXPECT_EQ(referenced_.Count(), 0u);
  // The album's own row goes, the other album's stays.
  EXPECT_EQ(list.FindAlbumRow(index_), -1);
  ASSERT_EQ(list.Rows().size(), 1u);
  EXPECT_EQ(list.Rows()[0].path, dir_.file("Albums/other/index.html"));
  EXPECT_TRUE(list.AlbumListModified);
}

TEST_F(LocalAlbumTest, CreatedFolderGoesOnlyWhenEmpty) {
  // A build whose created folder holds nothing but its pages.
  const std::string created = dir_.file("Albums/0002");
  std::vector<std::string> pages = {created + "/index.html", created + "/index2.html"};
  for (const std::string& p : pages) WriteFile(p, "page");
  std::string contents = pages[0];
  TReferencedFiles refs;
  EXPECT_EQ(DeleteLocalAlbum(pages, contents, refs, created + "/", nullptr), 2);
  EXPECT_FALSE(FolderExists(created));
  EXPECT_TRUE(FolderExists(dir_.file("Albums")));

  // A page that is already gone is passed over; a folder given that the
  // build did not empty stays with everything in it.
  std::string contents2 = index_;
  written_.insert(written_.begin(), album_ + "/gone.html");
  EXPECT_EQ(DeleteLocalAlbum(written_, contents2, referenced_, album_, nullptr), 2);
  EXPECT_TRUE(FileExists(album_ + "/notes.txt"));
  EXPECT_TRUE(FileExists(album_ + "/images/beach.jpg"));
}

TEST_F(LocalAlbumTest, PageThatCannotBeDeletedStaysWithoutAMessage) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop the superuser";
  const std::string locked = dir_.file("Locked");
  WriteFile(locked + "/index.html", "page");
  chmod(locked.c_str(), 0555);
  std::vector<std::string> pages = {locked + "/index.html", index_};
  std::string contents = index_;
  EXPECT_EQ(DeleteLocalAlbum(pages, contents, referenced_, locked, nullptr), 1);
  chmod(locked.c_str(), 0755);
  EXPECT_TRUE(FileExists(locked + "/index.html"));
  EXPECT_FALSE(FileExists(index_));
  EXPECT_TRUE(ui_.errors.empty() && ui_.messages.empty());
}

// A real build through the album-list host: the album is registered in the
// list, its size covers pages and pictures, and deleting it takes the pages
// and the list entry away again.
TEST(LocalAlbumBuild, BuiltAlbumIsListedMeasuredAndDeleted) {
  if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
  TTempDir dir;
  TProgramFolders folders;
  folders.MainDirectory = dir.path();
  folders.BaseFolder = dir.path() + "/";
  folders.AlbumsFolder = dir.file("Albums");
  folders.TemplatesFolder = dir.file("Templates") + "/";
  folders.SamplesFolder = dir.file("Samples");
  folders.SettingsFolder = dir.file("Settings");
  folders.BackgroundsFolder = dir.file("Backgrounds");
  ForceFolders(folders.AlbumsFolder);
  ForceFolders(folders.SettingsFolder);
  ForceFolders(dir.file("pics"));
  for (const char* name : {"beach", "dunes"}) {
    ASSERT_EQ(test::RunCommand("convert -size 320x240 gradient:red-blue '" +
                               dir.file(std::string("pics/") + name + ".jpg") + "'"),
              0);
  }
  WriteFile(folders.TemplatesFolder + "Gallery.html",
            "<html><head><title>{PageTitle}</title></head><body>\n"
            "<!--body_start-->\n"
            "<a href=\"{FileUrl}\"><img src=\"{ThumbUrl}\"></a>\n"
            "<!--body_end-->\n"
            "</body></html>\n");

  TWindowState window;
  window.vclShellTree = dir.file("pics");
  window.edtPageTitle = "";  // the list titles the album with its relative path
  TScriptedUserInterface ui;
  TAlbumList list(ui, folders.AlbumsFolder);
  list.LoadAlbumList(AlbumListPath(folders.SettingsFolder));

  TFileDescriptions descriptions;
  TPictureGrid grid(window, descriptions);
  TPictureCollection collection(grid, window, ui);
  TAlbumListBuildHost host(window, grid, collection, list);
  TMemoryProgressLog log;
  TAlbumBuilder builder(window, host, ui, log, folders);
  collection.RefreshPictureList(window.vclShellTree, window.cmbFileFilters,
                                window.edtExclusionFilters);
  window.cmbTemplate = "Gallery";
  ASSERT_TRUE(builder.BuildAlbumCommand()) << log.Text();

  const std::string index = builder.ContentsPage;
  ASSERT_EQ(index.rfind(folders.AlbumsFolder + "/0001/index", 0), 0u) << index;
  ASSERT_EQ(list.Rows().size(), 1u);
  EXPECT_EQ(list.Rows()[0].path, index);
  EXPECT_EQ(list.Rows()[0].title, index.substr(folders.AlbumsFolder.size() + 1));
  EXPECT_TRUE(list.AlbumListModified);

  std::set<std::string> files(builder.WrittenPages.begin(), builder.WrittenPages.end());
  for (const TReferencedFile& file : builder.ReferencedFiles.Items()) files.insert(file.path);
  int64_t expected = 0;
  for (const std::string& file : files) expected += std::max<int64_t>(0, FileSize(file));
  EXPECT_GT(builder.ReferencedFiles.Count(), 0u);
  EXPECT_EQ(CalculateAlbumSize(builder, ui), expected);

  const std::vector<std::string> pages = builder.WrittenPages;
  std::vector<std::string> pictures;
  for (const TReferencedFile& file : builder.ReferencedFiles.Items()) pictures.push_back(file.path);
  EXPECT_EQ(DeleteLocalAlbum(builder, &list), static_cast<int>(pages.size()));
  for (const std::string& page : pages) EXPECT_FALSE(FileExists(page)) << page;
  for (const std::string& picture : pictures) EXPECT_TRUE(FileExists(picture)) << picture;
  EXPECT_TRUE(list.Rows().empty());
  EXPECT_TRUE(builder.ContentsPage.empty());
  EXPECT_FALSE(builder.Commands.btnDeletePagesEnabled);
  EXPECT_FALSE(builder.Commands.btnCalculateSizeEnabled);
  EXPECT_FALSE(builder.Commands.btnPreviewLocalEnabled);

  ASSERT_TRUE(list.SaveAlbumList());
  EXPECT_EQ(test::ReadFile(AlbumListPath(folders.SettingsFolder)), "");
}

}  // namespace
}  // namespace pictavo
