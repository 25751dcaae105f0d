#pragma once
// TAlbumOptionsWindow over the picture page's collection and grid: what the
// desktop window and the CLI hand LoadTemplateOptions and ApplyAlbumOptions.
#include <string>

#include "template/album_options.h"

namespace pictavo {

class TPictureCollection;
class TPictureGrid;
class TUserInterface;

class TPictureListOptionsWindow : public TAlbumOptionsWindow {
 public:
  // window: the boxes the sort and background choices are shown in;
  // backgrounds_folder: where background images are listed from; ui shows the
  // template information.
  TPictureListOptionsWindow(TWindowState& window, TPictureCollection& collection,
                            TPictureGrid& grid, std::string backgrounds_folder, TUserInterface& ui);

  void PickManuallyUnticked() override;
  void FolderShown(const std::string& folder) override;
  void PictureFilterChanged() override;
  bool HasHandExcludedPictures() const override;
  void ClearHandExcludedPictures() override;
  void RefreshPictureList(const std::string& folder, const std::string& filter) override;
  void ApplyExclusionFilters(const std::string& filters, bool re_include) override;
  // Selects the entry of the grid's sorting choices and shows its caption in
  // cmbSorting.
  bool SelectSortEntry(const std::string& caption) override;
  // An entry exists when the backgrounds folder holds a file of that name.
  bool SelectBackgroundImage(const std::string& name) override;
  // An information box with the text (nothing for an empty text).
  void ShowTemplateInfo(const std::string& info) override;

 private:
  TWindowState& window_;
  TPictureCollection& collection_;
  TPictureGrid& grid_;
  std::string backgrounds_folder_;
  TUserInterface& ui_;
};

}  // namespace pictavo
