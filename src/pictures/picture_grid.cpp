#include "pictures/picture_grid.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include <fmt/format.h>

#include "pictures/descriptions.h"
#include "pictures/html_title.h"
#include "pictures/image_info.h"
#include "platform/case_fold.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "settings/window_state.h"

namespace pictavo {

TPictureGrid::TPictureGrid(TWindowState& state, TFileDescriptions& descriptions)
    : state_(state), descriptions_(descriptions) {
  list_.OnClick = [this] { SelectionChanged(); };
  list_.SetSortColumn(2);  // "File Name" ascending
}

void TPictureGrid::MarkSettingsChanged() {
  if (!SettingsLoading && OnSettingsChanged) OnSettingsChanged();
}

int TPictureGrid::CustomPosition(const TPictureItem& item, int occurrence) const {
  if (!custom_list_) return -1;
  const auto& list = *custom_list_;
  // Folder mode keeps file names (any case), manual mode full paths (exact).
  const std::string name = NamePart(item.fldFullName);
  for (size_t i = 0; i < list.size(); ++i) {
    if (FolderMode ? EqualsNoCase(list[i], name) : list[i] == item.fldFullName) {
      if (occurrence-- == 0) return static_cast<int>(i);
    }
  }
  return -1;
}

int TPictureGrid::FindRowById(int id) const {
  if (id == 0) return -1;
  for (int r = 0; r < list_.RowCount(); ++r) {
    if (std::abs(list_.Row(r).fldIndex) == id) return r;
  }
  return -1;
}

void TPictureGrid::AddPictureRow(const std::string& path) {
  const std::string name = NamePart(path);
  const bool ignored = ignored_.MarkSeen(name);
  const int id = ++id_counter_;

  TPictureItem item;
  item.fldIndex = ignored ? -id : id;
  item.fldFullName = path;
  if (ignored) {
    item.fldSortIndex = kExcludedSortIndex + id;
  } else if (custom_active_) {
    if (custom_list_) {
      const int pos = CustomPosition(item);
      item.fldSortIndex = pos >= 0 ? pos : id + static_cast<int>(custom_list_->size());
    } else {
      item.fldSortIndex = id;
    }
  }
  if (!FolderMode || state_.cbxIncludeSubFolders) item.fldPathName = FolderPart(path);
  item.fldFileName = NameWithoutExt(name);
  item.fldFileType = FileExtLower(name);
  if (const auto stat = StatPath(path)) item.fldFileDate = stat->mtime;

  TImageInfo info;
  GetImageInfo(path, info);
  item.fldFileSize = info.file_size;
  item.fldImageWidth = info.valid ? info.width : -1;
  item.fldImageHeight = info.valid ? info.height : -1;

  item.fldDescription = descriptions_.GetDescription(path);
  if (item.fldDescription.empty() && state_.cbxUseHtmlTitle && IsHtmlFileExt(item.fldFileType)) {
    item.fldDescription = GetHtmlTitle(path);
  }
  list_.AddRow(std::move(item));
}

void TPictureGrid::RenumberPictures(bool use_custom_list) {
  int included = 0;
  int excluded = 0;
  const bool with_list = use_custom_list && custom_list_.has_value();
  const int list_length = custom_list_ ? static_cast<int>(custom_list_->size()) : 0;
  // A path added twice in manual mode is listed twice: the n-th row of a path
  // takes the n-th place of that path.
  std::map<std::string, int> occurrences;
  list_.BeginUpdate();
  list_.ForEachRow([&](TPictureItem& item, int) {
    if (!item.Included()) {
      item.fldSortIndex = kExcludedSortIndex + ++excluded;
      return;
    }
    ++included;
    if (with_list) {
      const int pos = CustomPosition(item, FolderMode ? 0 : occurrences[item.fldFullName]++);
      item.fldSortIndex = pos >= 0 ? pos : included + list_length;
    } else {
      item.fldSortIndex = included;
    }
  });
  list_.EndUpdate();
}

void TPictureGrid::ApplySortOrder(int column, bool update_choice) {
  const bool custom = std::abs(column) == 1;
  const bool descending = column < 0;
  if (custom == custom_active_) {
    if (custom && descending != last_descending_) {
      Commands.btnUpEnabled = column > 0 && list_.AnySelected();
      Commands.btnDownEnabled = Commands.btnUpEnabled;
    }
    list_.SetSortColumn(column);
  } else {
    custom_active_ = custom;
    Commands.btnUpEnabled = custom && column > 0 && list_.AnySelected();
    Commands.btnDownEnabled = Commands.btnUpEnabled;
    if (!custom) {
      // Leaving custom sorting: the kept order is taken from the display order.
      if (custom_order_exists_) {
        custom_list_ = StoreCustomOrder();
      } else {
        custom_list_.reset();
      }
      list_.SetSortColumn(column);
    } else if (column != list_.SortColumn()) {
      custom_order_exists_ = HasCustomOrderEntries();
      RenumberPictures(custom_order_exists_);
      list_.SetSortColumn(column);
    }
  }
  last_descending_ = descending;
  if (update_choice) choice_index_ = SortingChoiceIndexOfColumn(list_.SortColumn(), list_.View());
}

int TPictureGrid::IncludedCount() const {
  int n = 0;
  for (int r = 0; r < list_.RowCount(); ++r) n += list_.Row(r).Included() ? 1 : 0;
  return n;
}

int TPictureGrid::ExcludedCount() const {
  return list_.RowCount() - IncludedCount();
}

void TPictureGrid::MovePictures(bool up) {
  if (list_.SortColumn() == -1) return;  // "Custom - descending"
  list_.BeginUpdate();
  for (int r = 0; r < list_.RowCount(); ++r) {
    if (!list_.Row(r).Included()) list_.SetSelected(r, false);
  }
  // n counts the included rows themselves: with subfolders one ignored name
  // can stand for several excluded rows.
  const int a = list_.SelectedCount();
  const int n = IncludedCount();
  const int first = list_.FirstSelected();
  const int last = list_.LastSelected();
  const int last_included = n - 1;
  if (a == 0 || a == n || (a == 1 && up && first == 0) ||
      (a == 1 && !up && last == last_included)) {
    list_.EndUpdate();
    return;
  }
  int lo, hi;
  if (up) {
    lo = first == 0 ? 0 : first - 1;
    hi = last;
  } else {
    lo = first;
    hi = last == last_included ? last : last + 1;
  }
  // New display order of the range: selected rows first (up) or last (down).
  std::vector<int> order;
  for (int pass = 0; pass < 2; ++pass) {
    const bool want_selected = (pass == 0) == up;
    for (int r = lo; r <= hi; ++r) {
      if (list_.Selected(r) == want_selected) order.push_back(r);
    }
  }
  std::vector<int> new_index(static_cast<size_t>(list_.RowCount()));
  for (int r = 0; r < list_.RowCount(); ++r) new_index[static_cast<size_t>(r)] = r + 1;
  for (size_t k = 0; k < order.size(); ++k) {
    new_index[static_cast<size_t>(order[k])] = lo + static_cast<int>(k) + 1;
  }
  bool changed = false;
  // Every included row takes its new 1-based display position, so rows outside
  // the range keep their place whatever numbering they had.
  for (int r = 0; r < list_.RowCount(); ++r) {
    TPictureItem& item = list_.Row(r);
    if (!item.Included()) continue;
    const int value = new_index[static_cast<size_t>(r)];
    if (item.fldSortIndex != value) {
      item.fldSortIndex = value;
      changed = true;
    }
  }
  if (changed) {
    custom_order_exists_ = true;
    MarkSettingsChanged();
  }
  list_.EndUpdate();  // re-sorts; the selection moves with the rows
}

std::vector<std::string> TPictureGrid::StoreCustomOrder() const {
  std::vector<std::string> out;
  for (int r = 0; r < list_.RowCount(); ++r) {
    const TPictureItem& item = list_.Row(r);
    if (!FolderMode) {
      out.push_back(item.fldFullName);
    } else if (item.Included()) {
      out.push_back(NamePart(item.fldFullName));
    }
  }
  return out;
}

void TPictureGrid::UpdatePictureCountHint() {
  if (list_.RowCount() == 0) {
    Commands.grdPictureListHint.clear();
    return;
  }
  // Counted from the rows: with subfolders one ignored name can exclude
  // several rows.
  const int excluded = ExcludedCount();
  std::string hint = fmt::format("The album will have {} images", list_.RowCount() - excluded);
  if (excluded > 0) hint += fmt::format(" ({} images excluded)", excluded);
  Commands.grdPictureListHint = hint;
}

void TPictureGrid::CommitDescriptionEdit() {
  if (box_.modified) {
    const int row = FindRowById(described_id_);
    if (row >= 0) {
      TPictureItem& item = list_.Row(row);
      item.fldDescription = DescriptionToGridText(box_.text);
      if (descriptions_.SetDescription(item.fldFullName, box_.text)) {
        descriptions_.modified = true;
        if (descriptions_.save_with_images) {
          descriptions_.WriteFolderFile(FolderPart(item.fldFullName));
        }
      }
    }
  }
  box_.modified = false;
}

void TPictureGrid::SelectionChanged() {
  CommitDescriptionEdit();
  described_id_ = 0;
  const int s = list_.SelectedCount();
  Commands.btnExcludeEnabled = s > 0;
  Commands.btnIncludeEnabled = s > 0 || !FolderMode;
  // Up and Down move nothing while the custom order is shown descending.
  Commands.btnUpEnabled = custom_active_ && list_.SortColumn() > 0 && s > 0;
  Commands.btnDownEnabled = Commands.btnUpEnabled;
  box_.enabled = s == 1;
  std::string preview;
  if (s == 1) {
    const TPictureItem& item = list_.Row(list_.FirstSelected());
    box_.text = item.fldDescription;
    described_id_ = std::abs(item.fldIndex);
    preview = item.fldFullName;
  } else {
    box_.text.clear();
  }
  if (OnPreviewFollow) OnPreviewFollow(preview);
  box_.modified = false;
}

void TPictureGrid::EditDescription(const std::string& text) {
  if (!box_.enabled) return;
  box_.text = text;
  box_.modified = true;
}

void TPictureGrid::MoveDescribedRow(int delta) {
  CommitDescriptionEdit();
  int from = DescribedRow();
  if (from < 0) from = list_.CurrentRow();
  const int to = from + delta;
  if (from < 0 || to < 0 || to >= list_.RowCount()) return;
  for (int r = 0; r < list_.RowCount(); ++r) list_.SetSelected(r, r == to);
  list_.SetCurrentRow(to);
  SelectionChanged();
}

int TPictureGrid::DescribedRow() const {
  return FindRowById(described_id_);
}

std::string TPictureGrid::SortingChoiceText() const {
  const auto choices = SortingChoiceList();
  if (choice_index_ < 0 || choice_index_ >= static_cast<int>(choices.size())) return {};
  return choices[static_cast<size_t>(choice_index_)].caption;
}

void TPictureGrid::ApplyChoice(int index) {
  const auto choices = SortingChoiceList();
  if (index < 0 || index >= static_cast<int>(choices.size())) return;
  choice_index_ = index;
  const int column =
      SortColumnOfIdentifier(choices[static_cast<size_t>(index)].identifier, list_.View());
  ApplySortOrder(column, false);
  MarkSettingsChanged();
}

void TPictureGrid::ChooseSorting(int index) {
  if (!WindowReady) {
    const int count = static_cast<int>(SortingChoiceList().size());
    if (index >= 0 && index < count) choice_index_ = index;
    return;
  }
  ApplyChoice(index);
}

void TPictureGrid::SortByHeader(int column) {
  if (column < 1 || column > static_cast<int>(list_.Columns().size())) return;
  const int current = list_.SortColumn();
  const int next = std::abs(current) == column ? -current : column;
  ApplySortOrder(next, true);
  MarkSettingsChanged();
}

void TPictureGrid::RestoreSortChoice(const std::string& text) {
  const auto index = FindSortingChoice(text, list_.View());
  ApplyChoice(index ? *index : 1);
}

void TPictureGrid::UpdateView() {
  const TPictureView view =
      FolderMode && !state_.cbxIncludeSubFolders ? TPictureView::RvDefault : TPictureView::RvManual;
  if (view == list_.View()) return;
  const auto old_choices = SortingChoiceList();
  int identifier = 2;
  if (choice_index_ >= 0 && choice_index_ < static_cast<int>(old_choices.size())) {
    identifier = old_choices[static_cast<size_t>(choice_index_)].identifier;
  }
  // A "Path Name" sort becomes "File Name" in the same direction.
  if (view == TPictureView::RvDefault && std::abs(identifier) == 9) {
    identifier = identifier < 0 ? -2 : 2;
  }
  list_.SetView(view);
  const auto choices = SortingChoiceList();
  int index = 1;
  for (size_t i = 0; i < choices.size(); ++i) {
    if (choices[i].identifier == identifier) index = static_cast<int>(i);
  }
  ApplyChoice(index);
}

}  // namespace pictavo
