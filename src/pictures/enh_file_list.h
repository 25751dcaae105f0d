#pragma once
// The folder listing: the files of a folder (and, when asked, of its
// subfolders) that match a mask text, sorted by name without regard to case,
// each file once.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

class TUserInterface;

struct TFileInfo {
  std::string folder;      // the file's folder with trailing "/" (exact case)
  bool hidden = false;     // the name starts with "."
  bool read_only = false;  // no write permission for the user
  int64_t size = 0;
  std::time_t time = 0;  // last-write time
  std::string ext;       // lower case, no dot
  std::string name;      // lower case, without extension
};

enum class TFileListSort { None, FullName };

class TEnhFileList {
 public:
  // Lists folder (a trailing "/" is removed) with the masks of mask_text
  // (";"-separated, lower-cased, not trimmed, empty pieces dropped). With
  // recurse, subfolders are searched depth first (hidden ones skipped) and
  // entries are full paths; else entries are bare names. A folder that does
  // not exist or cannot be read gives an empty list. ui, when given, processes
  // pending events after every file found.
  TEnhFileList(std::string_view folder, std::string_view mask_text, bool recurse,
               TFileListSort sort = TFileListSort::FullName, TUserInterface* ui = nullptr);

  size_t Count() const { return entries_.size(); }
  // The entry text: bare name, or full path with recursion.
  const std::string& Entry(size_t i) const { return entries_.at(i).text; }
  const TFileInfo& Info(size_t i) const { return entries_.at(i).info; }
  // Full paths of all entries in list order.
  std::vector<std::string> FullPaths() const;
  // True when an entry equals text without regard to case.
  bool ContainsNoCase(std::string_view text) const;
  const std::string& Folder() const { return folder_; }

 private:
  struct TEntry {
    std::string text;
    TFileInfo info;
  };
  void ListFolder(const std::string& folder, const std::vector<std::string>& masks, int depth);

  std::string folder_;
  bool recurse_;
  TUserInterface* ui_;
  std::vector<TEntry> entries_;
  std::vector<std::string> visited_;  // canonical forms of folders searched
};

}  // namespace pictavo
