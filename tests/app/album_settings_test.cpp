#include "app/album_settings.h"

#include <gtest/gtest.h>

#include "pictures/descriptions.h"
#include "pictures/picture_collection.h"
#include "pictures/picture_grid.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "settings/program_folders.h"
#include "settings/window_state.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::TTempDir;
using test::WriteFile;

// A window's worth of album state over real folders.
struct AlbumSettingsFixture : ::testing::Test {
  TTempDir dir;
  TWindowState state;
  TFileDescriptions descriptions;
  TPictureGrid grid{state, descriptions};
  test::TScriptedUserInterface ui;
  TPictureCollection collection{grid, state, ui};
  TProgramFolders folders;
  TAlbumSettingsState session;
  std::vector<std::string> templates_selected;
  TAlbumSettingsContext ctx{state, grid, collection, folders, ui, session,
                            [this](const std::string& t) { templates_selected.push_back(t); },
                            nullptr};
  void SetUp() override {
    descriptions.save_with_images = false;
    folders.SettingsFolder = dir.file("settings");
    folders.BaseFolder = dir.file("base/");
    folders.SamplesFolder = dir.file("samples");
    ForceFolders(folders.SettingsFolder);
  }
};

TEST_F(AlbumSettingsFixture, NewWithAndWithoutDefault) {
  LoadAlbumSettings(ctx);
  EXPECT_EQ(session.Caption, "Untitled - Pictavo");
  EXPECT_EQ(session.CurrentSettingsFile, "");
  EXPECT_EQ(state.cmbCharSet, "[Omit]");
  WriteFile(folders.SettingsFolder + "/Default.alb",
            "[Settings]\nPageTitle=From default\nTemplate=Gallery.html\nMaxImages=9\n");
  LoadAlbumSettings(ctx);
  EXPECT_EQ(session.Caption, "Default - Pictavo");
  EXPECT_EQ(state.edtPageTitle, "From default");
  EXPECT_EQ(state.edtMaxImages, "9");
  EXPECT_EQ(templates_selected.back(), "Gallery.html");
  MarkSettingsChanged(ctx, true);
  EXPECT_EQ(session.Caption, "*Default* - Pictavo");
}

TEST_F(AlbumSettingsFixture, FolderModeLoadResolvesFolderAndSort) {
  WriteFile(folders.SettingsFolder + "/Trip.alb",
            "[Settings]\nPictureFolder=Photos/2004\nSortColumn=date - DESCENDING\n"
            "ExclusionFilters=*.tmp\n[IgnoreImages]\nIgnoreCount=1\nIgnore_1=x.jpg\n");
  LoadAlbumSettings(ctx, "Trip");
  EXPECT_EQ(state.vclShellTree, dir.file("base/Photos/2004"));
  EXPECT_EQ(grid.SortingChoiceText(), "Date - descending");
  EXPECT_EQ(state.edtExclusionFilters, "*.tmp");
  EXPECT_TRUE(grid.IgnoredNames().Contains("X.JPG"));
  EXPECT_TRUE(collection.PictureListOutOfDate());
  EXPECT_EQ(session.CurrentSettingsFile, folders.SettingsFolder + "/Trip.alb");
  EXPECT_FALSE(session.SettingsChanged);
}

TEST_F(AlbumSettingsFixture, ManualModeKeepsPicturesInListFile) {
  std::string a = dir.file("p/a.png"), b = dir.file("p/b c.png");
  ASSERT_EQ(test::RunCommand("mkdir -p '" + dir.file("p") + "' && convert -size 4x3 xc:red '" + a +
                             "' && convert -size 5x2 xc:blue '" + b + "'"),
            0);
  collection.PickManuallyClicked(true);
  collection.AddPictures({b, a});
  state.edtPageTitle = "Manual";
  SaveAlbumSettings(ctx, "Hand");
  std::string fls = folders.SettingsFolder + "/Hand.fls";
  // The list is kept in display order (sorted by file name here).
  EXPECT_EQ(test::ReadFile(fls), a + "\r\n" + b + "\r\n");
  EXPECT_EQ(ui.statuses.back(), "Settings \"Hand\" saved");

  collection.FillPictureList({}, true);
  LoadAlbumSettings(ctx, "Hand");
  ASSERT_EQ(grid.List().RowCount(), 2);
  EXPECT_EQ(grid.List().Row(0).fldFullName, a);
  EXPECT_EQ(grid.List().Row(1).fldImageWidth, 5);

  // Back in folder mode without a custom order, the list file goes.
  collection.PickManuallyClicked(false);
  SaveAlbumSettings(ctx, "Hand");
  EXPECT_FALSE(FileExists(fls));
}

TEST_F(AlbumSettingsFixture, SavePromptAnswers) {
  session.SettingsChanged = true;
  ui.answers = {TAnswer::Cancel, TAnswer::No, TAnswer::Yes, TAnswer::Yes};
  EXPECT_FALSE(PromptSaveAlbumSettings(ctx));
  EXPECT_TRUE(PromptSaveAlbumSettings(ctx));
  EXPECT_FALSE(PromptSaveAlbumSettings(ctx));  // Yes, then the save dialog is cancelled
  EXPECT_EQ(ui.dialogs.back().title, "Save Album Settings");
  EXPECT_EQ(ui.dialogs.back().filter, "Album settings (*.alb)|*.alb|All files (*.*)|*.*");
  ui.files.push_back("Chosen");
  EXPECT_TRUE(PromptSaveAlbumSettings(ctx));
  EXPECT_TRUE(FileExists(folders.SettingsFolder + "/Chosen.alb"));
  EXPECT_FALSE(session.SettingsChanged);
  state.cbxPromptSaveAlbum = false;
  session.SettingsChanged = true;
  EXPECT_TRUE(PromptSaveAlbumSettings(ctx));
}

TEST_F(AlbumSettingsFixture, UnwritableSettingsKeepTheCurrentFile) {
  session.CurrentSettingsFile = "/old.alb";
  session.SettingsChanged = true;
  EXPECT_THROW(SaveAlbumSettings(ctx, dir.file("missing/folder/x")), EPictavo);
  EXPECT_EQ(session.CurrentSettingsFile, "/old.alb");
  EXPECT_TRUE(session.SettingsChanged);
}

}  // namespace
}  // namespace pictavo
