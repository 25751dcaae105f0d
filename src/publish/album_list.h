#pragma once
// The album list: one row per album main page (or web address) with its
// title, filled by every build and by hand, kept between runs in "Albums.lst"
// in the settings folder. The store holds the entries; the rows mirror them in
// the order the grid shows (store order after loading, new rows appended).
#include <string>
#include <vector>

#include "pictures/descriptions.h"

namespace pictavo {

class TUserInterface;

inline constexpr char kAlbumListFileName[] = "Albums.lst";

// One row of the album grid grdAlbumList.
struct TAlbumRow {
  std::string title;  // fldAlbumTitle
  std::string path;   // fldAlbumLink
};

// Enabled states of the "&5. Albums List" tab's buttons.
struct TAlbumListButtons {
  bool btnShowAlbumEnabled = false;
  bool btnRemoveAlbumEnabled = false;
  bool btnEditAlbumEnabled = false;
};

// True when a path lies on removable media: below a mount point under /media,
// /run/media or /mnt (whether the medium is in the drive or not, so nothing
// on the medium is touched).
bool IsRemovableMediaPath(const std::string& path);

// "Albums.lst" in the settings folder.
std::string AlbumListPath(const std::string& settings_folder);

// "E&dit HTML": the command line that opens a page in the default editor.
std::string EditHtmlCommandLine(const std::string& default_editor, const std::string& path);
// "E&dit HTML" is shown only when the editor option names an existing file.
bool EditHtmlVisible(const std::string& default_editor);

class TAlbumList {
 public:
  // albums_folder: the folder that titles of untitled pages are relative to.
  TAlbumList(TUserInterface& ui, std::string albums_folder);

  // Start-up: reads the file (a failure shows its message in an error box and
  // leaves the list empty), drops the entries of local pages that no longer
  // exist (not those on removable media, nor web addresses), fills the rows
  // and selects the first.
  void LoadAlbumList(const std::string& file_name);
  // Program end: writes the file when AlbumListModified is set. True when it
  // was written (then the flag is cleared). Raises EPictavo when writing
  // fails.
  bool SaveAlbumList();

  // After a build: enters the contents page under title (the page's path
  // relative to the albums folder when title is empty), without an extension
  // test, and selects its row. True when the list changed.
  bool RegisterBuiltAlbum(const std::string& title, const std::string& contents_page);
  // "&Add" (or a page dropped or named on the command line): enters a web
  // page under its HTML title, or its path relative to the albums folder.
  // Other files are ignored. True when the list changed.
  bool AddAlbum(const std::string& path);

  // With replace, updates the title of the row with that path and returns its
  // index; otherwise appends a row and returns its index with replace, -1
  // without.
  int SetAlbumRow(const std::string& title, const std::string& path, bool replace);
  // Index of the row with that path (exact comparison), or -1.
  int FindAlbumRow(const std::string& path) const;
  // Removes the row with that path (not its store entry).
  void RemoveAlbumRow(const std::string& path);

  // "&Remove": removes the selected row and its entry and selects the row
  // before it (the new first row when it was first). True when one was removed.
  bool RemoveSelectedAlbum();
  // "&Edit Title...": asks for a new title of the selected row. True when the
  // title changed.
  bool EditSelectedTitle();
  // "Clear &List...": asks "Are you sure you want to empty the grid?" and
  // empties the list on Yes. True when it was emptied.
  bool ClearAlbumList();
  // The pages of a deleted album: their entries and rows are removed. True
  // when the list changed.
  bool RemoveAlbumPages(const std::vector<std::string>& pages);

  // The selected row's path ("&Show Album", "E&dit HTML"); "" without one.
  std::string SelectedPath() const;
  // Selects a row (-1 for none) and updates the buttons.
  void SelectRow(int index);
  // Context menu states, evaluated when it opens.
  bool ClearListEnabled() const { return !rows_.empty(); }
  bool EditTitleEnabled() const { return selected_ >= 0; }

  const std::vector<TAlbumRow>& Rows() const { return rows_; }
  int Selected() const { return selected_; }
  const TAlbumListButtons& Buttons() const { return buttons_; }
  const TAlbumDescriptions& Store() const { return store_; }
  const std::string& AlbumsFolder() const { return albums_folder_; }

  // Set by every change of the store; written at program end.
  bool AlbumListModified = false;

 private:
  // Step 3 of AddAlbum and RegisterBuiltAlbum.
  bool EnterAlbum(const std::string& title, const std::string& path);
  std::string UntitledTitle(const std::string& path) const;
  void UpdateButtons();

  TUserInterface& ui_;
  std::string albums_folder_;
  // Paths compare exactly: two pages that differ in case are two albums.
  TAlbumDescriptions store_{false};
  std::vector<TAlbumRow> rows_;
  int selected_ = -1;
  TAlbumListButtons buttons_;
};

}  // namespace pictavo
