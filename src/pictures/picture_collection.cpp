#include "pictures/picture_collection.h"

#include <optional>

#include "pictures/enh_file_list.h"
#include "pictures/picture_grid.h"
#include "platform/case_fold.h"
#include "platform/paths.h"
#include "platform/user_interface.h"
#include "platform/wildcard.h"
#include "settings/window_state.h"

namespace pictavo {

const std::vector<std::string>& DefaultPictureFilterChoices() {
  static const std::vector<std::string> kChoices = {
      "*.gif;*.jpg;*.jpeg;*.jpe;*.jps;*.png;*.jpc;*.j2k;*.jp2;*.tif;*.tiff",
      "*.jpg;*.jpeg;*.jpe;*.jps",
      "*.gif",
      "*.png",
      "*.jpc;*.j2k;*.jp2",
      "*.tif;*.tiff",
      ("*.htm;*.html;*.asp;*.css;*.php;*.php3;*.php4;*.cfm;*.phtml;*.shtml;*.xml;*.hta;*.htt;*.js;"
       "*.vb")};
  return kChoices;
}

const std::vector<std::pair<std::string, std::string>>& AddImagesFilters() {
  static const std::vector<std::pair<std::string, std::string>> kFilters = {
      {"All images (*.gif;*.jpg;*.jpe;*.jpeg;*.jpc;*.j2k;*.jp2;*.png)",
       "*.gif;*.jpg;*.jpe;*.jps;*.jpeg;*.png"},
      {"JPEG images (*.jpg;*.jpe;*.jpeg)", "*.jpg;*.jpe;*.jpeg"},
      {"JPEG 2000 images (*.jpc;*.j2k;*.jp2)", "*.jpc;*.j2k;*.jp2"},
      {"Gif images (*.gif)", "*.gif"},
      {"Png images (*.png)", "*.png"}};
  return kFilters;
}

bool IsRefusedFilterChar(char32_t c) {
  switch (c) {
    case U' ':
    case U'"':
    case U',':
    case U'/':
    case U':':
    case U'<':
    case U'>':
    case U'\\':
    case U'|':
      return true;
    default:
      return false;
  }
}

TPictureCollection::TPictureCollection(TPictureGrid& grid, TWindowState& state, TUserInterface& ui)
    : grid_(grid), state_(state), ui_(ui) {
  grid_.FolderMode = !state_.cbxPickManually;
  grid_.UpdateView();
}

void TPictureCollection::RefreshPictureList(const std::string& folder,
                                            const std::string& picture_filters,
                                            const std::string& exclusion_filters) {
  if (!folder.empty() && !picture_filters.empty() && grid_.FolderMode) {
    const TEnhFileList files(folder, picture_filters, state_.cbxIncludeSubFolders,
                             TFileListSort::FullName, &ui_);
    FillPictureList(files.FullPaths(), true);
    if (!exclusion_filters.empty()) ApplyExclusionFiltersIn(folder, exclusion_filters, false);
  } else {
    FillPictureList({}, true);
  }
}

void TPictureCollection::FillPictureList(const std::vector<std::string>& paths, bool clear_first) {
  TPictureList& list = grid_.List();
  if (list.RowCount() > 0) {
    grid_.CommitDescriptionEdit();
    if (clear_first) {
      grid_.ResetIdCounter();
      list.DeleteAll();
    }
  }
  out_of_date_ = false;
  grid_.SelectionChanged();
  if (paths.empty()) {
    grid_.UpdatePictureCountHint();
    return;
  }
  TIgnoredNames& ignored = grid_.IgnoredNames();
  list.BeginUpdate();
  if (clear_first) grid_.ResetIdCounter();
  ignored.ClearSeen();
  bool complete = false;
  auto finish = [&] {
    list.EndUpdate();
    // Names not seen belong to files that are gone. After an interrupted fill
    // the names of the files not reached are kept: they are not known gone.
    if (complete) ignored.DeleteUnseen();
    if (grid_.HasCustomOrderEntries()) grid_.RenumberPictures(true);
    grid_.UpdatePictureCountHint();
    if (!grid_.FolderMode) grid_.Commands.btnQuickBuildEnabled = list.RowCount() > 0;
  };
  try {
    for (const auto& path : paths) grid_.AddPictureRow(path);
    complete = true;
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TPictureCollection::ApplyExclusionFilters(const std::string& exclusion_filters,
                                               bool re_include) {
  ApplyExclusionFiltersIn(state_.vclShellTree, exclusion_filters, re_include);
}

void TPictureCollection::ApplyExclusionFiltersIn(const std::string& folder,
                                                 const std::string& exclusion_filters,
                                                 bool re_include) {
  TPictureList& list = grid_.List();
  TIgnoredNames& ignored = grid_.IgnoredNames();
  // Folder mode compares with the picture folder's own files that the filters
  // list (never its subfolders); manual mode matches the masks themselves.
  std::optional<TEnhFileList> listing;
  std::vector<std::string> masks;
  if (grid_.FolderMode) {
    listing.emplace(folder, exclusion_filters, false, TFileListSort::FullName, &ui_);
  } else {
    masks = SplitMasks(FoldCase(exclusion_filters));
  }
  list.BeginUpdate();
  bool any_selected = false;
  for (int r = 0; r < list.RowCount(); ++r) {
    TPictureItem& item = list.Row(r);
    const std::string name = NamePart(item.fldFullName);
    bool match = false;
    if (listing) {
      match = listing->ContainsNoCase(name);
    } else {
      const std::string folded = FoldCase(name);
      for (const auto& mask : masks) {
        if (MatchMaskEscaped(mask, folded)) {
          match = true;
          break;
        }
      }
    }
    list.SetSelected(r, match);
    any_selected = any_selected || match;
    if (re_include && !match && !item.Included()) {
      ignored.Remove(name);
      item.fldIndex = -item.fldIndex;
      if (grid_.CustomSortingActive()) item.fldSortIndex = list.RowCount() - ignored.Count();
    }
  }
  if (any_selected) {
    ExcludeSelection();
    list.UnselectAll();
  }
  list.EndUpdate();
  grid_.UpdatePictureCountHint();
}

void TPictureCollection::ExcludeSelection() {
  TPictureList& list = grid_.List();
  TIgnoredNames& ignored = grid_.IgnoredNames();
  list.BeginUpdate();
  int excluded = grid_.ExcludedCount();
  list.ForEachSelected([&](TPictureItem& item, int) {
    if (!item.Included()) return;
    ignored.Add(NamePart(item.fldFullName));
    item.fldIndex = -item.fldIndex;
    item.fldSortIndex = kExcludedSortIndex + ++excluded;
  });
  grid_.RenumberPictures(grid_.CustomOrderList().has_value());
  list.EndUpdate();
  grid_.UpdatePictureCountHint();
  grid_.MarkSettingsChanged();
}

void TPictureCollection::IncludeSelection() {
  TPictureList& list = grid_.List();
  TIgnoredNames& ignored = grid_.IgnoredNames();
  list.BeginUpdate();
  list.ForEachSelected([&](TPictureItem& item, int) {
    if (item.Included()) return;
    ignored.Remove(NamePart(item.fldFullName));
    item.fldIndex = -item.fldIndex;
    item.fldSortIndex = grid_.CustomSortingActive() ? list.RowCount() - ignored.Count() : 0;
  });
  list.EndUpdate();
  grid_.UpdatePictureCountHint();
  grid_.MarkSettingsChanged();
}

void TPictureCollection::AddPictures(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  add_images_folder_ = FolderPart(paths.front());
  FillPictureList(paths, false);
}

void TPictureCollection::RemoveSelection() {
  TPictureList& list = grid_.List();
  grid_.CommitDescriptionEdit();
  TIgnoredNames& ignored = grid_.IgnoredNames();
  list.ForEachSelected(
      [&](TPictureItem& item, int) { ignored.Remove(NamePart(item.fldFullName)); });
  list.DeleteSelected();
  grid_.SelectionChanged();
  grid_.Commands.btnExcludeEnabled = false;
  grid_.UpdatePictureCountHint();
  grid_.Commands.btnQuickBuildEnabled = list.RowCount() > 0;
}

void TPictureCollection::RestorePictureOrder(const std::vector<std::string>& list,
                                             bool custom_order) {
  grid_.SetCustomOrderList(list);
  grid_.SetCustomOrderExists(custom_order);
  if (grid_.FolderMode) {
    if (custom_order) grid_.RenumberPictures(true);
  } else {
    FillPictureList(list, true);
  }
  if (!custom_order) grid_.SetCustomOrderList(std::nullopt);
}

void TPictureCollection::DeleteKeyPressed() {
  if (!grid_.List().AnySelected() || !grid_.Commands.btnExcludeEnabled) return;
  if (grid_.FolderMode) {
    ExcludeSelection();
  } else {
    RemoveSelection();
  }
}

void TPictureCollection::MarkPictureListOutOfDate() {
  out_of_date_ = true;
  grid_.MarkSettingsChanged();
}

void TPictureCollection::FolderSelected(const std::string& folder) {
  if (!grid_.FolderMode || folder == last_folder_seen_) return;
  last_folder_seen_ = folder;
  const std::vector<std::string>& previous = state_.cmbPreviousFoldersItems;
  for (size_t i = 0; i < previous.size(); ++i) {
    if (EqualsNoCase(previous[i], folder)) state_.cmbPreviousFoldersIndex = static_cast<int>(i);
  }
  MarkPictureListOutOfDate();
}

void TPictureCollection::ExclusionFiltersEdited() {
  grid_.IgnoredNames().Clear();
  MarkPictureListOutOfDate();
}

void TPictureCollection::IncludeSubFoldersToggled() {
  MarkPictureListOutOfDate();
  grid_.UpdateView();
}

bool TPictureCollection::PickManuallyClicked(bool manual) {
  state_.cbxPickManually = manual;
  if (manual == !grid_.FolderMode) return false;
  grid_.FolderMode = !manual;
  out_of_date_ = true;
  TPictureListCommands& c = grid_.Commands;
  c.FolderControlsEnabled = !manual;
  c.ShellTreeReadOnly = manual;
  c.btnQuickBuildEnabled = !manual;
  c.btnIncludeEnabled = manual;
  c.btnExcludeEnabled = false;
  grid_.MarkSettingsChanged();
  if (manual) {
    c.btnIncludeCaption = "&Add";
    c.btnIncludeHint = "Add images to the list";
    c.btnExcludeCaption = "&Remove";
    c.btnExcludeHint = "Remove images from the list";
  } else {
    c.btnIncludeCaption = "&Include";
    c.btnIncludeHint = "Include selected images that are currently excluded from the album";
    c.btnExcludeCaption = "&Exclude";
    c.btnExcludeHint = "Exclude selected images from the album";
  }
  const bool open_dialog = manual && grid_.WindowReady && !grid_.SettingsLoading;
  if (open_dialog) add_images_folder_ = state_.vclShellTree;
  grid_.UpdateView();
  return open_dialog;
}

const std::vector<std::string>& TPictureCollection::PreviousFolders() const {
  return state_.cmbPreviousFoldersItems;
}

int TPictureCollection::PreviousFolderIndex() const { return state_.cmbPreviousFoldersIndex; }

void TPictureCollection::SetPreviousFolders(std::vector<std::string> folders) {
  if (folders.size() > kMaxPreviousFolders) folders.resize(kMaxPreviousFolders);
  state_.cmbPreviousFoldersItems = std::move(folders);
  state_.cmbPreviousFoldersIndex = -1;
}

void TPictureCollection::RememberPictureFolder(bool select) {
  const std::string& folder = state_.vclShellTree;
  if (folder.empty()) return;
  std::vector<std::string>& previous = state_.cmbPreviousFoldersItems;
  int& selected = state_.cmbPreviousFoldersIndex;
  int index = -1;
  for (size_t i = 0; i < previous.size(); ++i) {
    if (EqualsNoCase(previous[i], folder)) index = static_cast<int>(i);
  }
  if (index < 0) {
    // A full list gives up its oldest folder; the "[...]" cache entries stay.
    if (previous.size() >= kMaxPreviousFolders) {
      for (size_t i = 0; i < previous.size(); ++i) {
        if (!previous[i].starts_with("[")) {
          previous.erase(previous.begin() + static_cast<std::ptrdiff_t>(i));
          if (selected == static_cast<int>(i)) {
            selected = -1;
          } else if (selected > static_cast<int>(i)) {
            --selected;
          }
          break;
        }
      }
    }
    previous.push_back(folder);
    index = static_cast<int>(previous.size()) - 1;
  }
  if (select) selected = index;
}

}  // namespace pictavo
