#pragma once
// TGridBuildHost: the build's window operations over a picture grid and its
// picture collection, for the CLI and the tests (the desktop window has its
// own, which also moves its widgets).
#include <string>
#include <utility>
#include <vector>

#include "build/build_host.h"
#include "platform/user_interface.h"
#include "template/picture_list_options_window.h"

namespace pictavo {

struct TWindowState;
class TPictureGrid;
class TPictureCollection;

class TGridBuildHost : public TBuildHost {
 public:
  // backgrounds_folder: where background images are listed from; ui shows
  // the template information.
  TGridBuildHost(TWindowState& window, TPictureGrid& grid, TPictureCollection& collection,
                 std::string backgrounds_folder, TUserInterface& ui)
      : grid_(grid),
        collection_(collection),
        has_backgrounds_(!backgrounds_folder.empty()),
        options_(window, collection, grid, std::move(backgrounds_folder), ui) {}
  // Without a backgrounds folder (no background entry can be selected) and
  // without showing the template information.
  TGridBuildHost(TWindowState& window, TPictureGrid& grid, TPictureCollection& collection)
      : grid_(grid),
        collection_(collection),
        has_backgrounds_(false),
        options_(window, collection, grid, std::string(), silent_ui_) {}

  // TAlbumOptionsWindow: what TPictureListOptionsWindow does.
  void PickManuallyUnticked() override;
  void FolderShown(const std::string& folder) override;
  void PictureFilterChanged() override;
  bool HasHandExcludedPictures() const override;
  void ClearHandExcludedPictures() override;
  void RefreshPictureList(const std::string& folder, const std::string& filter) override;
  void ApplyExclusionFilters(const std::string& filters, bool re_include) override;
  bool SelectSortEntry(const std::string& caption) override;
  bool SelectBackgroundImage(const std::string& name) override;
  void ShowTemplateInfo(const std::string& info) override;

  // TBuildHost
  std::vector<TPictureItem> Pictures() const override;
  std::vector<std::string> PictureOrder() const override;
  std::vector<std::string> HandExcludedNames() const override;
  void SetHandExcludedNames(const std::vector<std::string>& names) override;
  int SortEntryIndex() const override;
  void SelectSortEntryIndex(int index) override;
  bool CustomOrderFlag() const override;
  void SetCustomOrderFlag(bool value) override;
  void SetPickManually(bool manual) override;
  void FillPictureList(const std::vector<std::string>& paths) override;
  void RebuildPictureList(const std::string& folder, const std::string& filter,
                          const std::string& exclusion) override;
  void RememberPictureFolder(bool select) override;
  void CommitDescriptionEdit() override;

 private:
  TSilentUserInterface silent_ui_;
  TPictureGrid& grid_;
  TPictureCollection& collection_;
  bool has_backgrounds_;
  TPictureListOptionsWindow options_;
};

}  // namespace pictavo
