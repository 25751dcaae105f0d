#include "pictures/descriptions.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::ReadFile;
using test::TTempDir;
using test::WriteFile;

// A file that exists but whose reading fails, whoever runs the tests (root
// reads through any permission bits): a link to a file that refuses reads.
void MakeUnreadable(const std::string& path) {
  std::filesystem::create_symlink("/proc/self/mem", path);
}

TEST(DescriptionEncodingTest, LineBreaksBecomeCaretP) {
  struct Case {
    const char* text;
    const char* encoded;
  };
  const Case cases[] = {
      {"one\r\ntwo", "one^Ptwo"},
      {"one\ntwo", "one^Ptwo"},
      {"one\rtwo", "one^Ptwo"},
      {"\r\n\r\n", "^P^P"},
      {"\n\r", "^P^P"},
      {"end^", "end^"},
      {"no break = here", "no break = here"},
  };
  for (const Case& c : cases) EXPECT_EQ(EncodeDescription(c.text), c.encoded) << c.text;

  EXPECT_EQ(DecodeDescription("a^Pb^pc"), "a\r\nb\r\nc");
  EXPECT_EQ(DecodeDescription("a^^P"), "a^\r\n");
  EXPECT_EQ(DecodeDescription("^"), "^");
  EXPECT_EQ(DecodeDescription("^Q"), "^Q");
}

TEST(AlbumDescriptionsTest, SaveWritesSortedCrLfLinesAndLoadReadsThemBack) {
  TTempDir dir;
  std::string file = dir.file("Albums.lst");
  TAlbumDescriptions store;
  store.SetFileName(file);
  EXPECT_TRUE(store.SetDescription("/albums/b.alb", "Second\r\nline two"));
  EXPECT_TRUE(store.SetDescription("/albums/A.alb", "First"));
  EXPECT_TRUE(store.SetDescription("/albums/c.alb", "lone\nbreak"));
  EXPECT_TRUE(store.Save());
  EXPECT_EQ(ReadFile(file),
            "/albums/A.alb=First\r\n/albums/b.alb=Second^Pline two\r\n"
            "/albums/c.alb=lone^Pbreak\r\n");

  TAlbumDescriptions again;
  again.Load(file);
  EXPECT_EQ(again.Count(), 3u);
  EXPECT_EQ(again.GetDescription("/albums/b.alb"), "Second\r\nline two");
  EXPECT_EQ(again.GetDescription("/albums/c.alb"), "lone\r\nbreak");
  // The album store looks keys up without regard to case.
  EXPECT_EQ(again.GetDescription("/ALBUMS/a.ALB"), "First");
}

TEST(AlbumDescriptionsTest, LoadKeepsFirstOfKeysDifferingInCaseAndSkipsLinesWithoutKey) {
  TTempDir dir;
  std::string file = dir.file("Albums.lst");
  WriteFile(file,
            "/a/Title.alb=first\r\n/a/TITLE.alb=second\r\n=no key\r\nno equals sign\r\n"
            "/a/empty.alb=\r\n/a/eq.alb=x=y\r\n");
  TAlbumDescriptions store;
  store.Load(file);
  EXPECT_EQ(store.Keys(), (std::vector<std::string>{"/a/empty.alb", "/a/eq.alb", "/a/Title.alb"}));
  EXPECT_EQ(store.GetDescription("/a/title.alb"), "first");
  EXPECT_EQ(store.GetDescription("/a/eq.alb"), "x=y");
}

TEST(AlbumDescriptionsTest, ReadsEveryLineEndingAndWindows1252) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"CR LF", "/p/a.jpg=caf\xC3\xA9\r\n/p/b.jpg=two"},
      {"LF", "/p/a.jpg=caf\xC3\xA9\n/p/b.jpg=two\n"},
      {"CR", "/p/a.jpg=caf\xC3\xA9\r/p/b.jpg=two\r"},
      {"Windows-1252", "/p/a.jpg=caf\xE9\r\n/p/b.jpg=two\r\n"},
  };
  for (const Case& c : cases) {
    TTempDir dir;
    WriteFile(dir.file("Albums.ids"), c.bytes);
    TFileDescriptions store;
    store.save_with_images = false;
    store.Load(dir.file("Albums.ids"));
    EXPECT_EQ(store.Count(), 2u) << c.name;
    EXPECT_EQ(store.GetDescription("/p/a.jpg"), "caf\xC3\xA9") << c.name;
    EXPECT_EQ(store.GetDescription("/p/b.jpg"), "two") << c.name;
  }
}

TEST(AlbumDescriptionsTest, MissingFileReadsEmptyAndUnreadableFileIsNeverOverwritten) {
  TTempDir dir;
  TAlbumDescriptions missing;
  missing.Load(dir.file("nothing.lst"));
  EXPECT_EQ(missing.Count(), 0u);

  std::string file = dir.file("Albums.lst");
  MakeUnreadable(file);
  TAlbumDescriptions store;
  EXPECT_THROW(store.Load(file), EPictavo);
  EXPECT_EQ(store.Count(), 0u);
  store.SetDescription("/a.alb", "new");
  EXPECT_FALSE(store.Save());
  EXPECT_TRUE(std::filesystem::is_symlink(file));
}

TEST(AlbumDescriptionsTest, ReadOnlyStoreOrMissingFolderIsNotWritten) {
  TTempDir dir;
  std::string file = dir.file("Albums.ids");
  WriteFile(file, "/p/a.jpg=old\r\n");
  ASSERT_EQ(chmod(file.c_str(), 0444), 0);

  TFileDescriptions store;
  store.save_with_images = false;
  store.Load(file);
  EXPECT_TRUE(store.SetDescription("/p/a.jpg", "new"));
  EXPECT_FALSE(store.Save());
  EXPECT_EQ(ReadFile(file), "/p/a.jpg=old\r\n");
  EXPECT_TRUE(store.modified);
  EXPECT_EQ(store.GetDescription("/p/a.jpg"), "new");

  store.SetFileName(dir.file("no such folder/Albums.ids"));
  EXPECT_FALSE(store.Save());
  EXPECT_TRUE(store.modified);
  EXPECT_FALSE(std::filesystem::exists(dir.file("no such folder")));
}

TEST(FileDescriptionsTest, SetGetAndRemove) {
  TFileDescriptions store;
  store.save_with_images = false;
  EXPECT_FALSE(store.SetDescription("/p/a.jpg", ""));
  EXPECT_FALSE(store.modified);
  EXPECT_TRUE(store.SetDescription("/p/a.jpg", "text"));
  EXPECT_TRUE(store.modified);
  EXPECT_FALSE(store.SetDescription("/p/a.jpg", "text"));
  EXPECT_TRUE(store.SetDescription("/p/a.jpg", "Text"));
  EXPECT_EQ(store.GetDescription("/p/a.jpg"), "Text");
  EXPECT_EQ(store.EntryPath(0), "/p/a.jpg");
  EXPECT_EQ(store.EntryPath(1), "");

  // File names are case-sensitive: another case is another picture.
  EXPECT_EQ(store.GetDescription("/p/A.jpg"), "");
  EXPECT_TRUE(store.SetDescription("/p/A.jpg", "upper"));
  EXPECT_EQ(store.GetDescription("/p/a.jpg"), "Text");
  EXPECT_EQ(store.Count(), 2u);

  store.modified = false;
  EXPECT_TRUE(store.SetDescription("/p/a.jpg", ""));
  EXPECT_TRUE(store.modified);
  EXPECT_EQ(store.GetDescription("/p/a.jpg"), "");
  EXPECT_TRUE(store.RemoveDescription("/p/A.jpg"));
  EXPECT_FALSE(store.RemoveDescription("/p/A.jpg"));
  EXPECT_EQ(store.Count(), 0u);
}

TEST(FileDescriptionsTest, BareFileNameKeyAnswersForAnyFolder) {
  TTempDir dir;
  WriteFile(dir.file("Albums.ids"),
            "sunset.jpg=Bare name\r\n/old/place/sunset.jpg=Full path\r\n"
            "\\Photos\\beach.jpg=Old key form\r\n");
  TFileDescriptions store;
  store.save_with_images = false;
  store.Load(dir.file("Albums.ids"));
  EXPECT_EQ(store.GetDescription("/old/place/sunset.jpg"), "Full path");
  EXPECT_EQ(store.GetDescription("/new/place/sunset.jpg"), "Bare name");
  EXPECT_EQ(store.GetDescription("/new/place/beach.jpg"), "");
  // Keys in a form the store does not use survive a save.
  ASSERT_TRUE(store.Save());
  EXPECT_NE(ReadFile(dir.file("Albums.ids")).find("\\Photos\\beach.jpg=Old key form\r\n"),
            std::string::npos);
}

TEST(FileDescriptionsTest, FolderFileLinesAreParsed) {
  TFileDescriptions store;
  auto list = store.NewList();
  store.MergeFolderText("/f",
                        "plain.jpg Plain text\r\n"
                        "\"my photo.jpg\" Quoted name\r\n"
                        "\"a\"b c.jpg\" quote inside\r\n"
                        "spaced.jpg   kept  \r\n"
                        "break.jpg one^ptwo\r\n"
                        "\r\n"
                        "noseparator\r\n"
                        " leadingspace\r\n"
                        "\"unclosed name.jpg text\r\n"
                        "\"\" empty quoted\r\n"
                        "plain.jpg second line for the same name\r\n",
                        list);
  std::vector<std::string> keys;
  for (const auto& entry : list) keys.push_back(entry.first);
  EXPECT_EQ(keys, (std::vector<std::string>{"/f/a\"b c.jpg", "/f/break.jpg", "/f/my photo.jpg",
                                            "/f/plain.jpg", "/f/spaced.jpg"}));
  // A later line for the same name replaces the text.
  EXPECT_EQ(list.at("/f/plain.jpg").text, "second line for the same name");
  EXPECT_EQ(list.at("/f/my photo.jpg").text, "Quoted name");
  EXPECT_EQ(list.at("/f/a\"b c.jpg").text, "quote inside");
  EXPECT_EQ(list.at("/f/spaced.jpg").text, "  kept  ");
  EXPECT_EQ(list.at("/f/break.jpg").text, "one\r\ntwo");
  EXPECT_FALSE(list.at("/f/plain.jpg").owned);
  EXPECT_EQ(store.Count(), 0u);

  // Written back, every name reads as itself.
  EXPECT_EQ(TFileDescriptions::FolderFileText("/f/", list),
            "\"a\"b c.jpg\" quote inside\r\n\"my photo.jpg\" Quoted name\r\nbreak.jpg one^Ptwo\r\n"
            "plain.jpg second line for the same name\r\nspaced.jpg   kept  \r\n");
}

// A picture folder with a store file beside it.
class FolderFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pictures = dir.path() + "/pictures";
    std::filesystem::create_directories(pictures);
    ion = pictures + "/descript.ion";
    ids = dir.file("Albums.ids");
  }
  std::string Pic(const std::string& name) const { return pictures + "/" + name; }

  TTempDir dir;
  std::string pictures, ion, ids;
};

TEST_F(FolderFileTest, DescriptionWithSpaceInNameAndLineBreakRoundTrips) {
  {
    TFileDescriptions store;
    store.Load(ids);
    EXPECT_EQ(store.GetDescription(Pic("my photo.jpg")), "");
    EXPECT_TRUE(store.SetDescription(Pic("my photo.jpg"), "Line one\r\nLine two"));
    EXPECT_TRUE(store.SetDescription(Pic("b.jpg"), "Bee"));
    store.WriteFolderFile(pictures);
    // Lines are sorted as written: a quoted name sorts first.
    EXPECT_EQ(ReadFile(ion), "\"my photo.jpg\" Line one^PLine two\r\nb.jpg Bee\r\n");
    EXPECT_FALSE(store.Entries().at(Pic("b.jpg")).modified);
    EXPECT_TRUE(store.Save());
    EXPECT_FALSE(store.modified);
  }
  // From the folder file alone.
  TFileDescriptions store;
  EXPECT_EQ(store.GetDescription(Pic("my photo.jpg")), "Line one\r\nLine two");
  EXPECT_TRUE(store.FolderRead(pictures));
}

TEST_F(FolderFileTest, FolderFileOverridesStoreOnFirstRead) {
  WriteFile(ids, Pic("a.jpg") + "=From the store\r\n" + Pic("b.jpg") + "=Same  \r\n");
  WriteFile(ion, "a.jpg  From the folder  \r\nb.jpg Same\r\nc.jpg \r\n");
  TFileDescriptions store;
  store.Load(ids);
  EXPECT_EQ(store.GetDescription(Pic("a.jpg")), "From the folder");
  // Equal after trimming: the store's text stays.
  EXPECT_EQ(store.GetDescription(Pic("b.jpg")), "Same  ");
  EXPECT_EQ(store.GetDescription(Pic("c.jpg")), "");
  EXPECT_FALSE(store.modified);
  for (const auto& entry : store.Entries()) EXPECT_TRUE(entry.second.owned) << entry.first;

  // Read once per run: a later change of the file is not merged again.
  WriteFile(ion, "a.jpg Changed on disk\r\n");
  EXPECT_EQ(store.GetDescription(Pic("a.jpg")), "From the folder");
}

TEST_F(FolderFileTest, ForeignLinesAreKeptAndOtherProgramsFileRewrittenWithCrLf) {
  WriteFile(ion, "zz.jpg Not in the album\nold.jpg Old text\n\"x y.png\" Other\n");
  TFileDescriptions store;
  store.Load(ids);
  EXPECT_EQ(store.GetDescription(Pic("old.jpg")), "Old text");
  EXPECT_TRUE(store.SetDescription(Pic("old.jpg"), "New text"));
  store.WriteFolderFile(pictures + "/");
  EXPECT_EQ(ReadFile(ion), "\"x y.png\" Other\r\nold.jpg New text\r\nzz.jpg Not in the album\r\n");
}

TEST_F(FolderFileTest, RemovedDescriptionLeavesFolderFileAndDoesNotComeBack) {
  WriteFile(ion, "a.jpg Keep me\r\nb.jpg Remove me\r\n");
  {
    TFileDescriptions store;
    store.Load(ids);
    EXPECT_EQ(store.GetDescription(Pic("b.jpg")), "Remove me");
    EXPECT_TRUE(store.SetDescription(Pic("b.jpg"), ""));
    EXPECT_TRUE(store.modified);
    EXPECT_TRUE(store.Save());
  }
  EXPECT_EQ(ReadFile(ion), "a.jpg Keep me\r\n");
  EXPECT_EQ(ReadFile(ids), Pic("a.jpg") + "=Keep me\r\n");
  TFileDescriptions store;
  store.Load(ids);
  EXPECT_EQ(store.GetDescription(Pic("b.jpg")), "");
  EXPECT_EQ(store.GetDescription(Pic("a.jpg")), "Keep me");
}

TEST_F(FolderFileTest, UserEditIsNotReplacedByALaterFolderRead) {
  WriteFile(ion, "a.jpg Old text\r\n");
  TFileDescriptions store;
  store.save_with_images = false;
  EXPECT_TRUE(store.SetDescription(Pic("a.jpg"), "Edited"));
  store.save_with_images = true;
  EXPECT_EQ(store.GetDescription(Pic("a.jpg")), "Edited");
  store.WriteFolderFile(pictures);
  EXPECT_EQ(ReadFile(ion), "a.jpg Edited\r\n");
}

TEST_F(FolderFileTest, SaveWithImagesOffTouchesNoFolderFile) {
  WriteFile(ion, "a.jpg Folder text\r\n");
  TFileDescriptions store;
  store.save_with_images = false;
  store.Load(ids);
  EXPECT_EQ(store.GetDescription(Pic("a.jpg")), "");
  EXPECT_TRUE(store.SetDescription(Pic("a.jpg"), "Store text"));
  EXPECT_TRUE(store.SetDescription(Pic("new.jpg"), "New"));
  store.WriteFolderFile(pictures);
  EXPECT_TRUE(store.Save());
  EXPECT_EQ(ReadFile(ion), "a.jpg Folder text\r\n");
  EXPECT_FALSE(store.FolderRead(pictures));
  EXPECT_EQ(ReadFile(ids), Pic("a.jpg") + "=Store text\r\n" + Pic("new.jpg") + "=New\r\n");
}

TEST_F(FolderFileTest, SaveWritesFoldersReadAndFoldersOfChangedEntries) {
  std::string other = dir.path() + "/other";
  std::filesystem::create_directories(other);
  WriteFile(ids, other + "/from-store.jpg=Only in the store\r\n");
  WriteFile(ion, "a.jpg In the folder\r\n");
  TFileDescriptions store;
  store.Load(ids);
  EXPECT_EQ(store.GetDescription(Pic("a.jpg")), "In the folder");
  EXPECT_TRUE(store.SetDescription(other + "/edited.jpg", "Edited"));
  EXPECT_TRUE(store.Save());
  // Nothing new for the folder read: its file is left as it was.
  EXPECT_EQ(ReadFile(ion), "a.jpg In the folder\r\n");
  // The changed folder gets every description the store has for it.
  EXPECT_EQ(ReadFile(other + "/descript.ion"),
            "edited.jpg Edited\r\nfrom-store.jpg Only in the store\r\n");
  EXPECT_EQ(ReadFile(ids), other + "/edited.jpg=Edited\r\n" + other +
                               "/from-store.jpg=Only in the store\r\n" + Pic("a.jpg") +
                               "=In the folder\r\n");
  EXPECT_FALSE(store.modified);
}

TEST_F(FolderFileTest, ReadOnlyOrUnreadableFolderFileIsNotWrittenAndNothingIsLost) {
  WriteFile(ion, "a.jpg Old\r\n");
  ASSERT_EQ(chmod(ion.c_str(), 0444), 0);
  TFileDescriptions store;
  store.Load(ids);
  EXPECT_EQ(store.GetDescription(Pic("a.jpg")), "Old");
  EXPECT_TRUE(store.SetDescription(Pic("a.jpg"), "New"));
  store.WriteFolderFile(pictures);
  EXPECT_TRUE(store.Save());
  EXPECT_EQ(ReadFile(ion), "a.jpg Old\r\n");
  EXPECT_TRUE(store.Entries().at(Pic("a.jpg")).modified);
  EXPECT_EQ(ReadFile(ids), Pic("a.jpg") + "=New\r\n");

  // Unreadable: reads as empty, and is not replaced by a file without its lines.
  std::string locked = dir.path() + "/locked";
  std::filesystem::create_directories(locked);
  MakeUnreadable(locked + "/descript.ion");
  EXPECT_EQ(store.GetDescription(locked + "/b.jpg"), "");
  EXPECT_TRUE(store.SetDescription(locked + "/b.jpg", "Text"));
  store.WriteFolderFile(locked);
  EXPECT_TRUE(std::filesystem::is_symlink(locked + "/descript.ion"));
  EXPECT_TRUE(store.Entries().at(locked + "/b.jpg").modified);

  // A folder where no file can be created.
  EXPECT_TRUE(store.SetDescription(dir.path() + "/gone/c.jpg", "Text"));
  store.WriteFolderFile(dir.path() + "/gone");
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/gone"));
}

TEST_F(FolderFileTest, FolderFileErrorStillSavesStoreAndIsRaised) {
  std::string blocked = dir.path() + "/blocked";
  std::filesystem::create_directories(blocked + "/descript.ion");  // a folder in the way
  TFileDescriptions store;
  store.Load(ids);
  EXPECT_TRUE(store.SetDescription(blocked + "/a.jpg", "Text"));
  EXPECT_THROW(store.Save(), EPictavo);
  EXPECT_EQ(ReadFile(ids), blocked + "/a.jpg=Text\r\n");
  EXPECT_TRUE(store.modified);
  EXPECT_TRUE(store.Entries().at(blocked + "/a.jpg").modified);
}

}  // namespace
}  // namespace pictavo
