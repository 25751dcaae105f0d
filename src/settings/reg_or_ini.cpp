#include "settings/reg_or_ini.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "platform/case_fold.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "platform/text_lines.h"
#include "platform/user_interface.h"

namespace pictavo {

namespace {

const char kApplication[] = "Application";

std::optional<long long> ParseInteger(const std::string& text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || end == text.c_str() || text.front() == ' ') return std::nullopt;
  return v;
}

int ToInt(const std::string& text, int fallback) {
  auto v = ParseInteger(text);
  if (!v || *v < INT32_MIN || *v > INT32_MAX) return fallback;
  return static_cast<int>(*v);
}

std::string ConfigHome() {
  const char* x = std::getenv("XDG_CONFIG_HOME");
  if (x && *x == '/') return ExcludeTrailingSlash(x);
  return HomeFolder() + "/.config";
}

// Copies the values that part names from one placement to another.
void CopyPlacementPart(const TPlacement& from, TPlacementPart part, TPlacement& to) {
  switch (part) {
    case ppAll: to = from; break;
    case ppState: to.State = from.State; break;
    case ppSize:
      to.Width = from.Width;
      to.Height = from.Height;
      break;
    case ppPosition:
      to.Left = from.Left;
      to.Top = from.Top;
      to.Monitors = from.Monitors;
      break;
  }
}

}  // namespace

// ---------------------------------------------------------------- fonts

std::string FontToString(const TFontSpec& font) {
  std::string style;
  if (font.bold) style += 'B';
  if (font.italic) style += 'I';
  if (font.underline) style += 'U';
  if (font.strike_out) style += 'S';
  return font.name + ";" + std::to_string(font.size) + ";" + style + ";" +
         std::to_string(font.color) + ";" + std::to_string(font.charset);
}

TFontSpec StringToFont(const std::string& text) {
  TFontSpec font;
  auto fields = SplitText(text, ';');
  if (!fields.empty() && !fields[0].empty()) font.name = fields[0];
  if (fields.size() > 1) font.size = ToInt(fields[1], 10);
  if (fields.size() > 2) {
    std::string style = UpperAscii(fields[2]);
    font.bold = style.find('B') != std::string::npos;
    font.italic = style.find('I') != std::string::npos;
    font.underline = style.find('U') != std::string::npos;
    font.strike_out = style.find('S') != std::string::npos;
  }
  if (fields.size() > 3) font.color = ToInt(fields[3], clWindowText);
  if (fields.size() > 4) font.charset = ToInt(fields[4], 0);
  return font;
}

// ---------------------------------------------------------------- registry key

TRegistryKey::TRegistryKey(std::string file_name) : file_name_(std::move(file_name)) {
  if (auto bytes = TryReadFileBytes(file_name_)) data_.Parse(DecodeLegacyText(*bytes));
}

std::optional<std::string> TRegistryKey::Read(const std::string& section,
                                              const std::string& key) const {
  return data_.Value(section, key);
}

void TRegistryKey::Write(const std::string& section, const std::string& key,
                         const std::string& value) {
  data_.SetValue(section, key, value);
  Save();
}

void TRegistryKey::DeleteValue(const std::string& section, const std::string& key) {
  if (data_.DeleteKey(section, key)) Save();
}

void TRegistryKey::DeleteSubKey(const std::string& section) {
  if (!data_.HasSection(section)) return;
  data_.EraseSection(section);
  Save();
}

void TRegistryKey::Save() {
  ForceFolders(FolderPart(file_name_));
  WriteFileAtomic(file_name_, data_.Serialize(), 0600);
}

// ---------------------------------------------------------------- store

TRegOrIni::TRegOrIni(const std::string& ini_path, const std::string& program_folder,
                     const std::string& registry_root)
    : ProgramFolder(ExcludeTrailingSlash(program_folder)),
      registry_root_(registry_root.empty() ? ConfigHome() : ExcludeTrailingSlash(registry_root)) {
  // The path always names an ".ini" file; a bare name lives in the program folder.
  std::string path = ChangeFileExt(ini_path, ".ini");
  if (path.find('/') == std::string::npos) path = JoinPath(ProgramFolder, path);

  // A pending replacement "!Name.ini" beside the file takes its place.
  if (path.size() > 5) {
    size_t slash = path.rfind('/', path.size() - 5);
    if (slash != std::string::npos && slash + 1 < path.size() && path[slash + 1] != '!') {
      std::string bang = path.substr(0, slash + 1) + "!" + path.substr(slash + 1);
      if (FileExists(bang)) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        std::filesystem::rename(bang, path, ec);
      }
    }
  }

  // Follow the chain of "IniFileName" values. A name already visited ends
  // the chain, so files that name each other in a circle cannot hang the start.
  std::string current = path;
  std::set<std::string> visited{current};
  bool use_registry = false;
  while (true) {
    TRamIniFile ini(current);
    auto reg = ini.Data().Value(kApplication, "UseRegistry");
    use_registry = reg && ToInt(DropQuotes(*reg), 0) != 0;
    if (use_registry) break;
    std::string next = ini.ReadString(kApplication, "IniFileName", current);
    if (next.empty() || next == current) break;
    if (!IsAbsolutePath(next)) next = AbsolutePath(next, FolderPart(current));
    if (!visited.insert(next).second) break;
    current = next;
  }
  IniFileName = current;

  CheckWritable();
  Open();
  int version = ReadInteger(kApplication, "Version", -1);
  if (use_registry) {
    Close();
    UseIni = false;
    Open();
  }
  FirstRun = version == -1;
  if (!FirstRun) SettingsVersion = version;

  if (MainDirectory.empty()) {
    std::string dir = ReadString(kApplication, "MainDirectory", "");
    if (!dir.empty() && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    MainDirectory = !dir.empty() && FolderExists(dir) ? dir : "";
  }
}

TRegOrIni::~TRegOrIni() { Close(); }

std::string TRegOrIni::RegistryFileName() const {
  std::string base = LowerAscii(NameWithoutExt(IniFileName));
  if (!base.empty()) base[0] = UpperAscii(base.substr(0, 1))[0];
  return registry_root_ + "/JW " + base + "/registry.ini";
}

void TRegOrIni::DeleteRegistryKey() {
  std::error_code ec;
  std::string file = RegistryFileName();
  std::filesystem::remove(file, ec);
  std::filesystem::remove(FolderPart(file), ec);  // only when empty
}

void TRegOrIni::Open() {
  if (IsOpen) return;
  if (IniFileName.empty()) throw ERegOrIni("Error: No INI file specified!");
  if (UseIni) {
    IniFile = std::make_unique<TRamIniFile>(IniFileName);
  } else {
    RegistryKey = std::make_unique<TRegistryKey>(RegistryFileName());
  }
  IsOpen = true;
}

void TRegOrIni::Close() {
  IniFile.reset();
  RegistryKey.reset();
  IsOpen = false;
}

void TRegOrIni::Flush(TUserInterface& ui) {
  if (!StoreWritable || !IsOpen || !UseIni) return;
  try {
    IniFile->UpdateFile();
  } catch (const std::exception& e) {
    ui.ShowError(e.what());
  }
}

void TRegOrIni::CheckWritable() {
  if (!UseIni) {
    StoreWritable = true;
    return;
  }
  StoreWritable = !IniFileName.empty() && !IsReadOnly(IniFileName);
}

void TRegOrIni::SetUseIni(bool use_ini) {
  if (use_ini == UseIni) return;
  if (use_ini) {
    Close();
    DeleteRegistryKey();
  } else if (StoreWritable) {
    Open();
    for (const auto& s : IniFile->Data().SectionNames()) IniFile->EraseSection(s);
  }
  Close();
  UseIni = use_ini;
  SaveApplicationInfo(false);
  CheckWritable();
}

void TRegOrIni::SaveApplicationInfo(bool force) {
  if (!StoreWritable) return;
  WriteString(kApplication, "MainDirectory", MainDirectory);
  WriteInteger(kApplication, "Version", SettingsVersion);
  Close();
  // The INI file always records which back end is in force.
  bool saved_use_ini = UseIni;
  if (!IsReadOnly(IniFileName)) {
    UseIni = true;
    WriteBool(kApplication, "UseRegistry", !saved_use_ini);
    if (force || !saved_use_ini) WriteInteger(kApplication, "Version", SettingsVersion);
    Close();
  }
  UseIni = saved_use_ini;
}

std::optional<std::string> TRegOrIni::RawRead(const std::string& section, const std::string& key) {
  Open();
  return UseIni ? IniFile->Data().Value(section, key) : RegistryKey->Read(section, key);
}

void TRegOrIni::RawWrite(const std::string& section, const std::string& key,
                         const std::string& value) {
  if (!StoreWritable) return;
  Open();
  if (UseIni) {
    IniFile->WriteString(section, key, value);
  } else {
    RegistryKey->Write(section, key, value);
  }
}

bool TRegOrIni::ReadBool(const std::string& section, const std::string& key, bool default_value) {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

int TRegOrIni::ReadInteger(const std::string& section, const std::string& key, int default_value) {
  auto v = RawRead(section, key);
  return v ? ToInt(UseIni ? DropQuotes(*v) : *v, default_value) : default_value;
}

double TRegOrIni::ReadFloat(const std::string& section, const std::string& key,
                            double default_value) {
  auto v = RawRead(section, key);
  if (!v || v->empty()) return default_value;
  errno = 0;
  char* end = nullptr;
  double d = std::strtod(v->c_str(), &end);
  return errno == 0 && *end == '\0' ? d : default_value;
}

std::time_t TRegOrIni::ReadDate(const std::string& section, const std::string& key,
                                std::time_t default_value) {
  auto v = RawRead(section, key);
  if (!v || v->empty()) return default_value;
  std::tm tm{};
  const char* end = strptime(v->c_str(), "%x", &tm);
  if (!end || *end != '\0') return default_value;
  tm.tm_isdst = -1;
  std::time_t t = std::mktime(&tm);
  return t == -1 ? default_value : t;
}

std::string TRegOrIni::ReadString(const std::string& section, const std::string& key,
                                  const std::string& default_value) {
  auto v = RawRead(section, key);
  if (!v) return default_value;
  return UseIni ? DropQuotes(*v) : *v;
}

std::string TRegOrIni::ReadQuotedString(const std::string& section, const std::string& key,
                                        const std::string& default_value) {
  auto v = RawRead(section, key);
  return v ? DropQuotes(*v) : default_value;
}

void TRegOrIni::ReadStrings(const std::string& section, const std::string& list_name,
                            std::vector<std::string>& list) {
  list.clear();
  int count = ReadInteger(section, list_name + "Count", 0);
  for (int i = 1; i <= count; ++i)
    list.push_back(ReadQuotedString(section, list_name + "_" + std::to_string(i), ""));
}

bool TRegOrIni::ReadPlacement(const std::string& section, const std::string& key,
                              TPlacementPart part, TPlacement& placement) {
  std::string text = ReadString(section, key, "");
  if (text.empty()) return false;
  auto fields = SplitText(text, ';');
  auto field = [&](size_t i, int current) {
    return i < fields.size() ? ToInt(fields[i], current) : current;
  };
  TPlacement read{field(0, placement.Left),   field(1, placement.Top),
                  field(2, placement.Width),  field(3, placement.Height),
                  field(4, placement.State),  field(5, placement.Monitors)};
  CopyPlacementPart(read, part, placement);
  return true;
}

void TRegOrIni::WriteBool(const std::string& section, const std::string& key, bool value) {
  RawWrite(section, key, value ? "1" : "0");
}

void TRegOrIni::WriteInteger(const std::string& section, const std::string& key, int value) {
  RawWrite(section, key, std::to_string(value));
}

void TRegOrIni::WriteFloat(const std::string& section, const std::string& key, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  RawWrite(section, key, buffer);
}

void TRegOrIni::WriteDate(const std::string& section, const std::string& key, std::time_t value) {
  std::tm tm{};
  localtime_r(&value, &tm);
  char buffer[64];
  size_t n = std::strftime(buffer, sizeof buffer, "%x", &tm);
  RawWrite(section, key, std::string(buffer, n));
}

void TRegOrIni::WriteString(const std::string& section, const std::string& key,
                            const std::string& value) {
  RawWrite(section, key, value);
}

void TRegOrIni::WriteQuotedString(const std::string& section, const std::string& key,
                                  const std::string& value) {
  RawWrite(section, key, value.empty() ? value : "\"" + value + "\"");
}

void TRegOrIni::WriteStrings(const std::string& section, const std::string& list_name,
                             bool erase_section, int max_count,
                             const std::vector<std::string>& list) {
  if (!StoreWritable) return;
  int count = static_cast<int>(list.size());
  if (max_count > 0 && max_count < count) count = max_count;
  if (erase_section) EraseSection(section);
  WriteInteger(section, list_name + "Count", count);
  for (int i = 0; i < count; ++i)
    WriteQuotedString(section, list_name + "_" + std::to_string(i + 1), list[static_cast<size_t>(i)]);
}

void TRegOrIni::WritePlacement(const std::string& section, const std::string& key,
                               TPlacementPart part, const TPlacement& placement) {
  TPlacement p = placement;
  if (part != ppAll && ReadPlacement(section, key, ppAll, p)) CopyPlacementPart(placement, part, p);
  RawWrite(section, key,
           std::to_string(p.Left) + ";" + std::to_string(p.Top) + ";" + std::to_string(p.Width) +
               ";" + std::to_string(p.Height) + ";" + std::to_string(p.State) + ";" +
               std::to_string(p.Monitors));
}

void TRegOrIni::EraseSection(const std::string& section) {
  if (!StoreWritable) return;
  Open();
  if (UseIni) {
    IniFile->EraseSection(section);
  } else {
    RegistryKey->DeleteSubKey(section);
  }
}

void TRegOrIni::DeleteKey(const std::string& section, const std::string& key) {
  if (!StoreWritable) return;
  Open();
  if (UseIni) {
    IniFile->DeleteKey(section, key);
  } else {
    RegistryKey->DeleteValue(section, key);
  }
}

std::string GetMainDirectory(const TRegOrIni& store) {
  return ExcludeTrailingSlash(store.MainDirectory.empty() ? store.ProgramFolder
                                                          : store.MainDirectory);
}

std::string ResolveIniFileName(const std::string& switch_value, const std::string& program_folder) {
  if (switch_value.empty()) return ConfigHome() + "/pictavo/pictavo.ini";
  std::string path = switch_value;
  if (path.find('/') == std::string::npos) path = JoinPath(program_folder, path);
  if (FileExt(path).empty()) path += ".ini";
  return AbsolutePath(path);
}

}  // namespace pictavo
