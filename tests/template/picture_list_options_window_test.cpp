#include "template/picture_list_options_window.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "pictures/pictures_fixture.h"
#include "template/album_options.h"

namespace pictavo {
namespace {

// Picking a template drives the real picture page: the folder, filter,
// exclusion filters and sort of its options end in the grid.
class PictureListOptionsTest : public test::PicturePage {
 protected:
  PictureListOptionsTest() : host(state, collection, grid, backgrounds.path(), ui) {
    for (const char* name : {"a.jpg", "b.jpg", "tn_a.jpg"}) {
      test::WriteFile(dir.file(name), test::PictureBytes("jpg", 8, 6));
    }
    test::WriteFile(dir.file("c.png"), test::PictureBytes("png", 8, 6));
    test::WriteFile(backgrounds.file("paper.jpg"), test::PictureBytes("jpg", 4, 4));
    state.vclShellTree = other.path();
  }

  // Included flag per picture name.
  std::map<std::string, bool> Rows() const {
    std::map<std::string, bool> rows;
    for (int r = 0; r < grid.List().RowCount(); ++r) {
      rows[grid.List().Row(r).fldFileName] = grid.List().Row(r).Included();
    }
    return rows;
  }

  test::TTempDir backgrounds, other;
  TPictureListOptionsWindow host;
};

TEST_F(PictureListOptionsTest, PickFillsThePictureList) {
  TAlbumOptionsContext context{state, host, {"/albums", "/program", dir.path(), "/tmp"}, {}, false};
  LoadTemplateOptions(
      "<!--album-options\nfolder={SAMPLESPATH}\ninclude=*.jpg\nexclude={THUMBSPECS}\n"
      "sort=file name - DESCENDING\nbackimage=paper.jpg\nbackcolor=nothing\n"
      "info=Hello^PWorld\nautoshowinfo=on\n-->",
      true, context);
  EXPECT_EQ(state.vclShellTree, dir.path());
  EXPECT_EQ(state.cmbFileFilters, "*.jpg");
  EXPECT_EQ(state.edtExclusionFilters, "tn_*.*");
  EXPECT_EQ(Rows(), (std::map<std::string, bool>{{"a", true}, {"b", true}, {"tn_a", false}}));
  EXPECT_EQ(state.cmbSorting, "File Name - descending");
  EXPECT_EQ(state.cmbBackgroundImage, "paper.jpg");
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Hello\r\nWorld"}));

  // Entries that do not exist select nothing.
  EXPECT_FALSE(host.SelectSortEntry("No such order"));
  EXPECT_FALSE(host.SelectBackgroundImage("missing.jpg"));
  EXPECT_FALSE(host.SelectBackgroundImage("../paper.jpg"));
  EXPECT_EQ(state.cmbBackgroundImage, "paper.jpg");
}

TEST_F(PictureListOptionsTest, BuildReincludesWhatTheNewFiltersNoLongerExclude) {
  state.vclShellTree = dir.path();
  state.cmbFileFilters = "*.jpg";
  state.edtExclusionFilters = "a*";
  Refresh();
  ASSERT_EQ(Rows(), (std::map<std::string, bool>{{"a", false}, {"b", true}, {"tn_a", true}}));

  TAlbumOptionsContext context{state, host, {"/albums", "/program", dir.path(), "/tmp"}, {}, false};
  TAlbumOptionsBuild build;
  TApplyOptionsInput input;
  input.PageExt = "html";
  ApplyAlbumOptions("<!--album-options\nthumbprefix=tn_\nexclude={THUMBSPECS}\n-->", input, build,
                    context);
  EXPECT_EQ(Rows(), (std::map<std::string, bool>{{"a", true}, {"b", true}, {"tn_a", false}}));
}

}  // namespace
}  // namespace pictavo
