#include "build/grid_build_host.h"

#include "pictures/picture_collection.h"
#include "pictures/picture_grid.h"

namespace pictavo {

void TGridBuildHost::PickManuallyUnticked() {
  options_.PickManuallyUnticked();
}

void TGridBuildHost::FolderShown(const std::string& folder) {
  options_.FolderShown(folder);
}

void TGridBuildHost::PictureFilterChanged() {
  options_.PictureFilterChanged();
}

bool TGridBuildHost::HasHandExcludedPictures() const {
  return options_.HasHandExcludedPictures();
}

void TGridBuildHost::ClearHandExcludedPictures() {
  options_.ClearHandExcludedPictures();
}

void TGridBuildHost::RefreshPictureList(const std::string& folder, const std::string& filter) {
  options_.RefreshPictureList(folder, filter);
}

void TGridBuildHost::ApplyExclusionFilters(const std::string& filters, bool re_include) {
  options_.ApplyExclusionFilters(filters, re_include);
}

bool TGridBuildHost::SelectSortEntry(const std::string& caption) {
  return options_.SelectSortEntry(caption);
}

bool TGridBuildHost::SelectBackgroundImage(const std::string& name) {
  return has_backgrounds_ && options_.SelectBackgroundImage(name);
}

void TGridBuildHost::ShowTemplateInfo(const std::string& info) {
  options_.ShowTemplateInfo(info);
}

std::vector<TPictureItem> TGridBuildHost::Pictures() const {
  return grid_.List().Items();
}

std::vector<std::string> TGridBuildHost::PictureOrder() const {
  std::vector<std::string> paths;
  const TPictureList& list = grid_.List();
  paths.reserve(static_cast<size_t>(list.RowCount()));
  for (int row = 0; row < list.RowCount(); ++row) paths.push_back(list.Row(row).fldFullName);
  return paths;
}

std::vector<std::string> TGridBuildHost::HandExcludedNames() const {
  return grid_.IgnoredNames().Names();
}

void TGridBuildHost::SetHandExcludedNames(const std::vector<std::string>& names) {
  grid_.IgnoredNames().Assign(names);
}

int TGridBuildHost::SortEntryIndex() const {
  return grid_.SortingChoiceIndex();
}

void TGridBuildHost::SelectSortEntryIndex(int index) {
  grid_.ChooseSorting(index);
}

bool TGridBuildHost::CustomOrderFlag() const {
  return grid_.CustomOrderExists() && grid_.CustomSortingActive();
}

void TGridBuildHost::SetCustomOrderFlag(bool value) {
  grid_.SetCustomOrderExists(value);
}

void TGridBuildHost::SetPickManually(bool manual) {
  collection_.PickManuallyClicked(manual);
}

void TGridBuildHost::FillPictureList(const std::vector<std::string>& paths) {
  collection_.FillPictureList(paths, true);
}

void TGridBuildHost::RebuildPictureList(const std::string& folder, const std::string& filter,
                                        const std::string& exclusion) {
  collection_.RefreshPictureList(folder, filter, exclusion);
}

void TGridBuildHost::RememberPictureFolder(bool select) {
  collection_.RememberPictureFolder(select);
}

void TGridBuildHost::CommitDescriptionEdit() {
  grid_.CommitDescriptionEdit();
}

}  // namespace pictavo
