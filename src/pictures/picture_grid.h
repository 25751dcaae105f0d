#pragma once
// The picture grid's behaviour on the page "&2. List of Pictures": making the
// picture records, sorting them and keeping the user's own ("custom") order,
// the Up and Down buttons, the description box and the state of the page's
// buttons. The rows themselves live in TPictureList; the picture collection
// (TPictureCollection) decides which files become rows.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pictures/description_box.h"
#include "pictures/ignored_names.h"
#include "pictures/picture_list.h"
#include "pictures/sorting_choices.h"

namespace pictavo {

struct TWindowState;
class TFileDescriptions;

// Enabled states, captions and hints of the picture page's controls.
struct TPictureListCommands {
  bool btnIncludeEnabled = false;
  bool btnExcludeEnabled = false;
  bool btnUpEnabled = false;
  bool btnDownEnabled = false;
  bool btnQuickBuildEnabled = true;
  std::string btnIncludeCaption = "&Include";
  std::string btnIncludeHint = "Include selected images that are currently excluded from the album";
  std::string btnExcludeCaption = "&Exclude";
  std::string btnExcludeHint = "Exclude selected images from the album";
  // Picture filter box, include-subfolders box, folder label, folder tree and
  // previous folders: enabled in folder mode only.
  bool FolderControlsEnabled = true;
  bool ShellTreeReadOnly = false;  // manual mode
  std::string grdPictureListHint;  // the picture count hint; empty for an empty grid
};

class TPictureGrid {
 public:
  // state gives the mode boxes and options (cbxIncludeSubFolders,
  // cbxUseHtmlTitle); descriptions is the picture description store.
  TPictureGrid(TWindowState& state, TFileDescriptions& descriptions);
  TPictureGrid(const TPictureGrid&) = delete;
  TPictureGrid& operator=(const TPictureGrid&) = delete;

  TPictureList& List() { return list_; }
  const TPictureList& List() const { return list_; }
  TIgnoredNames& IgnoredNames() { return ignored_; }
  const TIgnoredNames& IgnoredNames() const { return ignored_; }

  // Appends the row of one file (reads its header and description). Raises
  // EPictavo when a picture exists but cannot be opened; no row is added then.
  void AddPictureRow(const std::string& path);
  // Gives every row its custom-order sort index: excluded rows 1073741823 + n,
  // included rows their place in the custom order list (use_custom_list) or
  // their display position from 1.
  void RenumberPictures(bool use_custom_list);
  // Switches custom sorting on (|column| = 1) or off and sorts by column;
  // update_choice selects the matching sorting choice.
  void ApplySortOrder(int column, bool update_choice);
  // The Up (up) and Down buttons: moves the selected included rows in the
  // custom order.
  void MovePictures(bool up);
  // The display order: full paths of all rows (manual mode) or file names of
  // the included rows (folder mode).
  std::vector<std::string> StoreCustomOrder() const;
  void UpdatePictureCountHint();
  // Stores a pending edit of the description box in the row and the store.
  void CommitDescriptionEdit();
  // A grid click or a new fill: commits the edit, sets the buttons' states
  // and shows the single selected row's description.
  void SelectionChanged();

  // Description box.
  const TDescriptionBox& DescriptionBox() const { return box_; }
  // The user typed: the box's new text, marked modified.
  void EditDescription(const std::string& text);
  // Enter (+1), Shift+Enter (-1), Ctrl+Down, Ctrl+Up: commits and moves the
  // selection to the next or previous row.
  void MoveDescribedRow(int delta);
  // Display row being described, -1 for none.
  int DescribedRow() const;

  // Sorting choices of the active view and the selected one.
  std::vector<TSortingChoice> SortingChoiceList() const { return SortingChoices(list_.View()); }
  int SortingChoiceIndex() const { return choice_index_; }
  std::string SortingChoiceText() const;
  // The user picked choice index (0-based) of cmbSorting (applied once the
  // window is up).
  void ChooseSorting(int index);
  // A click on a column header (1-based column of the active view); a second
  // click on the same column reverses the direction.
  void SortByHeader(int column);
  // Applies a saved sort choice text (album settings); an unknown text applies
  // the second choice ascending.
  void RestoreSortChoice(const std::string& text);
  // After the mode or include subfolders changed: RvDefault in folder mode
  // without subfolders, else RvManual; the chosen sort is applied again.
  void UpdateView();

  // Sort and custom order state.
  bool CustomSortingActive() const { return custom_active_; }
  bool CustomOrderExists() const { return custom_order_exists_; }
  void SetCustomOrderExists(bool exists) { custom_order_exists_ = exists; }
  // Present only while a custom order is kept.
  const std::optional<std::vector<std::string>>& CustomOrderList() const { return custom_list_; }
  void SetCustomOrderList(std::optional<std::vector<std::string>> list) {
    custom_list_ = std::move(list);
  }
  bool HasCustomOrderEntries() const { return custom_list_ && !custom_list_->empty(); }

  // The last row Id given out.
  int IdCounter() const { return id_counter_; }
  void ResetIdCounter() { id_counter_ = 0; }

  // Counts of included and excluded rows.
  int IncludedCount() const;
  int ExcludedCount() const;
  // Calls OnSettingsChanged unless album settings are being loaded.
  void MarkSettingsChanged();

  // Main window state the grid follows.
  bool FolderMode = true;        // false in manual mode
  bool SettingsLoading = false;  // album settings are being loaded
  bool WindowReady = true;       // start-up has finished
  std::function<void()> OnSettingsChanged;
  // After a selection change: the single selected row's full path, or the
  // empty text (the picture preview window follows it when open).
  std::function<void(const std::string&)> OnPreviewFollow;
  TPictureListCommands Commands;

 private:
  // 0-based place of the row's key (its occurrence-th entry) in the custom
  // order list, or -1.
  int CustomPosition(const TPictureItem& item, int occurrence = 0) const;
  int FindRowById(int id) const;
  // Selects choice index and applies it as if the user had picked it.
  void ApplyChoice(int index);

  TWindowState& state_;
  TFileDescriptions& descriptions_;
  TPictureList list_;
  TIgnoredNames ignored_;
  int id_counter_ = 0;
  bool custom_active_ = false;
  bool custom_order_exists_ = false;
  std::optional<std::vector<std::string>> custom_list_;
  bool last_descending_ = false;
  int choice_index_ = 1;  // "File Name"
  int described_id_ = 0;  // |fldIndex| of the row being described, 0 for none
  TDescriptionBox box_;
};

}  // namespace pictavo
