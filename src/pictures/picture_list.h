#pragma once
// The picture grid's model: the picture records in display order with their
// selection, the current row, the active view and the sort column. It offers
// what the grid layer `TEnhDataReportView` offers; the Qt grid only shows it.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "pictures/picture_item.h"
#include "pictures/sorting_choices.h"

namespace pictavo {

class TPictureList {
 public:
  TPictureList();

  // Redrawing is suspended between BeginUpdate and EndUpdate (nested); when
  // the outermost EndUpdate is reached the rows are sorted again and OnRepaint
  // runs.
  void BeginUpdate() { ++update_depth_; }
  void EndUpdate();
  bool Updating() const { return update_depth_ > 0; }

  int RowCount() const { return static_cast<int>(rows_.size()); }
  TPictureItem& Row(int row) { return rows_.at(static_cast<size_t>(row)).item; }
  const TPictureItem& Row(int row) const { return rows_.at(static_cast<size_t>(row)).item; }
  // A copy of all records in display order (what a build walks).
  std::vector<TPictureItem> Items() const;
  // Appends a record; it takes its sorted place once redrawing resumes.
  void AddRow(TPictureItem item);
  void DeleteAll();
  void DeleteSelected();

  bool Selected(int row) const { return rows_.at(static_cast<size_t>(row)).selected; }
  void SetSelected(int row, bool selected) {
    rows_.at(static_cast<size_t>(row)).selected = selected;
  }
  int SelectedCount() const;
  bool AnySelected() const;
  // These three raise OnClick, as a click on the grid does.
  void SelectAll();
  void UnselectAll();
  void InvertSelection();
  // First and last selected display row, -1 when none is selected.
  int FirstSelected() const;
  int LastSelected() const;
  // The focused row, -1 for none; it follows its record when the rows move.
  int CurrentRow() const { return current_; }
  void SetCurrentRow(int row);

  // Signed 1-based column of the active view, negative for descending, 0 for
  // none. Setting it sorts the rows (stably: equal rows keep their order).
  int SortColumn() const { return sort_column_; }
  void SetSortColumn(int column);
  // Sorts again by the current sort column (after fields were changed).
  void Resort();

  // Calls fn for every row (or every selected row) in display order.
  void ForEachRow(const std::function<void(TPictureItem&, int row)>& fn);
  void ForEachSelected(const std::function<void(TPictureItem&, int row)>& fn);

  TPictureView View() const { return view_; }
  // Switches the view; the sort column keeps its number until it is set.
  void SetView(TPictureView view) { view_ = view; }
  // Columns of the active view with their current widths.
  const std::vector<TViewColumn>& Columns() const { return widths_.at(view_); }
  // The field of a 1-based column of the active view.
  TPictureField ColumnField(int column) const;
  // Displayed text of a cell (1-based column of the active view).
  std::string CellText(int row, int column) const;
  // The copy format: captions of the visible columns, then the selected rows
  // (all rows when none is selected); TAB between cells, CR LF after every line.
  std::string CopyText() const;
  // Column widths keyed "<view name>_<0-based column>" (RvDefault_0 ...).
  std::map<std::string, int> SaveColumnWidths() const;
  // Takes the keys it knows; others are ignored.
  void RestoreColumnWidths(const std::map<std::string, int>& widths);

  std::function<void()> OnClick;    // selection changed by SelectAll etc.
  std::function<void()> OnRepaint;  // redrawing resumed

 private:
  struct TRow {
    TPictureItem item;
    bool selected = false;
  };
  void Sort();
  void Click();

  std::vector<TRow> rows_;
  int current_ = -1;
  int sort_column_ = 0;
  int update_depth_ = 0;
  TPictureView view_ = TPictureView::RvDefault;
  std::map<TPictureView, std::vector<TViewColumn>> widths_;
};

}  // namespace pictavo
