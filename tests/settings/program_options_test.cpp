#include "settings/program_options.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::TTempDir;

struct OptionsFixture : ::testing::Test {
  TTempDir dir;
  TProgramFolders folders;
  void SetUp() override {
    setenv("HOME", dir.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    folders.SamplesFolder = dir.file("program/Samples");
    folders.SettingsFolder = dir.file("settings");
  }
  void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }
  std::unique_ptr<TRegOrIni> Store() {
    return std::make_unique<TRegOrIni>(dir.file("p.ini"), dir.file("program"), dir.file("config"));
  }
};

TEST_F(OptionsFixture, FirstRunDefaultsAndRoundTrip) {
  TWindowState s;
  auto store = Store();
  ASSERT_TRUE(store->FirstRun);
  LoadProgramOptions(*store, folders, s);
  EXPECT_EQ(s.vclShellTree, folders.SamplesFolder);
  EXPECT_EQ(s.cmbDateFormatItems, DefaultDateFormats());
  EXPECT_EQ(s.cmbFileFiltersItems.size(), 7u);
  EXPECT_EQ(s.cmbFileFilters, DefaultPictureFilters()[0]);
  EXPECT_EQ(s.cmbPreviousFoldersItems,
            (std::vector<std::string>{"[MS Explorer Cache]", "[Netscape Cache]"}));
  EXPECT_TRUE(s.cbxLowercaseURLs);
  EXPECT_EQ(s.edtImageFolder, "images");

  s.cmbName = "Ann";
  s.cbxLowercaseURLs = false;
  s.cmbDefaultExt = "htm";
  s.edtImageMaxWidth = "800";
  s.cmbFileFiltersIndex = 3;
  s.grdPictureListLook.grid_lines = 1;
  s.grdPictureListLook.column_widths["RvDefault_1"] = 222;
  s.MainWindowPlacement = {10, 20, 900, 700, 0, 1};
  SaveProgramOptions(*store, folders, s);
  store.reset();
  std::string text = test::ReadFile(dir.file("p.ini"));
  // The samples folder of the first run is not remembered.
  EXPECT_EQ(text.find("DefaultFolder"), std::string::npos);

  TWindowState back;
  store = Store();
  EXPECT_FALSE(store->FirstRun);
  LoadProgramOptions(*store, folders, back);
  EXPECT_EQ(back.cmbName, "Ann");
  EXPECT_FALSE(back.cbxLowercaseURLs);
  EXPECT_EQ(back.cmbDefaultExt, "htm");
  EXPECT_EQ(back.edtImageMaxWidth, "800");
  EXPECT_EQ(back.cmbFileFilters, "*.png");
  EXPECT_EQ(back.grdPictureListLook.grid_lines, 1);
  EXPECT_EQ(back.grdPictureListLook.column_widths["RvDefault_1"], 222);
  EXPECT_EQ(back.MainWindowPlacement.Width, 900);
  EXPECT_EQ(back.vclShellTree, dir.file("Pictures"));
  // The folder shown at close joined the folder history.
  EXPECT_EQ(back.cmbPreviousFoldersItems.back(), folders.SamplesFolder);
}

TEST_F(OptionsFixture, HistoriesKeepTheirFirstFifteen) {
  TWindowState s;
  auto store = Store();
  for (int i = 0; i < 20; ++i) s.cmbNameItems.push_back("name " + std::to_string(i));
  SaveProgramOptions(*store, folders, s);
  TWindowState back;
  LoadProgramOptions(*store, folders, back);
  ASSERT_EQ(back.cmbNameItems.size(), 15u);
  EXPECT_EQ(back.cmbNameItems.back(), "name 14");
}

TEST_F(OptionsFixture, LayoutOffForgetsThePictureGridOnly) {
  TWindowState s;
  auto store = Store();
  s.grdPictureListLook.grid_lines = 0;
  s.grdAlbumListLook.grid_lines = 2;
  SaveProgramOptions(*store, folders, s);
  s.cbxRestoreLayout = false;
  SaveProgramOptions(*store, folders, s);
  TWindowState back;
  LoadProgramOptions(*store, folders, back);
  EXPECT_EQ(back.grdPictureListLook.grid_lines, 3);
  EXPECT_EQ(back.grdAlbumListLook.grid_lines, 2);
}

TEST_F(OptionsFixture, RefusedValuesAreIgnored) {
  test::WriteFile(dir.file("p.ini"),
                  "[Application]\nVersion=3500\n[FileFilters]\nFilterCount=1\nFilter_1=\"*.x\"\n"
                  "Index=7\n[ImageGrid]\nGridLines=9\n[AuthorDateFormats]\nDateFormatCount=0\n");
  TWindowState s;
  auto store = Store();
  LoadProgramOptions(*store, folders, s);
  EXPECT_EQ(s.cmbFileFilters, "*.x");
  EXPECT_EQ(s.cmbFileFiltersIndex, 0);
  EXPECT_EQ(s.grdPictureListLook.grid_lines, 3);
  EXPECT_EQ(s.cmbDateFormatItems, DefaultDateFormats());
}

}  // namespace
}  // namespace pictavo
