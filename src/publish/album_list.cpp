#include "publish/album_list.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/user_interface.h"
#include "template/web_file_type.h"

namespace pictavo {

namespace {

// Folders whose subfolders are the mount points of removable media.
constexpr const char* kRemovableRoots[] = {"/media/", "/run/media/", "/mnt/"};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

bool IsRemovableMediaPath(const std::string& path) {
  if (!IsAbsolutePath(path)) return false;
  const std::string full = AbsolutePath(path);
  for (const char* root : kRemovableRoots) {
    std::string_view r(root);
    if (!StartsWith(full, r)) continue;
    // Something below a mount point: at least "<mount point>/<name>".
    std::string_view rest = std::string_view(full).substr(r.size());
    size_t slash = rest.find('/');
    if (slash != std::string_view::npos && slash > 0 && slash + 1 < rest.size()) return true;
  }
  return false;
}

std::string AlbumListPath(const std::string& settings_folder) {
  return JoinPath(settings_folder, kAlbumListFileName);
}

std::string EditHtmlCommandLine(const std::string& default_editor, const std::string& path) {
  return default_editor + " \"" + path + "\"";
}

bool EditHtmlVisible(const std::string& default_editor) {
  return !default_editor.empty() && FileExists(default_editor);
}

TAlbumList::TAlbumList(TUserInterface& ui, std::string albums_folder)
    : ui_(ui), albums_folder_(std::move(albums_folder)) {}

void TAlbumList::LoadAlbumList(const std::string& file_name) {
  store_.Clear();
  rows_.clear();
  AlbumListModified = false;
  try {
    store_.Load(file_name);
  } catch (const std::exception& e) {
    ui_.ShowError(e.what());
    store_.Clear();
  }

  // Dead entries: local pages that are gone. Pages on removable media stay
  // (the medium may just not be in the drive), and so do web addresses and
  // other keys that are no local path.
  std::vector<std::string> keys = store_.Keys();
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
    const std::string& path = *it;
    if (!IsAbsolutePath(path) || IsRemovableMediaPath(path)) continue;
    if (FileExists(path)) continue;
    if (store_.RemoveDescription(path)) AlbumListModified = true;
  }

  for (const auto& [path, entry] : store_.Entries()) rows_.push_back({entry.text, path});
  selected_ = -1;
  SelectRow(rows_.empty() ? -1 : 0);
}

bool TAlbumList::SaveAlbumList() {
  if (!AlbumListModified) return false;
  if (!store_.Save()) return false;
  AlbumListModified = false;
  return true;
}

std::string TAlbumList::UntitledTitle(const std::string& path) const {
  if (albums_folder_.empty()) return path;
  return RelativePath(ExcludeTrailingSlash(albums_folder_), path);
}

bool TAlbumList::EnterAlbum(const std::string& title, const std::string& path) {
  if (!store_.SetDescription(path, title)) return false;
  AlbumListModified = true;
  int row = SetAlbumRow(title, path, true);
  SelectRow(row);
  return true;
}

bool TAlbumList::RegisterBuiltAlbum(const std::string& title, const std::string& contents_page) {
  if (contents_page.empty()) return false;
  return EnterAlbum(title.empty() ? UntitledTitle(contents_page) : title, contents_page);
}

bool TAlbumList::AddAlbum(const std::string& path) {
  if (path.empty() || !IsWebFileType(FileExt(path))) return false;
  // A name from the command line is taken against the current folder.
  const std::string full = AbsolutePath(path);
  std::string title = GetHtmlTitle(full);
  if (title.empty()) title = UntitledTitle(full);
  return EnterAlbum(title, full);
}

int TAlbumList::SetAlbumRow(const std::string& title, const std::string& path, bool replace) {
  if (replace) {
    int index = FindAlbumRow(path);
    if (index >= 0) {
      rows_[static_cast<size_t>(index)].title = title;
      return index;
    }
  }
  rows_.push_back({title, path});
  return replace ? static_cast<int>(rows_.size()) - 1 : -1;
}

int TAlbumList::FindAlbumRow(const std::string& path) const {
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].path == path) return static_cast<int>(i);
  }
  return -1;
}

void TAlbumList::RemoveAlbumRow(const std::string& path) {
  int index = FindAlbumRow(path);
  if (index < 0) return;
  rows_.erase(rows_.begin() + index);
  // The selection stays on its row; a removed selected row passes it to the
  // row before (the new first row when it was first).
  int selected = selected_;
  if (selected > index) {
    --selected;
  } else if (selected == index) {
    selected = index > 0 ? index - 1 : 0;
  }
  if (selected >= static_cast<int>(rows_.size())) selected = static_cast<int>(rows_.size()) - 1;
  SelectRow(rows_.empty() ? -1 : selected);
}

bool TAlbumList::RemoveSelectedAlbum() {
  if (selected_ < 0) return false;
  const std::string path = rows_[static_cast<size_t>(selected_)].path;
  store_.RemoveDescription(path);
  RemoveAlbumRow(path);
  AlbumListModified = true;
  return true;
}

bool TAlbumList::EditSelectedTitle() {
  if (selected_ < 0) return false;
  TAlbumRow& row = rows_[static_cast<size_t>(selected_)];
  std::optional<std::string> answer = ui_.InputText("Rename", "Enter a new title", row.title);
  if (!answer || answer->empty() || *answer == row.title) return false;
  store_.SetDescription(row.path, *answer);
  row.title = *answer;
  AlbumListModified = true;
  return true;
}

bool TAlbumList::ClearAlbumList() {
  if (ui_.Ask("Are you sure you want to empty the grid?", false) != TAnswer::Yes) return false;
  rows_.clear();
  store_.Clear();
  AlbumListModified = true;
  SelectRow(-1);
  return true;
}

bool TAlbumList::RemoveAlbumPages(const std::vector<std::string>& pages) {
  bool changed = false;
  for (auto it = pages.rbegin(); it != pages.rend(); ++it) {
    if (!store_.RemoveDescription(*it)) continue;
    changed = true;
    AlbumListModified = true;
    RemoveAlbumRow(*it);
  }
  return changed;
}

std::string TAlbumList::SelectedPath() const {
  return selected_ >= 0 ? rows_[static_cast<size_t>(selected_)].path : std::string();
}

void TAlbumList::SelectRow(int index) {
  selected_ = index >= 0 && index < static_cast<int>(rows_.size()) ? index : -1;
  UpdateButtons();
}

void TAlbumList::UpdateButtons() {
  const bool has_row = selected_ >= 0;
  buttons_.btnShowAlbumEnabled = has_row;
  buttons_.btnRemoveAlbumEnabled = has_row;
  buttons_.btnEditAlbumEnabled = has_row;
}

}  // namespace pictavo
