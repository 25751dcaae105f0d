#pragma once
// Description stores: one text per key, kept in a plain text file.
// TAlbumDescriptions keys texts as given ("Albums.lst" album titles);
// TFileDescriptions keys picture descriptions by full path ("Albums.ids") and
// can keep them beside the pictures in each folder's "descript.ion".
//
// Both files hold one entry per line and are written in UTF-8 with CR LF,
// through a temporary file and a rename; they are read in UTF-8, or as
// Windows-1252 when they are not valid UTF-8, with any line ending.
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

struct TDescriptionStr {
  std::string text;       // the description; line breaks are CR LF
  std::string drive;      // always empty here: paths have no drive
  bool modified = false;  // given by the user this run, not yet in its "descript.ion"
  bool owned = true;      // false for entries of a temporary folder-file list
};

// Orders keys without regard to case. With ignore_case off, keys that differ
// only in case are distinct entries (ordered case-blind first, then by bytes).
struct TDescriptionKeyLess {
  bool ignore_case = true;
  bool operator()(const std::string& a, const std::string& b) const;
};
using TDescriptionEntries = std::map<std::string, TDescriptionStr, TDescriptionKeyLess>;

class TAlbumDescriptions {
 public:
  using TEntries = TDescriptionEntries;

  // keys_ignore_case: keys are looked up without regard to case (the default).
  explicit TAlbumDescriptions(bool keys_ignore_case = true);
  virtual ~TAlbumDescriptions() = default;

  // Remembers file_name and adds its lines (key "=" text); a key already
  // present keeps its entry. A missing file reads as empty. A file that exists
  // but cannot be read raises EPictavo; the store then never writes over it.
  void Load(const std::string& file_name);
  // Adds the entries of a store file's content (what Load does after reading).
  void LoadText(std::string_view bytes);
  // Writes the store file. Does nothing (returns false) when there is no file
  // name, the file is read-only or could not be loaded, or no file can be
  // created in its folder. Raises EPictavo when writing fails.
  virtual bool Save();
  // The store file's content: sorted "key=text" lines with CR LF.
  std::string StoreText() const;

  // The text for a path (or key), else for its bare file name, else "".
  virtual std::string GetDescription(const std::string& path);
  // Empty text removes the entry. True when the store changed.
  virtual bool SetDescription(const std::string& path, const std::string& text);
  // True when an entry was removed.
  virtual bool RemoveDescription(const std::string& path);

  const std::string& FileName() const { return file_name_; }
  void SetFileName(const std::string& name) { file_name_ = name; }
  size_t Count() const { return entries_.size(); }
  // Keys in the store's order (sorted without regard to case).
  std::vector<std::string> Keys() const;
  const TEntries& Entries() const { return entries_; }
  void Clear() { entries_.clear(); }

  size_t entry_limit = 0;  // entries saved: 0 for all, else the first ones in order

 protected:
  // The store key of a path or raw key.
  virtual std::string KeyOf(const std::string& path) const { return path; }
  const TDescriptionStr* Find(const std::string& path) const;

  TEntries entries_;
  std::string file_name_;
  bool load_failed_ = false;
};

// Picture descriptions. The key of a picture is its full path, compared
// exactly (file names are case-sensitive); keys of an old store file in
// another form ("\Photos\a.jpg") are kept as they are and saved again.
class TFileDescriptions : public TAlbumDescriptions {
 public:
  TFileDescriptions();

  // With save_with_images on, writes the "descript.ion" of every folder read
  // this run and of every folder with a changed entry, then the store file
  // (even when a folder file failed; that error is raised afterwards). Clears
  // `modified` when everything was written.
  bool Save() override;
  // With save_with_images on, reads the picture folder's "descript.ion" into
  // the store the first time one of its pictures is asked for.
  std::string GetDescription(const std::string& path) override;
  // Also sets `modified` when the store changed.
  bool SetDescription(const std::string& path, const std::string& text) override;
  bool RemoveDescription(const std::string& path) override;
  // Drive and key of the index-th entry in the store's order: the full path
  // ("" when index is out of range).
  std::string EntryPath(size_t index) const;

  // Reads folder's "descript.ion" into the store or into a list made with
  // NewList(). Returns false when the file is missing or unreadable; a file
  // that exists notes its folder as read.
  bool ReadFolderFile(const std::string& folder, TEntries& into);
  bool ReadFolderFile(const std::string& folder) { return ReadFolderFile(folder, entries_); }
  // Writes this store's descriptions of the pictures in folder into its
  // "descript.ion", keeping the lines of other pictures. Does nothing while
  // save_with_images is off, when the file is read-only or unreadable, or when
  // no file can be created in folder. Raises EPictavo when writing fails.
  void WriteFolderFile(const std::string& folder);

  // Merges the content of folder's "descript.ion" into a list or the store.
  void MergeFolderText(const std::string& folder, std::string_view bytes, TEntries& into);
  // The "descript.ion" content for the entries of list in folder.
  static std::string FolderFileText(const std::string& folder, const TEntries& list);
  // An empty list ordered like the store.
  TEntries NewList() const { return TEntries(entries_.key_comp()); }
  // True when folder's "descript.ion" was read this run.
  bool FolderRead(const std::string& folder) const;

  bool modified = false;
  bool save_with_images = true;

 private:
  std::set<std::string> folders_read_;  // with trailing "/"
  // Keys removed this run: their lines leave the folder file at its next write.
  std::set<std::string> removed_;
};

// Text encoding of both files: a line break (CR LF, or a lone CR or LF) is
// written as "^P"; reading turns "^P" and "^p" into CR LF.
std::string EncodeDescription(std::string_view text);
std::string DecodeDescription(std::string_view text);

}  // namespace pictavo
