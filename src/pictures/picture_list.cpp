#include "pictures/picture_list.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "platform/case_fold.h"

namespace pictavo {

TPictureList::TPictureList() {
  widths_[TPictureView::RvDefault] = DefaultViewColumns(TPictureView::RvDefault);
  widths_[TPictureView::RvManual] = DefaultViewColumns(TPictureView::RvManual);
}

void TPictureList::EndUpdate() {
  if (update_depth_ == 0) return;
  if (--update_depth_ > 0) return;
  Sort();
  if (OnRepaint) OnRepaint();
}

std::vector<TPictureItem> TPictureList::Items() const {
  std::vector<TPictureItem> out;
  out.reserve(rows_.size());
  for (const auto& r : rows_) out.push_back(r.item);
  return out;
}

void TPictureList::AddRow(TPictureItem item) {
  rows_.push_back(TRow{std::move(item), false});
  if (!Updating()) Sort();
}

void TPictureList::DeleteAll() {
  rows_.clear();
  current_ = -1;
}

void TPictureList::DeleteSelected() {
  std::vector<TRow> kept;
  int new_current = -1;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].selected) continue;
    if (static_cast<int>(i) == current_) new_current = static_cast<int>(kept.size());
    kept.push_back(std::move(rows_[i]));
  }
  rows_ = std::move(kept);
  current_ = new_current;
}

int TPictureList::SelectedCount() const {
  return static_cast<int>(
      std::count_if(rows_.begin(), rows_.end(), [](const TRow& r) { return r.selected; }));
}

bool TPictureList::AnySelected() const {
  return std::any_of(rows_.begin(), rows_.end(), [](const TRow& r) { return r.selected; });
}

void TPictureList::Click() {
  if (OnClick) OnClick();
}

void TPictureList::SelectAll() {
  for (auto& r : rows_) r.selected = true;
  Click();
}

void TPictureList::UnselectAll() {
  for (auto& r : rows_) r.selected = false;
  Click();
}

void TPictureList::InvertSelection() {
  for (auto& r : rows_) r.selected = !r.selected;
  Click();
}

int TPictureList::FirstSelected() const {
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].selected) return static_cast<int>(i);
  }
  return -1;
}

int TPictureList::LastSelected() const {
  for (size_t i = rows_.size(); i-- > 0;) {
    if (rows_[i].selected) return static_cast<int>(i);
  }
  return -1;
}

void TPictureList::SetCurrentRow(int row) {
  current_ = (row >= 0 && row < RowCount()) ? row : -1;
}

void TPictureList::SetSortColumn(int column) {
  sort_column_ = column;
  Sort();
}

void TPictureList::Resort() {
  Sort();
}

TPictureField TPictureList::ColumnField(int column) const {
  const auto& cols = Columns();
  const size_t i = static_cast<size_t>(std::abs(column)) - 1;
  return i < cols.size() ? cols[i].field : TPictureField::SortIndex;
}

void TPictureList::Sort() {
  const auto& cols = Columns();
  if (sort_column_ == 0 || static_cast<size_t>(std::abs(sort_column_)) > cols.size()) return;
  if (rows_.size() < 2) return;
  const TPictureField field = ColumnField(sort_column_);
  const bool descending = sort_column_ < 0;

  // Keys once per sort: numbers for integer and date columns, ASCII-lower-cased
  // text (compared byte by byte) for text columns.
  const bool numeric = IsNumericPictureField(field);
  std::vector<int64_t> numbers;
  std::vector<std::string> texts;
  for (const auto& r : rows_) {
    const TPictureItem& it = r.item;
    if (numeric) {
      int64_t v = 0;
      switch (field) {
        case TPictureField::SortIndex:
          v = it.fldSortIndex;
          break;
        case TPictureField::FileDate:
          v = static_cast<int64_t>(it.fldFileDate);
          break;
        case TPictureField::FileSize:
          v = it.fldFileSize;
          break;
        case TPictureField::ImageWidth:
          v = it.fldImageWidth;
          break;
        case TPictureField::ImageHeight:
          v = it.fldImageHeight;
          break;
        default:
          v = it.fldIndex;
          break;
      }
      numbers.push_back(v);
    } else {
      texts.push_back(LowerAscii(PictureCellText(it, field)));
    }
  }
  std::vector<size_t> order(rows_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    int c;
    if (numeric) {
      c = numbers[a] < numbers[b] ? -1 : (numbers[a] > numbers[b] ? 1 : 0);
    } else {
      c = texts[a].compare(texts[b]);
    }
    return descending ? c > 0 : c < 0;
  });
  std::vector<TRow> sorted;
  sorted.reserve(rows_.size());
  int new_current = -1;
  for (size_t i = 0; i < order.size(); ++i) {
    if (static_cast<int>(order[i]) == current_) new_current = static_cast<int>(i);
    sorted.push_back(std::move(rows_[order[i]]));
  }
  rows_ = std::move(sorted);
  current_ = new_current;
}

void TPictureList::ForEachRow(const std::function<void(TPictureItem&, int)>& fn) {
  for (size_t i = 0; i < rows_.size(); ++i) fn(rows_[i].item, static_cast<int>(i));
}

void TPictureList::ForEachSelected(const std::function<void(TPictureItem&, int)>& fn) {
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].selected) fn(rows_[i].item, static_cast<int>(i));
  }
}

std::string TPictureList::CellText(int row, int column) const {
  return PictureCellText(Row(row), ColumnField(column));
}

std::string TPictureList::CopyText() const {
  const auto& cols = Columns();
  auto line = [&](const std::function<std::string(TPictureField)>& cell) {
    std::string out;
    bool first = true;
    for (const auto& c : cols) {
      if (c.width <= 0) continue;
      if (!first) out += '\t';
      first = false;
      out += cell(c.field);
    }
    return out + "\r\n";
  };
  std::string text = line([](TPictureField f) { return std::string(PictureFieldCaption(f)); });
  const bool all = !AnySelected();
  for (const auto& r : rows_) {
    if (!all && !r.selected) continue;
    text += line([&](TPictureField f) { return PictureCellText(r.item, f); });
  }
  return text;
}

std::map<std::string, int> TPictureList::SaveColumnWidths() const {
  std::map<std::string, int> out;
  for (const auto& [view, cols] : widths_) {
    for (size_t i = 0; i < cols.size(); ++i) {
      out[std::string(PictureViewName(view)) + "_" + std::to_string(i)] = cols[i].width;
    }
  }
  return out;
}

void TPictureList::RestoreColumnWidths(const std::map<std::string, int>& widths) {
  for (auto& [view, cols] : widths_) {
    for (size_t i = 0; i < cols.size(); ++i) {
      auto it = widths.find(std::string(PictureViewName(view)) + "_" + std::to_string(i));
      if (it != widths.end() && it->second >= 0) cols[i].width = it->second;
    }
  }
}

}  // namespace pictavo
