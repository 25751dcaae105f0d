#pragma once
// An INI file held in memory: loaded whole when created, written whole on
// demand, and written back when destroyed if it was changed.
#include <string>

#include "settings/ini_data.h"

namespace pictavo {

class TRamIniFile {
 public:
  // Loads the file; a missing file gives an empty store. A file that exists
  // but cannot be read is never written back, so nothing in it is lost.
  explicit TRamIniFile(std::string file_name);
  ~TRamIniFile();
  TRamIniFile(const TRamIniFile&) = delete;
  TRamIniFile& operator=(const TRamIniFile&) = delete;

  // The value, with one pair of enclosing double quotes dropped.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& default_value) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void DeleteKey(const std::string& section, const std::string& key);
  void EraseSection(const std::string& section);
  // Writes the whole file (atomically; a new file gets mode 0600) and clears
  // Modified. Throws EPictavo on failure.
  void UpdateFile();

  const std::string& FileName() const { return file_name_; }
  TIniData& Data() { return data_; }
  const TIniData& Data() const { return data_; }

  bool Modified = false;

 private:
  std::string file_name_;
  TIniData data_;
  bool unreadable_ = false;
};

// Drops one pair of enclosing double quotes from a value of two or more
// characters.
std::string DropQuotes(const std::string& value);

}  // namespace pictavo
