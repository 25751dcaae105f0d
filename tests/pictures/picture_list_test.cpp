// The picture records, the grid's sorting and custom order, the copy format
// and the description box.
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

#include <gtest/gtest.h>

#include "pictures/description_box.h"
#include "pictures/html_title.h"
#include "pictures/pictures_fixture.h"
#include "pictures/sorting_choices.h"
#include "platform/errors.h"

namespace pictavo::test {
namespace {

using F = TPictureField;

class PictureListTest : public PicturePage {
 protected:
  // Files of the given sizes in folder mode, listed as the collection does.
  void MakeRows(const std::vector<std::pair<std::string, size_t>>& files) {
    for (const auto& [name, size] : files) WriteFile(dir.file(name), std::string(size, 'x'));
    state.cmbFileFilters = "*.txt";
    Refresh();
  }
  void ChooseText(const std::string& text) {
    auto index = FindSortingChoice(text, grid.List().View());
    ASSERT_TRUE(index) << text;
    grid.ChooseSorting(*index);
  }
};

TEST_F(PictureListTest, RecordFieldsFromRealFiles) {
  WriteFile(dir.file("Photo.Final.JPG"), PictureBytes("jpg", 7, 5));
  WriteFile(dir.file("shot.png"), PictureBytes("png", 3, 9));
  const std::string jpeg = PictureBytes("jpg", 7, 5);
  WriteFile(dir.file("truncated.jpg"), jpeg.substr(0, 20));
  WriteFile(dir.file("misnamed.jpg"), PictureBytes("png", 4, 4));
  WriteFile(dir.file("README"), "no extension here");
  grid.AddPictureRow(dir.file("Photo.Final.JPG"));
  grid.AddPictureRow(dir.file("shot.png"));
  grid.AddPictureRow(dir.file("truncated.jpg"));
  grid.AddPictureRow(dir.file("misnamed.jpg"));
  grid.AddPictureRow(dir.file("README"));
  grid.AddPictureRow(dir.file("gone.jpg"));

  struct Want {
    std::string file_name, type, size, width, height;
  };
  const std::map<std::string, Want> want = {
      {dir.file("Photo.Final.JPG"), {"Photo.Final", "jpg", std::to_string(jpeg.size()), "7", "5"}},
      {dir.file("shot.png"),
       {"shot", "png", std::to_string(PictureBytes("png", 3, 9).size()), "3", "9"}},
      {dir.file("truncated.jpg"), {"truncated", "jpg", "20", "", ""}},
      {dir.file("misnamed.jpg"),
       {"misnamed", "jpg", std::to_string(PictureBytes("png", 4, 4).size()), "", ""}},
      {dir.file("README"), {"README", "", "17", "", ""}},
      {dir.file("gone.jpg"), {"gone", "jpg", "", "", ""}},
  };
  ASSERT_EQ(grid.List().RowCount(), 6);
  for (int r = 0; r < 6; ++r) {
    const TPictureItem& item = grid.List().Row(r);
    SCOPED_TRACE(item.fldFullName);
    const Want& w = want.at(item.fldFullName);
    EXPECT_EQ(item.fldFileName, w.file_name);
    EXPECT_EQ(item.fldFileType, w.type);
    EXPECT_EQ(PictureCellText(item, F::FileSize), w.size);
    EXPECT_EQ(PictureCellText(item, F::ImageWidth), w.width);
    EXPECT_EQ(PictureCellText(item, F::ImageHeight), w.height);
    EXPECT_EQ(item.fldPathName, "");  // folder mode without subfolders
    EXPECT_GT(item.fldIndex, 0);
    EXPECT_EQ(item.fldSortIndex, 0);
  }
  // Ids count the rows in fill order.
  const auto& first = grid.List().Row(0);
  EXPECT_EQ(first.fldFileName, "gone");  // sorted by "File Name"
  EXPECT_EQ(first.fldIndex, 6);
  EXPECT_EQ(first.fldFileSize, -1);
  EXPECT_EQ(first.fldImageWidth, -1);
  EXPECT_EQ(PictureCellText(first, F::FileDate), "");
}

TEST_F(PictureListTest, DateShownAsYearMonthDay) {
  WriteFile(dir.file("a.jpg"), PictureBytes("jpg", 2, 2));
  std::tm tm{};
  tm.tm_year = 2004 - 1900;
  tm.tm_mon = 1;
  tm.tm_mday = 29;
  tm.tm_hour = 12;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  struct timespec times[2] = {{t, 0}, {t, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, dir.file("a.jpg").c_str(), times, 0), 0);
  grid.AddPictureRow(dir.file("a.jpg"));
  EXPECT_EQ(grid.List().Row(0).fldFileDate, t);
  EXPECT_EQ(PictureCellText(grid.List().Row(0), F::FileDate), "2004/02/29");
}

TEST_F(PictureListTest, PathNameInManualModeAndWithSubfolders) {
  WriteFile(dir.file("sub/a.jpg"), PictureBytes("jpg", 2, 2));
  state.cbxIncludeSubFolders = true;
  grid.AddPictureRow(dir.file("sub/a.jpg"));
  state.cbxIncludeSubFolders = false;
  grid.FolderMode = false;
  grid.AddPictureRow(dir.file("sub/a.jpg"));
  EXPECT_EQ(grid.List().Row(0).fldPathName, dir.path() + "/sub/");
  EXPECT_EQ(grid.List().Row(1).fldPathName, dir.path() + "/sub/");
}

TEST_F(PictureListTest, DescriptionFromStoreElseWebPageTitle) {
  WriteFile(dir.file("page.html"), "<html><head><TITLE>Our Trip</Title></head></html>");
  WriteFile(dir.file("notitle.htm"), "<html><title>never closed");
  WriteFile(dir.file("described.html"), "<title>Ignored</title>");
  WriteFile(dir.file("late.html"), std::string(4096, ' ') + "<title>Too late</title>");
  store.save_with_images = false;
  store.SetDescription(dir.file("described.html"), "From the store");
  for (auto name : {"page.html", "notitle.htm", "described.html", "late.html"}) {
    grid.AddPictureRow(dir.file(name));
  }
  EXPECT_EQ(Column(F::Description),
            (std::vector<std::string>{"From the store", "", "", "Our Trip"}));

  state.cbxUseHtmlTitle = false;
  grid.List().DeleteAll();
  grid.AddPictureRow(dir.file("page.html"));
  EXPECT_EQ(grid.List().Row(0).fldDescription, "");
}

TEST(HtmlTitleTest, TitleAndExtensions) {
  EXPECT_EQ(HtmlTitleFromBytes("<TiTlE>A &amp; B</tItLe>"), "A &amp; B");
  EXPECT_EQ(HtmlTitleFromBytes("<title></title>"), "");
  EXPECT_EQ(HtmlTitleFromBytes("</title><title>x"), "");
  EXPECT_EQ(HtmlTitleFromBytes("<title>Caf\xe9</title>"), "Caf\xc3\xa9");  // Windows-1252 page
  EXPECT_EQ(GetHtmlTitle("/nonexistent/page.html"), "");
  for (auto ext : {"asp", "css", "cfm", "htm", "HTML", "hta", "htt", "php", "php3", "php4", "phtml",
                   "shtml", "xml"}) {
    EXPECT_TRUE(IsHtmlFileExt(ext)) << ext;
  }
  for (auto ext : {"", "js", "jpg", "ht", "php5", "asp;css"})
    EXPECT_FALSE(IsHtmlFileExt(ext)) << ext;
}

TEST_F(PictureListTest, SortingChoicesAndColumns) {
  const auto def = SortingChoices(TPictureView::RvDefault);
  const auto man = SortingChoices(TPictureView::RvManual);
  ASSERT_EQ(def.size(), 16u);
  ASSERT_EQ(man.size(), 18u);
  EXPECT_EQ(man[1].caption, "Path Name");
  EXPECT_EQ(man[10].caption, "Path Name - descending");
  EXPECT_EQ(def[8].caption, "Custom - descending");
  // Every choice leads to a column whose matching choice is the choice itself.
  for (auto view : {TPictureView::RvDefault, TPictureView::RvManual}) {
    const auto choices = SortingChoices(view);
    for (size_t i = 0; i < choices.size(); ++i) {
      const int column = SortColumnOfIdentifier(choices[i].identifier, view);
      EXPECT_EQ(SortingChoiceIndexOfColumn(column, view), static_cast<int>(i))
          << choices[i].caption;
      EXPECT_EQ(choices[i].caption.starts_with(
                    PictureFieldCaption(DefaultViewColumns(view)[std::abs(column) - 1].field)) ||
                    (choices[i].caption.starts_with("Custom") && std::abs(column) == 1),
                true)
          << choices[i].caption;
    }
  }
}

TEST_F(PictureListTest, ChoicesSortTheRows) {
  MakeRows({{"b.txt", 30}, {"A.txt", 10}, {"c.txt", 20}});
  EXPECT_EQ(Names(), (std::vector<std::string>{"A", "b", "c"}));  // ASCII case ignored
  struct Case {
    const char* choice;
    std::vector<std::string> names;
  } cases[] = {
      {"Size", {"A", "c", "b"}},
      {"Size - descending", {"b", "c", "A"}},
      {"File Name - descending", {"c", "b", "A"}},
      {"Type", {"c", "b", "A"}},  // equal keys keep the previous order
  };
  for (const auto& c : cases) {
    ChooseText(c.choice);
    EXPECT_EQ(Names(), c.names) << c.choice;
    EXPECT_EQ(grid.SortingChoiceText(), c.choice);
  }
}

TEST_F(PictureListTest, RestoringSavedSortChoice) {
  MakeRows({{"b.txt", 30}, {"a.txt", 10}, {"c.txt", 20}});
  grid.SettingsLoading = true;
  grid.RestoreSortChoice("size - DESCENDING");
  EXPECT_EQ(Names(), (std::vector<std::string>{"b", "c", "a"}));
  EXPECT_EQ(grid.List().SortColumn(), -5);
  EXPECT_EQ(grid.SortingChoiceText(), "Size - descending");
  EXPECT_EQ(settings_changed, 0);  // a load is not a change

  grid.RestoreSortChoice("Colour");
  EXPECT_EQ(grid.SortingChoiceText(), "File Name");
  EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "c"}));

  // In view RvManual the fallback is the second choice there: "Path Name".
  state.cbxIncludeSubFolders = true;
  grid.UpdateView();
  grid.RestoreSortChoice("Nonsense");
  EXPECT_EQ(grid.SortingChoiceText(), "Path Name");
  EXPECT_EQ(grid.List().SortColumn(), 2);
}

TEST_F(PictureListTest, ViewSwitchKeepsTheChosenSort) {
  MakeRows({{"b.txt", 30}, {"a.txt", 10}});
  ChooseText("Size - descending");
  state.cbxIncludeSubFolders = true;
  grid.UpdateView();
  EXPECT_EQ(grid.List().View(), TPictureView::RvManual);
  EXPECT_EQ(grid.SortingChoiceText(), "Size - descending");
  EXPECT_EQ(grid.List().SortColumn(), -6);
  ChooseText("Path Name - descending");
  state.cbxIncludeSubFolders = false;
  grid.UpdateView();
  EXPECT_EQ(grid.List().View(), TPictureView::RvDefault);
  EXPECT_EQ(grid.SortingChoiceText(), "File Name - descending");
  EXPECT_EQ(Names(), (std::vector<std::string>{"b", "a"}));
}

TEST_F(PictureListTest, HeaderClickSortsAndReverses) {
  MakeRows({{"b.txt", 30}, {"a.txt", 10}, {"c.txt", 20}});
  grid.SortByHeader(5);  // Size
  EXPECT_EQ(grid.SortingChoiceText(), "Size");
  grid.SortByHeader(5);
  EXPECT_EQ(grid.SortingChoiceText(), "Size - descending");
  EXPECT_EQ(Names(), (std::vector<std::string>{"b", "c", "a"}));
}

TEST_F(PictureListTest, CustomFirstChosenKeepsPreviousOrder) {
  MakeRows({{"a.txt", 20}, {"b.txt", 30}, {"c.txt", 10}});
  ChooseText("Size - descending");
  ChooseText("Custom");
  EXPECT_TRUE(grid.CustomSortingActive());
  EXPECT_EQ(Names(), (std::vector<std::string>{"b", "a", "c"}));
  EXPECT_EQ(Column(F::SortIndex), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_FALSE(grid.CustomOrderExists());
}

class MoveTest : public PictureListTest {
 protected:
  void SetUp() override {
    MakeRows({{"A.txt", 1}, {"B.txt", 1}, {"C.txt", 1}, {"D.txt", 1}});
    ChooseText("Custom");
  }
};

TEST_F(MoveTest, UpAndDownGatherTheSelection) {
  struct Case {
    std::vector<int> selected;
    bool up;
    std::vector<std::string> names;
    bool changed;
  } cases[] = {
      {{1, 3}, true, {"B", "D", "A", "C"}, true},
      {{0, 2}, false, {"B", "D", "A", "C"}, true},
      {{2}, true, {"A", "C", "B", "D"}, true},
      {{1}, false, {"A", "C", "B", "D"}, true},
      {{0}, true, {"A", "B", "C", "D"}, false},   // already first
      {{3}, false, {"A", "B", "C", "D"}, false},  // already the last included row
      {{0, 1, 2, 3}, true, {"A", "B", "C", "D"}, false},
      {{0, 3}, false, {"B", "C", "A", "D"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.selected) + (c.up ? " up" : " down"));
    ChooseText("File Name");  // back to A, B, C, D, numbered afresh
    grid.SetCustomOrderList(std::nullopt);
    ChooseText("Custom");
    grid.SetCustomOrderExists(false);
    Select(c.selected);
    EXPECT_TRUE(grid.Commands.btnUpEnabled);
    EXPECT_TRUE(grid.Commands.btnDownEnabled);
    grid.MovePictures(c.up);
    EXPECT_EQ(Names(), c.names);
    EXPECT_EQ(grid.CustomOrderExists(), c.changed);
    // The selection moves with its rows.
    for (int r = 0; r < 4; ++r) {
      const bool was_selected = std::count(c.selected.begin(), c.selected.end(),
                                           std::string("ABCD").find(Names()[r][0])) > 0;
      EXPECT_EQ(grid.List().Selected(r), was_selected) << r;
    }
  }
}

TEST_F(MoveTest, ExcludedRowsStayBelow) {
  Select({1});
  collection.ExcludeSelection();  // B
  EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C", "D", "B"}));
  Select({2});
  grid.MovePictures(false);  // D is the last included row
  EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C", "D", "B"}));
  Select({0, 3});  // the excluded row is unselected first
  grid.MovePictures(false);
  EXPECT_EQ(Names(), (std::vector<std::string>{"C", "A", "D", "B"}));
  EXPECT_FALSE(grid.List().Selected(3));
}

TEST_F(MoveTest, CustomDescendingDisablesUpAndDown) {
  ChooseText("Custom - descending");
  Select({1});
  EXPECT_FALSE(grid.Commands.btnUpEnabled);
  EXPECT_FALSE(grid.Commands.btnDownEnabled);
  const auto before = Names();
  grid.MovePictures(true);
  EXPECT_EQ(Names(), before);
}

TEST_F(MoveTest, KeptOrderSurvivesAnotherSortAndComesBack) {
  Select({3});
  grid.MovePictures(true);
  grid.MovePictures(true);
  EXPECT_EQ(Names(), (std::vector<std::string>{"A", "D", "B", "C"}));
  const int changes = settings_changed;
  EXPECT_GT(changes, 0);
  ChooseText("File Name - descending");
  ASSERT_TRUE(grid.CustomOrderList());
  EXPECT_EQ(*grid.CustomOrderList(),
            (std::vector<std::string>{"A.txt", "D.txt", "B.txt", "C.txt"}));
  ChooseText("Custom");
  EXPECT_EQ(Names(), (std::vector<std::string>{"A", "D", "B", "C"}));
  // A new file appears after the kept ones.
  WriteFile(dir.file("0.txt"), "x");
  Refresh();
  EXPECT_EQ(Names(), (std::vector<std::string>{"A", "D", "B", "C", "0"}));
}

TEST_F(PictureListTest, StoreCustomOrderByMode) {
  MakeRows({{"a.txt", 1}, {"b.txt", 1}, {"c.txt", 1}});
  Select({1});
  collection.ExcludeSelection();
  EXPECT_EQ(grid.StoreCustomOrder(), (std::vector<std::string>{"a.txt", "c.txt"}));
  grid.FolderMode = false;
  EXPECT_EQ(grid.StoreCustomOrder(),
            (std::vector<std::string>{dir.file("a.txt"), dir.file("b.txt"), dir.file("c.txt")}));
}

TEST(PictureListModelTest, NestedRedrawAndCurrentRow) {
  TPictureList list;
  int repaints = 0;
  list.OnRepaint = [&] { ++repaints; };
  list.SetSortColumn(2);  // File Name
  list.BeginUpdate();
  list.BeginUpdate();
  for (auto name : {"c", "a", "b"}) {
    TPictureItem item;
    item.fldFileName = name;
    list.AddRow(item);
  }
  list.EndUpdate();
  EXPECT_EQ(repaints, 0);
  EXPECT_EQ(list.Row(0).fldFileName, "c");  // not sorted while redrawing is suspended
  list.SetCurrentRow(0);
  list.SetSelected(0, true);
  list.EndUpdate();
  EXPECT_EQ(repaints, 1);
  EXPECT_EQ(list.Row(2).fldFileName, "c");
  EXPECT_EQ(list.CurrentRow(), 2);  // the current row and the selection follow "c"
  EXPECT_TRUE(list.Selected(2));
  EXPECT_EQ(list.Items().front().fldFileName, "a");
  list.SetSelected(0, true);
  list.DeleteSelected();
  EXPECT_EQ(list.RowCount(), 1);
  EXPECT_EQ(list.Row(0).fldFileName, "b");
  EXPECT_EQ(list.CurrentRow(), -1);
}

TEST_F(PictureListTest, CopyFormat) {
  WriteFile(dir.file("b.txt"), "12345");
  WriteFile(dir.file("a.jpg"), PictureBytes("jpg", 7, 5));
  state.cmbFileFilters = "*.txt;*.jpg";
  Refresh();
  const std::string jpeg_size = std::to_string(PictureBytes("jpg", 7, 5).size());
  const std::string header = "File Name\tType\tSize\tWidth\tHeight\tDescription\r\n";
  EXPECT_EQ(grid.List().CopyText(),
            header + "a\tjpg\t" + jpeg_size + "\t7\t5\t\r\n" + "b\ttxt\t5\t\t\t\r\n");
  Select({1});
  EXPECT_EQ(grid.List().CopyText(), header + "b\ttxt\t5\t\t\t\r\n");
  // A hidden column leaves the copy; a shown one joins it.
  grid.List().RestoreColumnWidths({{"RvDefault_2", 0}, {"RvDefault_3", 80}});
  EXPECT_EQ(grid.List().CopyText().substr(0, 39), "File Name\tDate\tSize\tWidth\tHeight\tDescri");
  EXPECT_EQ(grid.List().SaveColumnWidths().at("RvManual_1"), 150);
}

TEST_F(PictureListTest, SelectionCommandsAndCountHint) {
  MakeRows({{"a.txt", 1}, {"b.txt", 1}, {"c.txt", 1}});
  EXPECT_EQ(grid.Commands.grdPictureListHint, "The album will have 3 images");
  TPictureList& list = grid.List();
  list.SelectAll();
  EXPECT_TRUE(grid.Commands.btnExcludeEnabled);
  EXPECT_TRUE(grid.Commands.btnIncludeEnabled);
  EXPECT_FALSE(grid.Commands.btnUpEnabled);  // not custom sorting
  EXPECT_FALSE(grid.DescriptionBox().enabled);
  list.InvertSelection();
  EXPECT_FALSE(grid.Commands.btnExcludeEnabled);
  EXPECT_FALSE(grid.Commands.btnIncludeEnabled);
  EXPECT_EQ(list.FirstSelected(), -1);
  Select({0, 2});
  EXPECT_EQ(list.FirstSelected(), 0);
  EXPECT_EQ(list.LastSelected(), 2);
  collection.ExcludeSelection();
  EXPECT_EQ(grid.Commands.grdPictureListHint, "The album will have 1 images (2 images excluded)");
  list.UnselectAll();
  grid.FolderMode = false;
  grid.SelectionChanged();
  EXPECT_TRUE(grid.Commands.btnIncludeEnabled);  // "&Add" needs no selection
  list.DeleteAll();
  grid.UpdatePictureCountHint();
  EXPECT_EQ(grid.Commands.grdPictureListHint, "");
}

TEST_F(PictureListTest, DescriptionEditIsCommitted) {
  MakeRows({{"a.txt", 1}, {"b.txt", 1}});
  std::vector<std::string> previews;
  grid.OnPreviewFollow = [&](const std::string& p) { previews.push_back(p); };
  Select({1});
  ASSERT_TRUE(grid.DescriptionBox().enabled);
  std::string text = "Line one\r\n";
  size_t caret = text.size();
  CtrlEnterLineBreak(text, caret);
  text += "line two";
  grid.EditDescription(text);
  EXPECT_TRUE(grid.DescriptionBox().modified);
  grid.MoveDescribedRow(-1);  // Shift+Enter: commit, then the previous row
  EXPECT_EQ(grid.List().Row(1).fldDescription, "Line one<br>line two");
  EXPECT_EQ(store.GetDescription(dir.file("b.txt")), "Line one<br>line two");
  EXPECT_TRUE(store.modified);
  EXPECT_NE(ReadFile(dir.file("descript.ion")).find("b.txt Line one<br>line two"),
            std::string::npos);
  EXPECT_TRUE(grid.List().Selected(0));
  EXPECT_FALSE(grid.List().Selected(1));
  EXPECT_EQ(grid.DescribedRow(), 0);
  EXPECT_FALSE(grid.DescriptionBox().modified);
  EXPECT_EQ(previews.back(), dir.file("a.txt"));

  // Line breaks the box holds reach the grid as "<br>"; the store keeps them.
  grid.EditDescription("x\r\ny\nz\rw");
  grid.SelectionChanged();
  EXPECT_EQ(grid.List().Row(0).fldDescription, "x<br>y<br>z<br>w");
  EXPECT_EQ(store.GetDescription(dir.file("a.txt")), "x\r\ny\nz\rw");

  // Two rows selected: the box is empty and disabled; typing does nothing.
  Select({0, 1});
  EXPECT_FALSE(grid.DescriptionBox().enabled);
  EXPECT_EQ(grid.DescriptionBox().text, "");
  EXPECT_EQ(previews.back(), "");
}

TEST(DescriptionBoxTest, CtrlEnterAndGridText) {
  struct Case {
    std::string text;
    size_t caret;
    std::string want;
    size_t want_caret;
  } cases[] = {
      {"ab\r\ncd", 4, "ab<br>cd", 6}, {"ab\ncd", 3, "ab<br>cd", 6}, {"ab\rcd", 3, "ab<br>cd", 6},
      {"abcd", 2, "abcd", 2},  // no line break before the caret: nothing eaten
      {"\n", 1, "<br>", 4},
  };
  for (auto c : cases) {
    CtrlEnterLineBreak(c.text, c.caret);
    EXPECT_EQ(c.text, c.want);
    EXPECT_EQ(c.caret, c.want_caret);
  }
  EXPECT_EQ(DescriptionToGridText("a\r\n\r\nb\n\rc"), "a<br><br>b<br><br>c");
}

}  // namespace
}  // namespace pictavo::test
