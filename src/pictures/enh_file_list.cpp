#include "pictures/enh_file_list.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>

#include "platform/case_fold.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/user_interface.h"
#include "platform/wildcard.h"

namespace pictavo {

namespace {
// Deeper folder chains are not searched (a guard against runaway trees).
constexpr int kMaxDepth = 64;
}  // namespace

TEnhFileList::TEnhFileList(std::string_view folder, std::string_view mask_text, bool recurse,
                           TFileListSort sort, TUserInterface* ui)
    : folder_(ExcludeTrailingSlash(folder)), recurse_(recurse), ui_(ui) {
  const std::vector<std::string> masks = SplitMasks(FoldCase(mask_text));
  if (folder_.empty() || masks.empty()) return;
  ListFolder(folder_, masks, 0);
  if (sort == TFileListSort::FullName) {
    std::stable_sort(entries_.begin(), entries_.end(), [](const TEntry& a, const TEntry& b) {
      const int c = CompareNoCase(a.text, b.text);
      return c != 0 ? c < 0 : a.text < b.text;
    });
  }
}

void TEnhFileList::ListFolder(const std::string& folder, const std::vector<std::string>& masks,
                              int depth) {
  if (!FolderExists(folder)) return;
  // A folder reached twice (through a link) is searched once.
  std::error_code ec;
  const std::string canonical = std::filesystem::canonical(folder, ec).string();
  if (ec) return;
  if (std::find(visited_.begin(), visited_.end(), canonical) != visited_.end()) return;
  visited_.push_back(canonical);

  const std::vector<TFolderEntry> items = ReadFolder(folder);
  const std::string folder_slash = IncludeTrailingSlash(folder);
  std::unordered_set<std::string> listed;
  for (size_t m = 0; m < masks.size(); ++m) {
    for (const auto& item : items) {
      if (item.is_dir || !MatchMask(masks[m], item.name)) continue;
      if (!listed.insert(item.name).second) continue;  // a file two masks match appears once
      const std::string path = folder_slash + item.name;
      const auto stat = StatPath(path);
      if (!stat || stat->is_dir) continue;
      TEntry e;
      e.text = recurse_ ? path : item.name;
      e.info.folder = folder_slash;
      e.info.hidden = item.is_hidden;
      e.info.read_only = stat->read_only;
      e.info.size = stat->size;
      e.info.time = stat->mtime;
      e.info.ext = FoldCase(FileExt(item.name));
      e.info.name = FoldCase(NameWithoutExt(item.name));
      entries_.push_back(std::move(e));
      if (ui_) ui_->ProcessEvents();
    }
  }
  if (!recurse_ || depth >= kMaxDepth) return;
  for (const auto& item : items) {
    if (!item.is_dir || item.is_hidden || IsHiddenName(item.name)) continue;
    ListFolder(folder_slash + item.name, masks, depth + 1);
  }
}

std::vector<std::string> TEnhFileList::FullPaths() const {
  std::vector<std::string> out;
  out.reserve(entries_.size());
  for (const auto& e : entries_) out.push_back(recurse_ ? e.text : JoinPath(folder_, e.text));
  return out;
}

bool TEnhFileList::ContainsNoCase(std::string_view text) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const TEntry& e) { return EqualsNoCase(e.text, text); });
}

}  // namespace pictavo
