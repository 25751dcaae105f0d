#pragma once
// The settings store: named sections of named text values, kept either in an
// INI file or in the per-user "registry" (on Linux a per-user INI file under
// $XDG_CONFIG_HOME/"JW <Name>"/registry.ini, written at once on every change).
#include <ctime>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "settings/ini_data.h"
#include "settings/ram_ini_file.h"
#include "settings/setting_values.h"

namespace pictavo {

class TUserInterface;

class ERegOrIni : public EPictavo {
 public:
  using EPictavo::EPictavo;
};

// The program's own settings version.
constexpr int kSettingsVersion = 3500;
std::string FontToString(const TFontSpec& font);
TFontSpec StringToFont(const std::string& text);

// The per-user registry key as an INI file; every change is written at once.
class TRegistryKey {
 public:
  explicit TRegistryKey(std::string file_name);
  std::optional<std::string> Read(const std::string& section, const std::string& key) const;
  void Write(const std::string& section, const std::string& key, const std::string& value);
  void DeleteValue(const std::string& section, const std::string& key);
  void DeleteSubKey(const std::string& section);
  const std::string& FileName() const { return file_name_; }

 private:
  void Save();
  std::string file_name_;
  TIniData data_;
};

class TRegOrIni {
 public:
  // Builds the store on ini_path (see reg_or_ini.cpp for the steps):
  // program_folder stands in for the folder of the program file;
  // registry_root is the folder that holds the per-user registry key folders
  // (default: $XDG_CONFIG_HOME, else ~/.config).
  TRegOrIni(const std::string& ini_path, const std::string& program_folder,
            const std::string& registry_root = {});
  ~TRegOrIni();
  TRegOrIni(const TRegOrIni&) = delete;
  TRegOrIni& operator=(const TRegOrIni&) = delete;

  void Open();
  void Close();
  // Writes the INI file now; a failure is shown through ui and the store stays open.
  void Flush(TUserInterface& ui);
  void CheckWritable();
  void SetUseIni(bool use_ini);
  void SaveApplicationInfo(bool force);

  bool ReadBool(const std::string& section, const std::string& key, bool default_value);
  int ReadInteger(const std::string& section, const std::string& key, int default_value);
  double ReadFloat(const std::string& section, const std::string& key, double default_value);
  std::time_t ReadDate(const std::string& section, const std::string& key, std::time_t default_value);
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& default_value);
  std::string ReadQuotedString(const std::string& section, const std::string& key,
                               const std::string& default_value);
  void ReadStrings(const std::string& section, const std::string& list_name,
                   std::vector<std::string>& list);
  bool ReadPlacement(const std::string& section, const std::string& key, TPlacementPart part,
                     TPlacement& placement);

  void WriteBool(const std::string& section, const std::string& key, bool value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteFloat(const std::string& section, const std::string& key, double value);
  void WriteDate(const std::string& section, const std::string& key, std::time_t value);
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteQuotedString(const std::string& section, const std::string& key,
                         const std::string& value);
  void WriteStrings(const std::string& section, const std::string& list_name, bool erase_section,
                    int max_count, const std::vector<std::string>& list);
  void WritePlacement(const std::string& section, const std::string& key, TPlacementPart part,
                      const TPlacement& placement);
  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& key);

  // The path of the registry key file of this store.
  std::string RegistryFileName() const;
  // Deletes the whole registry key (its file and folder).
  void DeleteRegistryKey();

  bool UseIni = true;
  bool IsOpen = false;
  std::unique_ptr<TRamIniFile> IniFile;
  std::unique_ptr<TRegistryKey> RegistryKey;

  std::string IniFileName;
  bool StoreWritable = true;
  int SettingsVersion = kSettingsVersion;
  bool FirstRun = false;
  std::string MainDirectory;
  std::string ProgramFolder;

 private:
  std::optional<std::string> RawRead(const std::string& section, const std::string& key);
  void RawWrite(const std::string& section, const std::string& key, const std::string& value);
  std::string registry_root_;
};

// MainDirectory when set, else the program folder; without trailing "/".
std::string GetMainDirectory(const TRegOrIni& store);

// The INI file a start with the "INI" switch value uses: empty gives the
// per-user default ($XDG_CONFIG_HOME/pictavo/pictavo.ini); a value without a
// folder goes into program_folder; a value without extension gets ".ini".
std::string ResolveIniFileName(const std::string& switch_value, const std::string& program_folder);

}  // namespace pictavo
