#pragma once
// The picture collection: which files the album holds. In folder mode every
// file of the picture folder (and its subfolders when asked) that matches the
// picture filters, minus the pictures excluded by hand (kept by file name in
// the ignored-names list) or by the exclusion filters; in manual mode the files
// the user added. It fills the picture grid and knows when the grid no longer
// matches the folder, filters and mode.
#include <string>
#include <utility>
#include <vector>

namespace pictavo {

struct TWindowState;
class TPictureGrid;
class TUserInterface;

// Picture filter choices offered when the settings hold none, in order.
const std::vector<std::string>& DefaultPictureFilterChoices();
// The "Add Images" dialog's filter choices: caption and masks.
const std::vector<std::pair<std::string, std::string>>& AddImagesFilters();
// True for the characters the filter boxes refuse: space " , / : < > \ |.
bool IsRefusedFilterChar(char32_t c);

class TPictureCollection {
 public:
  // The picture folder, filters and mode boxes are read from state; ui
  // processes pending events while folders are listed.
  TPictureCollection(TPictureGrid& grid, TWindowState& state, TUserInterface& ui);

  // Rebuilds the grid from folder in folder mode, or empties it otherwise.
  void RefreshPictureList(const std::string& folder, const std::string& picture_filters,
                          const std::string& exclusion_filters);
  // Adds one row per path in the given order (after emptying the grid when
  // clear_first). An error while a row is added (EPictavo) ends the fill and
  // reaches the caller; the rows added so far stay.
  void FillPictureList(const std::vector<std::string>& paths, bool clear_first);
  // Excludes the rows the exclusion filters match (in folder mode: the rows
  // whose file name a file of the picture folder itself has, vclShellTree);
  // with re_include, excluded rows that no longer match are included again.
  void ApplyExclusionFilters(const std::string& exclusion_filters, bool re_include);
  // Folder mode: the Exclude and Include buttons.
  void ExcludeSelection();
  void IncludeSelection();
  // Manual mode: adds the files chosen in "Add Images" (the same file may be
  // added twice); an empty list (cancelled dialog) changes nothing.
  void AddPictures(const std::vector<std::string>& paths);
  // Manual mode: the Remove button.
  void RemoveSelection();
  // Album settings: the saved picture order. In folder mode the file names give
  // the custom order (kept only with custom_order); in manual mode the paths
  // become the list of pictures.
  void RestorePictureOrder(const std::vector<std::string>& list, bool custom_order);
  // The Delete key: what the enabled Exclude (or Remove) button does.
  void DeleteKeyPressed();

  // Out-of-date flag and the changes that set it.
  bool PictureListOutOfDate() const { return out_of_date_; }
  void MarkPictureListOutOfDate();
  // The folder tree's selection moved to folder (folder mode only).
  void FolderSelected(const std::string& folder);
  // The program or the user changed the picture filter or exclusion filter text.
  void FiltersChanged() { MarkPictureListOutOfDate(); }
  // The user typed in the exclusion filter box: exclusions made by hand go.
  void ExclusionFiltersEdited();
  void IncludeSubFoldersToggled();
  // cbxPickManually clicked with the new check state. Returns true when the
  // window should now show "&2. List of Pictures" and open "Add Images".
  bool PickManuallyClicked(bool manual);

  // Previously used folders (the window's cmbPreviousFolders, which the
  // program options load and save), at most 15 entries.
  const std::vector<std::string>& PreviousFolders() const;
  void SetPreviousFolders(std::vector<std::string> folders);
  int PreviousFolderIndex() const;
  // Appends the folder tree's folder when it is not in the list (without regard
  // to case); with select its entry becomes the selected one.
  void RememberPictureFolder(bool select);

  // Folder the "Add Images" dialog opens in.
  const std::string& AddImagesFolder() const { return add_images_folder_; }
  void SetAddImagesFolder(const std::string& folder) { add_images_folder_ = folder; }

  static constexpr size_t kMaxPreviousFolders = 15;

 private:
  // ApplyExclusionFilters with folder as the picture folder.
  void ApplyExclusionFiltersIn(const std::string& folder, const std::string& exclusion_filters,
                               bool re_include);

  TPictureGrid& grid_;
  TWindowState& state_;
  TUserInterface& ui_;
  bool out_of_date_ = true;
  std::string last_folder_seen_;
  std::string add_images_folder_;
};

}  // namespace pictavo
