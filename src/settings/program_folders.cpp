#include "settings/program_folders.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "platform/text_lines.h"
#include "settings/reg_or_ini.h"

namespace pictavo {

namespace {

std::string XdgFolder(const char* variable, const char* fallback_name) {
  std::string home = HomeFolder();
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string file = (config && *config == '/' ? std::string(config) : home + "/.config") +
                     "/user-dirs.dirs";
  if (auto bytes = ReadFileHead(file, 1 << 16)) {
    std::string prefix = std::string(variable) + "=";
    for (const auto& raw : SplitLines(*bytes)) {
      std::string line = Trim(raw);
      if (line.rfind(prefix, 0) != 0) continue;
      std::string value = line.substr(prefix.size());
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
      value = ReplaceAll(value, "$HOME", home);
      if (IsAbsolutePath(value)) return ExcludeTrailingSlash(value);
    }
  }
  return home + "/" + fallback_name;
}

// Copies the files of from into to (a folder just created), keeping what
// is there.
void SeedFolder(const std::string& from, const std::string& to) {
  for (const auto& e : ReadFolder(from)) {
    if (e.is_dir || e.is_hidden) continue;
    std::string target = JoinPath(to, e.name);
    if (FileExists(target)) continue;
    try {
      CopyFileAtomic(JoinPath(from, e.name), target);
    } catch (const std::exception&) {
      // A file that cannot be copied is simply not offered.
    }
  }
}

// EnsureFolder, seeding a newly created folder from the program folder.
std::string EnsureSeededFolder(const std::string& folder, const std::string& seed_from) {
  bool existed = FolderExists(folder);
  std::string result = EnsureFolder(folder);
  if (!result.empty() && !existed && FolderExists(seed_from)) SeedFolder(seed_from, result);
  return result;
}

}  // namespace

std::string EnsureFolder(const std::string& folder) {
  if (folder.empty()) return "";
  return ForceFolders(folder) ? folder : "";
}

std::string UserDocumentsFolder() { return XdgFolder("XDG_DOCUMENTS_DIR", "Documents"); }

std::string UserPicturesFolder() { return XdgFolder("XDG_PICTURES_DIR", "Pictures"); }

std::string FindProgramFolder() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n > 0) {
    std::string exe_dir = FolderPart(std::string(buffer, static_cast<size_t>(n)));
    std::string installed = AbsolutePath("../share/pictavo", exe_dir);
    if (FolderExists(installed)) return installed;
  }
#ifdef PICTAVO_SOURCE_DATA_DIR
  return PICTAVO_SOURCE_DATA_DIR;
#else
  return "/usr/share/pictavo";
#endif
}

TProgramFolders ResolveProgramFolders(TRegOrIni& store) {
  TProgramFolders f;
  f.MainDirectory = GetMainDirectory(store);

  std::string option = store.ReadString("Options", "BaseFolder", "");
  bool configured = false;
  if (!option.empty()) {
    std::string base = AbsolutePath(option, f.MainDirectory);
    if (FolderExists(base)) {
      f.BaseFolder = IncludeTrailingSlash(base);
      configured = true;
    }
  }
  if (!configured) {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string root = data && *data == '/' ? ExcludeTrailingSlash(data)
                                            : HomeFolder() + "/.local/share";
    std::string base = EnsureFolder(root + "/pictavo");
    f.BaseFolder = IncludeTrailingSlash(base.empty() ? f.MainDirectory : base);
  }

  f.UserDataFolder = IncludeTrailingSlash(UserDocumentsFolder() + "/Pictavo");
  // The settings folder starts with the program's sample album settings.
  f.SettingsFolder =
      EnsureSeededFolder(f.BaseFolder + "Settings", JoinPath(f.MainDirectory, "Settings"));
  if (configured) {
    f.AlbumsFolder = EnsureFolder(f.BaseFolder + "Albums");
  } else {
    f.AlbumsFolder = EnsureFolder(f.UserDataFolder + "Albums");
    if (f.AlbumsFolder.empty()) f.AlbumsFolder = EnsureFolder(f.BaseFolder + "Albums");
  }
  if (!f.AlbumsFolder.empty()) f.UserDataFolder = IncludeTrailingSlash(FolderPart(f.AlbumsFolder));

  f.BackgroundsFolder =
      EnsureSeededFolder(f.BaseFolder + "Backgrounds", JoinPath(f.MainDirectory, "Backgrounds"));
  f.TemplatesFolder =
      EnsureSeededFolder(f.BaseFolder + "Templates", JoinPath(f.MainDirectory, "Templates"));
  f.SamplesFolder = EnsureFolder(JoinPath(f.MainDirectory, "Samples"));
  return f;
}

}  // namespace pictavo
