#include "template/picture_list_options_window.h"

#include <filesystem>
#include <system_error>

#include "pictures/picture_collection.h"
#include "pictures/picture_grid.h"
#include "pictures/sorting_choices.h"
#include "platform/paths.h"
#include "platform/user_interface.h"
#include "settings/window_state.h"

namespace pictavo {

TPictureListOptionsWindow::TPictureListOptionsWindow(TWindowState& window,
                                                     TPictureCollection& collection,
                                                     TPictureGrid& grid,
                                                     std::string backgrounds_folder,
                                                     TUserInterface& ui)
    : window_(window),
      collection_(collection),
      grid_(grid),
      backgrounds_folder_(std::move(backgrounds_folder)),
      ui_(ui) {}

void TPictureListOptionsWindow::PickManuallyUnticked() {
  collection_.PickManuallyClicked(false);
}

void TPictureListOptionsWindow::FolderShown(const std::string& folder) {
  collection_.FolderSelected(folder);
}

void TPictureListOptionsWindow::PictureFilterChanged() {
  collection_.FiltersChanged();
}

bool TPictureListOptionsWindow::HasHandExcludedPictures() const {
  return !grid_.IgnoredNames().Names().empty();
}

void TPictureListOptionsWindow::ClearHandExcludedPictures() {
  grid_.IgnoredNames().Clear();
}

void TPictureListOptionsWindow::RefreshPictureList(const std::string& folder,
                                                   const std::string& filter) {
  collection_.RefreshPictureList(folder, filter, std::string());
}

void TPictureListOptionsWindow::ApplyExclusionFilters(const std::string& filters, bool re_include) {
  collection_.ApplyExclusionFilters(filters, re_include);
}

bool TPictureListOptionsWindow::SelectSortEntry(const std::string& caption) {
  const std::optional<int> index = FindSortingChoice(caption, grid_.List().View());
  if (!index) return false;
  grid_.ChooseSorting(*index);
  window_.cmbSorting = grid_.SortingChoiceText();
  return true;
}

bool TPictureListOptionsWindow::SelectBackgroundImage(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return false;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(JoinPath(backgrounds_folder_, name), ec)) return false;
  window_.cmbBackgroundImage = name;
  return true;
}

void TPictureListOptionsWindow::ShowTemplateInfo(const std::string& info) {
  if (!info.empty()) ui_.ShowMessage(info);
}

}  // namespace pictavo
