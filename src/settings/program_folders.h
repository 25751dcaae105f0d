#pragma once
// The program's data folders, worked out once at start-up.
#include <string>

namespace pictavo {

class TRegOrIni;

struct TProgramFolders {
  std::string MainDirectory;      // stands in for the program folder; no trailing "/"
  std::string BaseFolder;         // holds Templates and Backgrounds; trailing "/"
  std::string UserDataFolder;     // documents folder + "/Pictavo/"; trailing "/"
  std::string SettingsFolder;     // album settings, album list, descriptions
  std::string AlbumsFolder;       // where albums are built by default
  std::string BackgroundsFolder;
  std::string TemplatesFolder;
  std::string SamplesFolder;
};

// The folder itself when it exists or can be created with all missing
// levels, otherwise "".
std::string EnsureFolder(const std::string& folder);

// Works out every folder. The base folder is the option "BaseFolder" of
// section "Options" (relative to the main directory) when it names an
// existing folder, else the per-user data folder $XDG_DATA_HOME/pictavo/
// (default ~/.local/share/pictavo/). Its Templates and Backgrounds folders are
// seeded from the program folder's when they are first created. Settings live
// in the base folder; albums go to the user data folder (the documents
// folder's "Pictavo" folder) unless a base folder is configured.
TProgramFolders ResolveProgramFolders(TRegOrIni& store);

// The user's documents and pictures folders from the XDG user-dirs file,
// else ~/Documents and ~/Pictures; no trailing "/".
std::string UserDocumentsFolder();
std::string UserPicturesFolder();

// The installed data folder (<prefix>/share/pictavo beside the executable's
// bin folder) or, when run from the build tree, the repository's data folder.
std::string FindProgramFolder();

}  // namespace pictavo
