#pragma once
// The program options: author details, histories, folders, behaviour
// switches, grid and editor appearance and the window layout, loaded into
// the window state at start-up and saved from it when the window closes.
#include <string>
#include <vector>

#include "settings/program_folders.h"
#include "settings/reg_or_ini.h"
#include "settings/window_state.h"

namespace pictavo {

// The picture filter the filter box falls back to.
extern const char kDefaultPictureFilter[];
// The seven picture-filter choices offered when the settings hold none.
std::vector<std::string> DefaultPictureFilters();
// The four date formats offered when the history is empty.
std::vector<std::string> DefaultDateFormats();
// History boxes keep at most this many entries.
constexpr int kMaxHistory = 15;

// Reads every option into the window state (missing values keep the
// state's current value as default).
void LoadProgramOptions(TRegOrIni& store, const TProgramFolders& folders, TWindowState& state);
// Writes every option from the window state.
void SaveProgramOptions(TRegOrIni& store, const TProgramFolders& folders, TWindowState& state);

}  // namespace pictavo
