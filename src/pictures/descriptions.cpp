#include "pictures/descriptions.h"

#include <iterator>
#include <optional>
#include <utility>

#include "platform/case_fold.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "platform/text_lines.h"

namespace pictavo {

namespace {

constexpr const char* kFolderFileName = "descript.ion";

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != text.npos;
}

// A store-file key that reads back as itself: the key runs up to the first
// "=" and the line ends at a line break.
bool StorableKey(std::string_view key) {
  return !key.empty() && key.find('=') == key.npos && !HasLineBreak(key);
}

// A folder-file name that reads back as itself: a quoted name ends at the
// first quote followed by a space.
bool StorableName(std::string_view name) {
  return !name.empty() && !HasLineBreak(name) &&
         !(name.find(' ') != name.npos && name.find("\" ") != name.npos);
}

struct TFolderLine {
  std::string name;
  std::string text;  // still encoded
};

// One "descript.ion" line: a name (quoted when it holds a space), one space,
// the text. nullopt when the line has no separator or no name.
std::optional<TFolderLine> ParseFolderLine(std::string_view line) {
  size_t name_begin = 0, name_end = 0, text_begin = 0;
  if (line.front() == '"') {
    size_t close = line.find("\" ", 1);
    if (close == line.npos) return std::nullopt;
    name_begin = 1;
    name_end = close;
    text_begin = close + 2;
  } else {
    size_t space = line.find(' ');
    if (space == line.npos) return std::nullopt;
    name_end = space;
    text_begin = space + 1;
  }
  if (name_end <= name_begin) return std::nullopt;
  return TFolderLine{std::string(line.substr(name_begin, name_end - name_begin)),
                     std::string(line.substr(text_begin))};
}

}  // namespace

std::string EncodeDescription(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      // A lone CR or LF is a line break too; kept raw it would split the line.
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "^P";
    } else {
      out += c;
    }
  }
  return out;
}

std::string DecodeDescription(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '^' && i + 1 < text.size() && (text[i + 1] == 'P' || text[i + 1] == 'p')) {
      out += "\r\n";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool TDescriptionKeyLess::operator()(const std::string& a, const std::string& b) const {
  int c = CompareNoCase(a, b);
  if (c != 0 || ignore_case) return c < 0;
  return a < b;
}

// ---------------------------------------------------------------------------
// TAlbumDescriptions

TAlbumDescriptions::TAlbumDescriptions(bool keys_ignore_case)
    : entries_(TDescriptionKeyLess{keys_ignore_case}) {}

void TAlbumDescriptions::Load(const std::string& file_name) {
  file_name_ = file_name;
  load_failed_ = false;
  if (!FileExists(file_name)) return;
  std::optional<std::string> bytes = TryReadFileBytes(file_name);
  if (!bytes) {
    // Saving now would replace the descriptions that could not be read.
    load_failed_ = true;
    throw EPictavo("Cannot read the file \"" + file_name + "\".");
  }
  LoadText(*bytes);
}

void TAlbumDescriptions::LoadText(std::string_view bytes) {
  for (std::string line : SplitLines(DecodeLegacyText(bytes))) {
    // A byte-order mark is no part of a key, wherever the file's lines were
    // joined together.
    while (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    // The drive of a raw key stays empty: paths here have none.
    entries_.emplace(KeyOf(line.substr(0, eq)),
                     TDescriptionStr{DecodeDescription(std::string_view(line).substr(eq + 1)),
                                     std::string(), false, true});
  }
}

std::string TAlbumDescriptions::StoreText() const {
  std::vector<std::string> lines;
  lines.reserve(entries_.size());
  for (const auto& [key, entry] : entries_) {
    if (entry_limit != 0 && lines.size() >= entry_limit) break;
    if (!StorableKey(key)) continue;
    lines.push_back(key + "=" + EncodeDescription(entry.text));
  }
  SortNoCase(lines);
  return JoinLinesCrLf(lines);
}

bool TAlbumDescriptions::Save() {
  if (file_name_.empty() || load_failed_) return false;
  if (FileExists(file_name_) && IsReadOnly(file_name_)) return false;
  std::string folder = FolderPart(file_name_);
  if (!CanCreateFileIn(folder.empty() ? std::string("./") : folder)) return false;
  WriteFileAtomic(file_name_, StoreText());
  return true;
}

const TDescriptionStr* TAlbumDescriptions::Find(const std::string& path) const {
  auto it = entries_.find(KeyOf(path));
  if (it == entries_.end()) {
    std::string name = NamePart(path);
    if (name.empty() || name == path) return nullptr;
    it = entries_.find(name);
    if (it == entries_.end()) return nullptr;
  }
  return &it->second;
}

std::string TAlbumDescriptions::GetDescription(const std::string& path) {
  const TDescriptionStr* entry = Find(path);
  return entry ? entry->text : std::string();
}

bool TAlbumDescriptions::SetDescription(const std::string& path, const std::string& text) {
  std::string key = KeyOf(path);
  bool removed = false;
  auto it = entries_.find(key);
  if (it != entries_.end()) {
    if (it->second.text == text) return false;
    entries_.erase(it);
    removed = true;
  }
  if (text.empty()) return removed;
  entries_.emplace(key, TDescriptionStr{text, std::string(), true, true});
  return true;
}

bool TAlbumDescriptions::RemoveDescription(const std::string& path) {
  return entries_.erase(KeyOf(path)) > 0;
}

std::vector<std::string> TAlbumDescriptions::Keys() const {
  std::vector<std::string> keys;
  keys.reserve(entries_.size());
  for (const auto& entry : entries_) keys.push_back(entry.first);
  return keys;
}

// ---------------------------------------------------------------------------
// TFileDescriptions

TFileDescriptions::TFileDescriptions() : TAlbumDescriptions(false) {}

std::string TFileDescriptions::GetDescription(const std::string& path) {
  if (save_with_images) {
    std::string folder = FolderPart(path);
    if (!folder.empty() && folders_read_.count(folder) == 0) ReadFolderFile(folder);
  }
  return TAlbumDescriptions::GetDescription(path);
}

bool TFileDescriptions::SetDescription(const std::string& path, const std::string& text) {
  if (!TAlbumDescriptions::SetDescription(path, text)) return false;
  modified = true;
  if (text.empty()) {
    removed_.insert(KeyOf(path));
  } else {
    removed_.erase(KeyOf(path));
  }
  return true;
}

bool TFileDescriptions::RemoveDescription(const std::string& path) {
  if (!TAlbumDescriptions::RemoveDescription(path)) return false;
  modified = true;
  removed_.insert(KeyOf(path));
  return true;
}

std::string TFileDescriptions::EntryPath(size_t index) const {
  if (index >= entries_.size()) return std::string();
  auto it = std::next(entries_.begin(), static_cast<std::ptrdiff_t>(index));
  return it->second.drive + it->first;
}

bool TFileDescriptions::FolderRead(const std::string& folder) const {
  return !folder.empty() && folders_read_.count(IncludeTrailingSlash(folder)) > 0;
}

bool TFileDescriptions::ReadFolderFile(const std::string& folder, TEntries& into) {
  if (folder.empty()) return false;
  std::string dir = IncludeTrailingSlash(folder);
  std::string file = dir + kFolderFileName;
  if (!FileExists(file)) return false;
  folders_read_.insert(dir);
  std::optional<std::string> bytes = TryReadFileBytes(file);
  if (!bytes) return false;
  MergeFolderText(dir, *bytes, into);
  return true;
}

void TFileDescriptions::MergeFolderText(const std::string& folder, std::string_view bytes,
                                        TEntries& into) {
  const std::string dir = IncludeTrailingSlash(folder);
  const bool to_store = &into == &entries_;
  for (const std::string& line : SplitLines(DecodeLegacyText(bytes))) {
    if (line.empty()) continue;
    std::optional<TFolderLine> parsed = ParseFolderLine(line);
    if (!parsed) continue;
    std::string key = KeyOf(dir + parsed->name);
    // A description the user removed this run does not come back.
    if (to_store && removed_.count(key) != 0) continue;
    std::string text = DecodeDescription(parsed->text);
    auto it = into.find(key);
    if (it == into.end()) {
      into.emplace(std::move(key),
                   TDescriptionStr{std::move(text), std::string(), false, to_store});
      continue;
    }
    // The user's own edit of this run is newer than the file.
    if (it->second.modified) continue;
    std::string trimmed = Trim(text);
    if (!trimmed.empty() && trimmed != Trim(it->second.text)) it->second.text = std::move(trimmed);
  }
}

std::string TFileDescriptions::FolderFileText(const std::string& folder, const TEntries& list) {
  const std::string dir = IncludeTrailingSlash(folder);
  std::vector<std::string> lines;
  lines.reserve(list.size());
  for (const auto& [key, entry] : list) {
    std::string name =
        key.compare(0, dir.size(), dir) == 0 ? key.substr(dir.size()) : NamePart(key);
    if (!StorableName(name)) continue;
    bool quote = name.find(' ') != std::string::npos || name.front() == '"';
    std::string line = quote ? "\"" + name + "\"" : name;
    line += ' ';
    line += EncodeDescription(entry.text);
    lines.push_back(std::move(line));
  }
  SortNoCase(lines);
  return JoinLinesCrLf(lines);
}

void TFileDescriptions::WriteFolderFile(const std::string& folder) {
  if (!save_with_images || folder.empty()) return;
  const std::string dir = IncludeTrailingSlash(folder);
  const std::string file = dir + kFolderFileName;
  const bool exists = FileExists(file);
  if (exists && IsReadOnly(file)) return;
  if (!CanCreateFileIn(dir)) return;

  TEntries list = NewList();
  // An existing file that cannot be read is left alone: writing it would drop
  // the lines of the pictures this store does not know.
  if (exists && !ReadFolderFile(dir, list)) return;

  bool changed = false;
  std::vector<TDescriptionStr*> written;
  for (auto& [key, entry] : entries_) {
    if (FolderPart(key) != dir) continue;
    auto it = list.find(key);
    if (it == list.end()) {
      list.emplace(key, entry);
    } else if (entry.modified) {
      it->second = entry;
    } else {
      continue;
    }
    changed = true;
    written.push_back(&entry);
  }
  std::vector<std::string> gone;
  for (const std::string& key : removed_) {
    if (FolderPart(key) != dir) continue;
    if (list.erase(key) > 0) changed = true;
    gone.push_back(key);
  }
  if (changed) WriteFileAtomic(file, FolderFileText(dir, list));
  // Only what reached the file counts as written.
  for (TDescriptionStr* entry : written) entry->modified = false;
  for (const std::string& key : gone) removed_.erase(key);
}

bool TFileDescriptions::Save() {
  std::optional<EPictavo> folder_error;
  if (save_with_images) {
    std::set<std::string> folders = folders_read_;
    for (const auto& [key, entry] : entries_) {
      if (entry.modified && IsAbsolutePath(key)) folders.insert(FolderPart(key));
    }
    for (const std::string& key : removed_) {
      if (IsAbsolutePath(key)) folders.insert(FolderPart(key));
    }
    for (const std::string& folder : folders) {
      try {
        WriteFolderFile(folder);
      } catch (const EPictavo& e) {
        if (!folder_error) folder_error = e;
      }
    }
  }
  bool saved = TAlbumDescriptions::Save();
  if (folder_error) throw *folder_error;
  if (saved) modified = false;
  return saved;
}

}  // namespace pictavo
