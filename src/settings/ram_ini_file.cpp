#include "settings/ram_ini_file.h"

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"

namespace pictavo {

std::string DropQuotes(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    return value.substr(1, value.size() - 2);
  return value;
}

TRamIniFile::TRamIniFile(std::string file_name) : file_name_(std::move(file_name)) {
  if (!FileExists(file_name_)) return;
  auto bytes = TryReadFileBytes(file_name_);
  if (!bytes) {
    unreadable_ = true;
    return;
  }
  data_.Parse(DecodeLegacyText(*bytes));
}

TRamIniFile::~TRamIniFile() {
  if (!Modified) return;
  try {
    UpdateFile();
  } catch (...) {
    // A failure while writing on the way out is swallowed.
  }
}

std::string TRamIniFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& default_value) const {
  auto v = data_.Value(section, key);
  return v ? DropQuotes(*v) : default_value;
}

bool TRamIniFile::ValueExists(const std::string& section, const std::string& key) const {
  return data_.Value(section, key).has_value();
}

void TRamIniFile::WriteString(const std::string& section, const std::string& key,
                              const std::string& value) {
  data_.SetValue(section, key, value);
  Modified = true;
}

void TRamIniFile::DeleteKey(const std::string& section, const std::string& key) {
  data_.DeleteKey(section, key);
  Modified = true;
}

void TRamIniFile::EraseSection(const std::string& section) {
  data_.EraseSection(section);
  Modified = true;
}

void TRamIniFile::UpdateFile() {
  if (unreadable_) throw EPictavo("Cannot read file \"" + file_name_ + "\"; it was not written.");
  if (IsReadOnly(file_name_)) throw EPictavo("Cannot write read-only file \"" + file_name_ + "\".");
  WriteFileAtomic(file_name_, data_.Serialize(), 0600);
  Modified = false;
}

}  // namespace pictavo
