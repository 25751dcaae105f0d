#include "app/album_settings.h"

#include "pictures/picture_collection.h"
#include "pictures/picture_grid.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/user_interface.h"
#include "settings/program_folders.h"
#include "settings/window_state.h"
#include "template/compile_template.h"

namespace pictavo {

namespace {

const char kExt[] = "alb";

std::string SettingsFilter() {
  return std::string("Album settings (*.") + kExt + ")|*." + kExt + "|All files (*.*)|*.*";
}

void RefreshCaption(TAlbumSettingsContext& ctx) {
  if (ctx.session.BuildRunning) return;
  ctx.session.Caption = SettingsCaption(ctx.session.CurrentSettingsFile,
                                        ctx.session.SettingsChanged, ctx.product_name);
}

}  // namespace

std::string SettingsCaption(const std::string& settings_file, bool changed,
                            const std::string& product_name) {
  std::string name = settings_file.empty() ? "Untitled" : NameWithoutExt(settings_file);
  return (changed ? "*" + name + "*" : name) + " - " + product_name;
}

TPathMacroFolders PathMacroFoldersOf(const TProgramFolders& folders) {
  return {ExcludeTrailingSlash(folders.AlbumsFolder), ExcludeTrailingSlash(folders.MainDirectory),
          ExcludeTrailingSlash(folders.SamplesFolder), ExcludeTrailingSlash(TempFolder())};
}

std::string AlbumPictureFolder(const std::string& stored, const TProgramFolders& folders) {
  std::string folder = stored;
  if (!folder.empty() && folder.front() == '{')
    folder = ExpandPathMacros(folder, PathMacroFoldersOf(folders));
  if (!folder.empty() && !IsAbsolutePath(folder)) folder = AbsolutePath(folder, folders.BaseFolder);
  return ExcludeTrailingSlash(folder);
}

void PutAlbumPageSettings(const TAlbumSettings& s, TWindowState& w) {
  w.edtOutputName = s.OutputName;
  w.edtOutputDir = s.OutputDir;
  w.cmbCharSet = s.CharSet;
  w.cmbBackgroundImage = s.BackgroundImage;
  w.btnBackgroundColor = s.BackgroundColor;
  w.btnTextColor = s.TextColor;
  w.btnLinkColor = s.LinkColor;
  w.btnVLinkColor = s.VLinkColor;
  w.edtPageTitle = s.PageTitle;
  w.edtPageDescription = s.PageDescription;
  w.edtKeywords = s.PageKeywords;
  w.cmbBaseUrl = s.BaseUrl;
  w.edtMaxImages = s.MaxImages > 0 ? std::to_string(s.MaxImages) : "";
}

TAlbumSettings AlbumSettingsFromWindow(TAlbumSettingsContext& ctx) {
  const TWindowState& w = ctx.state;
  TAlbumSettings s;
  s.PickManual = w.cbxPickManually;
  s.PictureFilter = w.cmbFileFilters;
  s.ExclusionFilters = w.edtExclusionFilters;
  s.IncludeSubFolders = !w.cbxPickManually && w.cbxIncludeSubFolders;
  s.PictureFolder = w.cbxPickManually ? ctx.collection.AddImagesFolder() : w.vclShellTree;
  s.SortColumn = ctx.grid.SortingChoiceText();
  s.CustomOrder = ctx.grid.CustomOrderExists() && ctx.grid.CustomSortingActive();
  s.Template = w.cmbTemplate;
  s.OutputName = w.edtOutputName;
  s.OutputDir = w.edtOutputDir;
  s.CharSet = w.cmbCharSet;
  s.BackgroundImage = w.cmbBackgroundImage;
  s.BackgroundColor = w.btnBackgroundColor;
  s.TextColor = w.btnTextColor;
  s.LinkColor = w.btnLinkColor;
  s.VLinkColor = w.btnVLinkColor;
  s.PageTitle = w.edtPageTitle;
  s.PageDescription = w.edtPageDescription;
  s.PageKeywords = w.edtKeywords;
  s.BaseUrl = w.cmbBaseUrl;
  char* end = nullptr;
  long n = std::strtol(w.edtMaxImages.c_str(), &end, 10);
  s.MaxImages = !w.edtMaxImages.empty() && *end == '\0' && n > 0 && n < INT32_MAX ? static_cast<int>(n) : 0;
  s.IgnoreImages = ctx.grid.IgnoredNames().Names();
  return s;
}

void LoadAlbumSettings(TAlbumSettingsContext& ctx, const std::string& name) {
  std::string path = ResolveSettingsPath(name.empty() ? "Default" : name,
                                         ctx.folders.SettingsFolder, kExt, !name.empty());
  if (name.empty() && !FileExists(path)) path.clear();
  ApplyAlbumSettingsFile(ctx, path, path.empty() ? TIniData{} : ReadAlbumSettingsIni(path));
}

void ApplyAlbumSettingsFile(TAlbumSettingsContext& ctx, const std::string& path,
                            const TIniData& ini) {
  TWindowState& w = ctx.state;
  TPictureGrid& grid = ctx.grid;
  TPictureCollection& collection = ctx.collection;
  if (ctx.forget_build_folder) ctx.forget_build_folder();

  TAlbumSettings defaults;
  defaults.PictureFolder = ctx.folders.SamplesFolder;
  defaults.CharSet = "[Omit]";
  TAlbumSettings s = AlbumSettingsFromIni(ini, defaults);

  ctx.session.SettingsLoading = true;
  grid.SettingsLoading = true;
  grid.SetCustomOrderList(std::nullopt);
  try {
    collection.PickManuallyClicked(s.PickManual);
    if (!s.PickManual) {
      if (s.ExclusionFilters != w.edtExclusionFilters) {
        w.edtExclusionFilters = s.ExclusionFilters;
        collection.MarkPictureListOutOfDate();
      }
      if (s.PictureFilter != w.cmbFileFilters) {
        w.cmbFileFilters = s.PictureFilter;
        collection.FiltersChanged();
      }
      if (s.IncludeSubFolders != w.cbxIncludeSubFolders) {
        w.cbxIncludeSubFolders = s.IncludeSubFolders;
        collection.IncludeSubFoldersToggled();
      }
      if (!path.empty()) {
        w.vclShellTree = AlbumPictureFolder(s.PictureFolder, ctx.folders);
        collection.FolderSelected(w.vclShellTree);
        collection.RememberPictureFolder(true);
      }
    } else {
      w.cbxIncludeSubFolders = false;
      collection.SetAddImagesFolder(s.PictureFolder);
    }

    try {
      grid.RestoreSortChoice(s.SortColumn);
    } catch (const std::exception&) {
      // A sort that cannot be applied leaves the previous order.
    }
    grid.SetCustomOrderExists(grid.CustomSortingActive() && s.CustomOrder);

    PutAlbumPageSettings(s, w);

    bool had_ignored = !grid.IgnoredNames().Empty();
    grid.IgnoredNames().Assign(s.IgnoreImages);
    if (had_ignored || !grid.IgnoredNames().Empty()) collection.MarkPictureListOutOfDate();

    w.cmbTemplate = s.Template;
    if (ctx.select_template) ctx.select_template(s.Template);
    ctx.ui.ProcessEvents();
  } catch (...) {
    ctx.session.SettingsLoading = false;
    grid.SettingsLoading = false;
    throw;
  }

  ctx.session.SettingsLoading = false;
  grid.SettingsLoading = false;
  if (grid.CustomOrderExists() || s.PickManual) {
    auto list = path.empty() ? std::nullopt : ReadPictureListFile(PictureListFileName(path));
    if (list) {
      collection.RestorePictureOrder(*list, grid.CustomOrderExists());
    } else {
      grid.SetCustomOrderExists(false);
    }
  }
  ctx.session.CurrentSettingsFile = path;
  ctx.session.SettingsChanged = false;
  RefreshCaption(ctx);
}

void SaveAlbumSettings(TAlbumSettingsContext& ctx, const std::string& name) {
  std::string path = ResolveSettingsPath(name, ctx.folders.SettingsFolder, kExt, true);
  TAlbumSettings s = AlbumSettingsFromWindow(ctx);
  auto write_list = [&] {
    std::vector<std::string> order;
    bool wanted = s.PickManual || s.CustomOrder;
    if (wanted) order = ctx.grid.StoreCustomOrder();
    WritePictureListFile(PictureListFileName(path), wanted ? &order : nullptr);
  };
  try {
    WriteAlbumSettingsFile(path, s);
  } catch (...) {
    try {
      write_list();
    } catch (const std::exception&) {
      // The settings error is the one reported.
    }
    throw;
  }
  ctx.session.CurrentSettingsFile = path;
  ctx.session.SettingsChanged = false;
  RefreshCaption(ctx);
  ctx.ui.ShowStatus("Settings \"" + NameWithoutExt(path) + "\" saved");
  write_list();
}

bool SaveAlbumSettingsAs(TAlbumSettingsContext& ctx, const std::string& proposed) {
  TFileDialog dialog;
  dialog.title = "Save Album Settings";
  dialog.filter = SettingsFilter();
  dialog.default_ext = kExt;
  dialog.folder = ctx.folders.SettingsFolder;
  dialog.file_name = proposed;
  dialog.save = true;
  auto chosen = ctx.ui.ChooseFile(dialog);
  if (!chosen) return false;
  SaveAlbumSettings(ctx, *chosen);
  return true;
}

bool PromptSaveAlbumSettings(TAlbumSettingsContext& ctx) {
  if (!ctx.state.cbxPromptSaveAlbum || !ctx.session.SettingsChanged) return true;
  switch (ctx.ui.Ask("Your album settings have changed (i.e. picture selections, type of "
                     "template, page details).\r\n\r\nWould you like to save them for reuse "
                     "later?",
                     true)) {
    case TAnswer::Cancel: return false;
    case TAnswer::No: return true;
    case TAnswer::Yes: return SaveAlbumSettingsAs(ctx, ctx.session.CurrentSettingsFile);
  }
  return true;
}

void MarkSettingsChanged(TAlbumSettingsContext& ctx, bool changed) {
  if (changed && !ctx.session.BuildRunning && ctx.forget_build_folder) ctx.forget_build_folder();
  if (changed == ctx.session.SettingsChanged) return;
  ctx.session.SettingsChanged = changed;
  RefreshCaption(ctx);
}

}  // namespace pictavo
