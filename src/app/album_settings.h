#pragma once
// Album settings of the main window: loading a settings file into the
// window's boxes and picture list, saving them, the caption and the question
// to save changed settings.
#include <functional>
#include <string>

#include "settings/album_settings_file.h"
#include "settings/ini_data.h"
#include "template/compile_template.h"

namespace pictavo {

struct TWindowState;
struct TProgramFolders;
class TPictureGrid;
class TPictureCollection;
class TUserInterface;

// The main window's state that belongs to album settings.
struct TAlbumSettingsState {
  std::string CurrentSettingsFile;  // empty: untitled
  bool SettingsChanged = false;
  bool SettingsLoading = false;
  bool BuildRunning = false;  // a build runs: the caption and output folder stay
  bool WindowReady = true;
  std::string Caption;
};

// What loading and saving work on.
struct TAlbumSettingsContext {
  TWindowState& state;
  TPictureGrid& grid;
  TPictureCollection& collection;
  const TProgramFolders& folders;
  TUserInterface& ui;
  TAlbumSettingsState& session;
  // Selects (and loads) a template by name; "" selects none.
  std::function<void(const std::string&)> select_template;
  // Forgets the output folder remembered from the last build.
  std::function<void()> forget_build_folder;
  std::string product_name = "Pictavo";
};

// The folders the path macros of templates and settings stand for.
TPathMacroFolders PathMacroFoldersOf(const TProgramFolders& folders);
// A picture folder as album settings store it, as the folder tree shows it:
// path macros expanded, relative to the base folder, without trailing "/".
std::string AlbumPictureFolder(const std::string& stored, const TProgramFolders& folders);
// Puts the album's page settings (album name and folder, character set,
// background, colours, page texts, base URL, pictures per page) into the
// window's boxes.
void PutAlbumPageSettings(const TAlbumSettings& s, TWindowState& w);

// The window's boxes and picture list as album settings.
TAlbumSettings AlbumSettingsFromWindow(TAlbumSettingsContext& ctx);

// Loads the settings file name (resolved in the settings folder; without a
// name the file "Default", when it exists) into the window.
void LoadAlbumSettings(TAlbumSettingsContext& ctx, const std::string& name = {});
// Loads already read settings; path is the file they came from ("" for none).
void ApplyAlbumSettingsFile(TAlbumSettingsContext& ctx, const std::string& path,
                            const TIniData& ini);
// Writes the window's settings (raises EPictavo "Unable to write to ...").
void SaveAlbumSettings(TAlbumSettingsContext& ctx, const std::string& name);
// Asks for a file name, then saves; false when the dialog was cancelled.
bool SaveAlbumSettingsAs(TAlbumSettingsContext& ctx, const std::string& proposed);
// Asks to save changed settings; false when the user cancels.
bool PromptSaveAlbumSettings(TAlbumSettingsContext& ctx);
// Sets SettingsChanged and the caption.
void MarkSettingsChanged(TAlbumSettingsContext& ctx, bool changed);
// The caption for a settings file and changed state.
std::string SettingsCaption(const std::string& settings_file, bool changed,
                            const std::string& product_name);

}  // namespace pictavo
