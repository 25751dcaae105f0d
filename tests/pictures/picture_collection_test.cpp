// The picture collection: folder mode with filters and exclusions, manual
// mode, the fill's failure handling and the out-of-date rules.
#include <gtest/gtest.h>

#include "pictures/pictures_fixture.h"
#include "platform/errors.h"

namespace pictavo::test {
namespace {

class CollectionTest : public PicturePage {
 protected:
  void Pictures(const std::vector<std::string>& names) {
    for (const auto& n : names) WriteFile(dir.file(n), PictureBytes("jpg", 3, 2));
  }
  std::vector<std::string> Included() const {
    std::vector<std::string> out;
    for (int r = 0; r < grid.List().RowCount(); ++r) {
      const auto& item = grid.List().Row(r);
      if (item.Included()) out.push_back(item.fldPathName + item.fldFileName);
    }
    return out;
  }
  std::vector<std::string> Excluded() const {
    std::vector<std::string> out;
    for (int r = 0; r < grid.List().RowCount(); ++r) {
      const auto& item = grid.List().Row(r);
      if (!item.Included()) out.push_back(item.fldPathName + item.fldFileName);
    }
    return out;
  }
  int RowOf(const std::string& file_name) const {
    for (int r = 0; r < grid.List().RowCount(); ++r) {
      if (grid.List().Row(r).fldFileName == file_name) return r;
    }
    return -1;
  }
};

using Texts = std::vector<std::string>;

TEST_F(CollectionTest, RefreshListsTheFolder) {
  Pictures({"b.jpg", "A.jpg", "c.JPG", "d.png", "skip.txt"});
  WriteFile(dir.file("d.png"), PictureBytes("png", 5, 6));
  state.cmbFileFilters = "*.jpg;*.png";
  EXPECT_TRUE(collection.PictureListOutOfDate());
  Refresh();
  EXPECT_FALSE(collection.PictureListOutOfDate());
  EXPECT_EQ(Included(), (Texts{"A", "b", "c", "d"}));
  EXPECT_EQ(grid.IdCounter(), 4);
  EXPECT_EQ(grid.Commands.grdPictureListHint, "The album will have 4 images");
  // Ids follow the listing order (by name, without regard to case).
  EXPECT_EQ(grid.List().Row(RowOf("A")).fldIndex, 1);
  EXPECT_EQ(grid.List().Row(RowOf("d")).fldImageHeight, 6);

  // A second refresh starts the Ids afresh.
  Refresh();
  EXPECT_EQ(grid.IdCounter(), 4);

  for (const std::string& folder : {dir.file("missing"), std::string()}) {
    state.vclShellTree = folder;
    Refresh();
    EXPECT_EQ(grid.List().RowCount(), 0) << folder;
    EXPECT_EQ(grid.Commands.grdPictureListHint, "");
  }
}

TEST_F(CollectionTest, BadPicturesGetUnknownValuesAndTheFillGoesOn) {
  Pictures({"a.jpg", "c.jpg"});
  WriteFile(dir.file("b.jpg"), PictureBytes("jpg", 3, 2).substr(0, 30));  // truncated
  WriteFile(dir.file("bb.jpg"), PictureBytes("png", 3, 2));               // misnamed
  WriteFile(dir.file("bbb.jpg"), "");                                     // empty
  Refresh();
  EXPECT_EQ(Included(), (Texts{"a", "b", "bb", "bbb", "c"}));
  EXPECT_EQ(Column(TPictureField::ImageWidth), (Texts{"3", "", "", "", "3"}));
  EXPECT_EQ(Column(TPictureField::FileSize)[3], "0");
}

TEST_F(CollectionTest, UnopenablePictureEndsTheFillButKeepsRows) {
  Pictures({"a.jpg", "b.jpg", "c.jpg"});
  ASSERT_EQ(chmod(dir.file("b.jpg").c_str(), 0), 0);
  grid.IgnoredNames().Add("c.jpg");
  grid.IgnoredNames().Add("gone.jpg");
  // Each failed check gives its own code (the check may run in a child).
  auto run = [&]() -> int {
    try {
      Refresh();
      return 1;
    } catch (const EPictavo&) {
    }
    if (Included() != Texts{"a"}) return 2;
    if (grid.List().Updating()) return 3;
    if (grid.Commands.grdPictureListHint != "The album will have 1 images") return 4;
    // Names of files the fill did not reach are kept.
    if (grid.IgnoredNames().Names() != Texts{"c.jpg", "gone.jpg"}) return 5;
    return 0;
  };
  if (geteuid() != 0) {
    EXPECT_EQ(run(), 0);
    return;
  }
  // Root opens every file: the fill runs as nobody in a child process.
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  EXPECT_EXIT(
      {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(10);
        _exit(run());
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(CollectionTest, ExcludeAndIncludeByHand) {
  Pictures({"a.jpg", "b.jpg", "c.jpg"});
  Refresh();
  Select({0, 2});
  settings_changed = 0;
  collection.ExcludeSelection();
  EXPECT_EQ(Excluded(), (Texts{"a", "c"}));
  EXPECT_EQ(grid.IgnoredNames().Names(), (Texts{"a.jpg", "c.jpg"}));
  EXPECT_EQ(settings_changed, 1);
  EXPECT_EQ(grid.List().Row(RowOf("a")).fldIndex, -1);
  EXPECT_TRUE(grid.List().Selected(RowOf("a")));  // the selection stays

  // Excluding again changes nothing; including takes the name out.
  collection.ExcludeSelection();
  EXPECT_EQ(grid.IgnoredNames().Count(), 2);
  Select({RowOf("c")});
  collection.IncludeSelection();
  EXPECT_EQ(Excluded(), (Texts{"a"}));
  EXPECT_EQ(grid.IgnoredNames().Names(), (Texts{"a.jpg"}));
  EXPECT_EQ(grid.List().Row(RowOf("c")).fldIndex, 3);

  // The exclusion holds over a refresh; the Delete key excludes too.
  Refresh();
  EXPECT_EQ(Excluded(), (Texts{"a"}));
  Select({RowOf("b")});
  collection.DeleteKeyPressed();
  EXPECT_EQ(Excluded(), (Texts{"a", "b"}));
  EXPECT_EQ(grid.Commands.grdPictureListHint, "The album will have 1 images (2 images excluded)");
}

TEST_F(CollectionTest, ExclusionsByNameReachEverySubfolder) {
  Pictures({"img1.jpg", "sub/img1.jpg", "sub/img2.jpg", "other/IMG1.JPG"});
  state.cbxIncludeSubFolders = true;
  grid.UpdateView();
  Refresh();
  Select({RowOf("img1")});  // the first img1, in the picture folder
  ASSERT_EQ(grid.List().Row(grid.List().FirstSelected()).fldPathName, dir.path() + "/");
  collection.ExcludeSelection();
  EXPECT_EQ(Excluded().size(), 1u);
  Refresh();
  EXPECT_EQ(Included(), (Texts{dir.path() + "/sub/img2"}));
  EXPECT_EQ(Excluded().size(), 3u);
  EXPECT_EQ(grid.Commands.grdPictureListHint, "The album will have 1 images (3 images excluded)");
}

TEST_F(CollectionTest, RemovedFileDropsItsIgnoredName) {
  Pictures({"a.jpg", "b.jpg"});
  Refresh();
  Select({0, 1});
  collection.ExcludeSelection();
  ASSERT_EQ(grid.IgnoredNames().Count(), 2);
  ASSERT_EQ(unlink(dir.file("a.jpg").c_str()), 0);
  Refresh();
  EXPECT_EQ(grid.IgnoredNames().Names(), (Texts{"b.jpg"}));
}

TEST_F(CollectionTest, ExclusionFiltersInFolderMode) {
  Pictures({"a.jpg", "b.jpg", "tn_a.jpg", "sub/tn_a.jpg", "sub/tn_z.jpg"});
  state.cbxIncludeSubFolders = true;
  state.edtExclusionFilters = "tn_*";
  Refresh();
  // A subfolder file is excluded only when its name is also in the folder itself.
  EXPECT_EQ(Excluded(), (Texts{dir.path() + "/sub/tn_a", dir.path() + "/tn_a"}));
  EXPECT_EQ(Included().size(), 3u);
  EXPECT_EQ(grid.List().SelectedCount(), 0);

  // With re-include, rows the new filters no longer match come back.
  collection.ApplyExclusionFilters("b*", true);
  EXPECT_EQ(Excluded(), (Texts{dir.path() + "/b"}));
  EXPECT_EQ(grid.IgnoredNames().Names(), (Texts{"b.jpg"}));
}

TEST_F(CollectionTest, TypingInTheExclusionBoxDiscardsHandExclusions) {
  Pictures({"a.jpg", "b.jpg"});
  Refresh();
  Select({0});
  collection.ExcludeSelection();
  // A change made by the program keeps them.
  state.edtExclusionFilters = "zz*";
  collection.FiltersChanged();
  EXPECT_TRUE(collection.PictureListOutOfDate());
  Refresh();
  EXPECT_EQ(Excluded(), (Texts{"a"}));
  // The user typing empties the list; the refresh applies the filters only.
  collection.ExclusionFiltersEdited();
  EXPECT_EQ(grid.IgnoredNames().Count(), 0);
  Refresh();
  EXPECT_EQ(Excluded(), Texts{});
}

TEST_F(CollectionTest, ManualModeAddsRemovesAndFilters) {
  Pictures({"x/a.jpg", "y/b*.jpg", "y/bc.jpg"});
  settings_changed = 0;
  EXPECT_TRUE(collection.PickManuallyClicked(true));
  EXPECT_TRUE(state.cbxPickManually);
  EXPECT_GT(settings_changed, 0);
  EXPECT_EQ(grid.Commands.btnIncludeCaption, "&Add");
  EXPECT_EQ(grid.Commands.btnIncludeHint, "Add images to the list");
  EXPECT_EQ(grid.Commands.btnExcludeCaption, "&Remove");
  EXPECT_EQ(grid.Commands.btnExcludeHint, "Remove images from the list");
  EXPECT_FALSE(grid.Commands.btnQuickBuildEnabled);
  EXPECT_FALSE(grid.Commands.FolderControlsEnabled);
  EXPECT_TRUE(grid.Commands.ShellTreeReadOnly);
  EXPECT_EQ(grid.List().View(), TPictureView::RvManual);
  EXPECT_EQ(collection.AddImagesFolder(), dir.path());
  // Clicking again with the same state changes nothing.
  EXPECT_FALSE(collection.PickManuallyClicked(true));

  // The page change refreshes, which empties the grid; a cancelled dialog adds nothing.
  Refresh();
  collection.AddPictures({});
  EXPECT_EQ(grid.List().RowCount(), 0);
  EXPECT_FALSE(grid.Commands.btnQuickBuildEnabled);

  collection.AddPictures({dir.file("x/a.jpg"), dir.file("x/a.jpg")});
  collection.AddPictures({dir.file("y/b*.jpg"), dir.file("y/bc.jpg")});
  EXPECT_EQ(grid.List().RowCount(), 4);  // the same file twice gives two rows
  EXPECT_TRUE(grid.Commands.btnQuickBuildEnabled);
  EXPECT_EQ(grid.List().Row(0).fldPathName, dir.path() + "/x/");
  EXPECT_EQ(grid.StoreCustomOrder().size(), 4u);

  // A backslash makes "*" literal in manual exclusion masks.
  collection.ApplyExclusionFilters("B\\*.JPG", false);
  EXPECT_EQ(Excluded(), (Texts{dir.path() + "/y/b*"}));
  collection.ApplyExclusionFilters("?.jpg", true);
  EXPECT_EQ(Excluded(), (Texts{dir.path() + "/x/a", dir.path() + "/x/a"}));

  Select({RowOf("bc")});
  EXPECT_TRUE(grid.Commands.btnExcludeEnabled);
  collection.RemoveSelection();
  EXPECT_EQ(grid.List().RowCount(), 3);
  EXPECT_FALSE(grid.Commands.btnExcludeEnabled);

  // Back to folder mode.
  EXPECT_FALSE(collection.PickManuallyClicked(false));
  EXPECT_EQ(grid.Commands.btnIncludeCaption, "&Include");
  EXPECT_EQ(grid.Commands.btnExcludeHint, "Exclude selected images from the album");
  EXPECT_TRUE(grid.Commands.btnQuickBuildEnabled);
  EXPECT_EQ(grid.List().View(), TPictureView::RvDefault);
}

TEST_F(CollectionTest, ManualSwitchWhileLoadingOpensNoDialog) {
  grid.SettingsLoading = true;
  EXPECT_FALSE(collection.PickManuallyClicked(true));
  EXPECT_TRUE(collection.PictureListOutOfDate());
  EXPECT_EQ(settings_changed, 0);
}

TEST_F(CollectionTest, SavedPictureOrder) {
  Pictures({"a.jpg", "b.jpg", "c.jpg"});
  Refresh();
  grid.RestoreSortChoice("Custom");
  collection.RestorePictureOrder({"c.jpg", "A.JPG"}, true);
  EXPECT_TRUE(grid.CustomOrderExists());
  EXPECT_EQ(Included(), (Texts{"c", "a", "b"}));
  Refresh();  // the order is kept over a refresh
  EXPECT_EQ(Included(), (Texts{"c", "a", "b"}));

  collection.RestorePictureOrder({"b.jpg"}, false);
  EXPECT_FALSE(grid.CustomOrderList());

  // Manual mode: the paths are the list of pictures, in their order.
  collection.PickManuallyClicked(true);
  collection.RestorePictureOrder({dir.file("b.jpg"), dir.file("a.jpg"), dir.file("b.jpg")}, true);
  EXPECT_EQ(Included(), (Texts{dir.path() + "/b", dir.path() + "/a", dir.path() + "/b"}));
}

TEST_F(CollectionTest, OutOfDateRules) {
  Pictures({"a.jpg"});
  Refresh();
  collection.FolderSelected(dir.path());
  EXPECT_TRUE(collection.PictureListOutOfDate());
  Refresh();
  collection.FolderSelected(dir.path());  // the same folder again
  EXPECT_FALSE(collection.PictureListOutOfDate());
  collection.IncludeSubFoldersToggled();
  EXPECT_TRUE(collection.PictureListOutOfDate());
  Refresh();
  collection.MarkPictureListOutOfDate();
  EXPECT_TRUE(collection.PictureListOutOfDate());
}

TEST_F(CollectionTest, PreviousFolders) {
  state.vclShellTree = "/photos/Summer";
  collection.RememberPictureFolder(false);
  EXPECT_EQ(collection.PreviousFolders(),
            (Texts{"[MS Explorer Cache]", "[Netscape Cache]", "/photos/Summer"}));
  EXPECT_EQ(collection.PreviousFolderIndex(), -1);
  state.vclShellTree = "/PHOTOS/summer";  // already there, without regard to case
  collection.RememberPictureFolder(true);
  EXPECT_EQ(collection.PreviousFolders().size(), 3u);
  EXPECT_EQ(collection.PreviousFolderIndex(), 2);
  // At most 15: the oldest folder goes, the cache entries stay.
  for (int i = 0; i < 13; ++i) {
    state.vclShellTree = "/f" + std::to_string(i);
    collection.RememberPictureFolder(true);
  }
  EXPECT_EQ(collection.PreviousFolders().size(), 15u);
  EXPECT_EQ(collection.PreviousFolders()[2], "/f0");
  EXPECT_EQ(collection.PreviousFolders().back(), "/f12");
  EXPECT_EQ(collection.PreviousFolderIndex(), 14);
}

// The list is the window's: the program options load it before and save it
// after, so a folder remembered here is not lost on closing.
TEST_F(CollectionTest, PreviousFoldersAreTheWindowsList) {
  state.cmbPreviousFoldersItems = {"/loaded"};
  state.vclShellTree = "/new";
  collection.RememberPictureFolder(true);
  EXPECT_EQ(state.cmbPreviousFoldersItems, (Texts{"/loaded", "/new"}));
  EXPECT_EQ(state.cmbPreviousFoldersIndex, 1);
}

}  // namespace
}  // namespace pictavo::test
