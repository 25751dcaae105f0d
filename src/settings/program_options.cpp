#include "settings/program_options.h"

#include <algorithm>

#include "platform/case_fold.h"
#include "platform/paths.h"

namespace pictavo {

const char kDefaultPictureFilter[] = "*.gif;*.jpg;*.jpeg;*.jpe;*.jps;*.png";

std::vector<std::string> DefaultPictureFilters() {
  return {std::string(kDefaultPictureFilter) + ";*.jpc;*.j2k;*.jp2;*.tif;*.tiff",
          "*.jpg;*.jpeg;*.jpe;*.jps",
          "*.gif",
          "*.png",
          "*.jpc;*.j2k;*.jp2",
          "*.tif;*.tiff",
          "*.htm;*.html;*.asp;*.css;*.php;*.php3;*.php4;*.cfm;*.phtml;*.shtml;*.xml;*.hta;*.htt;"
          "*.js;*.vb"};
}

std::vector<std::string> DefaultDateFormats() {
  return {"mmmm dd, yyyy", "dd mmmm yyyy", "mm/dd/yyyy", "dd/mm/yyyy"};
}

namespace {

const char kOptions[] = "Options";

// The author boxes: key, history section suffix, the box and its history.
struct TAuthorBox {
  const char* key;
  const char* suffix;
  std::string TWindowState::*text;
  std::vector<std::string> TWindowState::*items;
};
const TAuthorBox kAuthorBoxes[] = {
    {"Name", "_Names", &TWindowState::cmbName, &TWindowState::cmbNameItems},
    {"Email", "_Emails", &TWindowState::cmbEMail, &TWindowState::cmbEMailItems},
    {"Homepage", "_Homepages", &TWindowState::cmbHomepage, &TWindowState::cmbHomepageItems},
    {"DateFormat", "_DateFormats", &TWindowState::cmbDateFormat, &TWindowState::cmbDateFormatItems},
    {"Copyright", "_Copyrights", &TWindowState::cmbCopyright, &TWindowState::cmbCopyrightItems},
};

// The switches and texts of section "Options", in the order they are written.
struct TBoolOption {
  const char* key;
  bool TWindowState::*field;
};
const TBoolOption kLayoutSwitches[] = {
    {"RestoreLayout", &TWindowState::cbxRestoreLayout},
    {"ShowInfoPanel", &TWindowState::cbxShowInfoPanel},
    {"PromptSaveAlbum", &TWindowState::cbxPromptSaveAlbum},
    {"RememberPassword", &TWindowState::cbxRememberPassword},
    {"LowercaseURLs", &TWindowState::cbxLowercaseURLs},
    {"DescriptionsWithImages", &TWindowState::cbxDescriptionsWithImages},
    {"RelativePaths", &TWindowState::cbxRelativePaths},
};
const TBoolOption kBuildSwitches[] = {
    {"ImageNameIfNoInfo", &TWindowState::cbxImageNameIfNoInfo},
    {"NumberFirstPage", &TWindowState::cbxNumberFirstPage},
    {"AutomaticResize", &TWindowState::cbxAutomaticResize},
    {"CopyImages", &TWindowState::cbxCopyImages},
    {"OverwriteImages", &TWindowState::cbxOverwriteImages},
    {"UseEntities", &TWindowState::cbxUseEntities},
    {"AutomaticPreview", &TWindowState::cbxAutomaticPreview},
};

// Column counts of the picture grid's views.
const std::pair<const char*, int> kPictureGridViews[] = {{"RvDefault", 8}, {"RvManual", 9}};

void LoadGrid(TRegOrIni& store, const std::string& section, bool widths, TGridAppearance& grid) {
  std::string font = store.ReadString(section, "Font", "");
  if (!font.empty()) grid.font = StringToFont(font);
  grid.background_color = store.ReadInteger(section, "BackgroundColor", grid.background_color);
  int lines = store.ReadInteger(section, "GridLines", grid.grid_lines);
  if (lines >= 0 && lines <= 3) grid.grid_lines = lines;  // other values are refused
  if (!widths || section != "ImageGrid") return;
  for (const auto& [view, count] : kPictureGridViews)
    for (int i = 0; i < count; ++i) {
      std::string key = std::string(view) + "_" + std::to_string(i);
      int w = store.ReadInteger(section, key, -1);
      if (w >= 0) grid.column_widths[key] = w;
    }
}

void SaveGrid(TRegOrIni& store, const std::string& section, bool widths,
              const TGridAppearance& grid) {
  store.WriteString(section, "Font", FontToString(grid.font));
  store.WriteInteger(section, "BackgroundColor", grid.background_color);
  store.WriteInteger(section, "GridLines", grid.grid_lines);
  if (widths)
    for (const auto& [key, w] : grid.column_widths) store.WriteInteger(section, key, w);
}

bool ContainsNoCase(const std::vector<std::string>& list, const std::string& item) {
  return std::any_of(list.begin(), list.end(), [&](const auto& s) { return EqualsNoCase(s, item); });
}

}  // namespace

void LoadProgramOptions(TRegOrIni& store, const TProgramFolders& folders, TWindowState& s) {
  for (const auto& box : kAuthorBoxes) {
    store.ReadStrings(std::string("Author") + box.suffix, box.key, s.*box.items);
    if (box.items == &TWindowState::cmbDateFormatItems && s.cmbDateFormatItems.empty())
      s.cmbDateFormatItems = DefaultDateFormats();
  }
  for (const auto& box : kAuthorBoxes) {
    std::string fallback = box.text == &TWindowState::cmbDateFormat ? "mmmm dd, yyyy" : s.*box.text;
    s.*box.text = store.ReadString("Author", box.key, fallback);
  }

  s.cbxPollForNews = store.ReadBool(kOptions, "PollForNews", s.cbxPollForNews);
  std::string default_folder = store.FirstRun ? folders.SamplesFolder : UserPicturesFolder();
  s.vclShellTree = store.ReadString(kOptions, "DefaultFolder", default_folder);
  s.BackgroundFolder = store.ReadString(kOptions, "BackgroundFolder", s.BackgroundFolder);
  s.SettingsFolder = store.ReadString(kOptions, "SettingsFolder",
                                      s.SettingsFolder.empty() ? folders.SettingsFolder : s.SettingsFolder);
  s.CustomColors = store.ReadString(kOptions, "CustomColors", s.CustomColors);
  for (const auto& o : kLayoutSwitches) s.*o.field = store.ReadBool(kOptions, o.key, s.*o.field);
  s.cmbPreviewBrowser = store.ReadString(kOptions, "PreviewBrowser", s.cmbPreviewBrowser);
  s.cmbDefaultExt = store.ReadString(kOptions, "DefaultExt", s.cmbDefaultExt);
  for (const auto& o : kBuildSwitches) s.*o.field = store.ReadBool(kOptions, o.key, s.*o.field);
  s.edtDefaultEditor = store.ReadString(kOptions, "DefaultEditor", s.edtDefaultEditor);
  s.cbxUploadNewOnly = store.ReadBool(kOptions, "UploadNewOnly", s.cbxUploadNewOnly);
  s.edtImageFolder = store.ReadString(kOptions, "ImageFolder", s.edtImageFolder);
  s.edtImageMaxWidth = store.ReadString(kOptions, "ImageMaxWidth", s.edtImageMaxWidth);
  s.edtImageMaxHeight = store.ReadString(kOptions, "ImageMaxHeight", s.edtImageMaxHeight);

  LoadGrid(store, "ImageGrid", s.cbxRestoreLayout, s.grdPictureListLook);
  LoadGrid(store, "AlbumGrid", s.cbxRestoreLayout, s.grdAlbumListLook);
  s.TemplateWordWrap = store.ReadBool("Template", "WordWrap", s.TemplateWordWrap);
  std::string editor_font = store.ReadString("Template", "Font", "");
  if (!editor_font.empty()) s.TemplateFont = StringToFont(editor_font);

  store.ReadStrings("FileFilters", "Filter", s.cmbFileFiltersItems);
  if (s.cmbFileFiltersItems.empty()) s.cmbFileFiltersItems = DefaultPictureFilters();
  int index = store.ReadInteger("FileFilters", "Index", s.cmbFileFiltersIndex);
  if (index < 0 || index >= static_cast<int>(s.cmbFileFiltersItems.size())) index = 0;
  s.cmbFileFiltersIndex = index;
  s.cmbFileFilters = s.cmbFileFiltersItems[static_cast<size_t>(index)];

  store.ReadStrings("BaseUrls", "Url", s.cmbBaseUrlItems);
  std::vector<std::string> previous;
  store.ReadStrings("PreviousFolders", "Folder", previous);
  if (!previous.empty()) s.cmbPreviousFoldersItems = previous;
  s.cmbPreviousFoldersIndex = -1;
  for (size_t i = 0; i < s.cmbPreviousFoldersItems.size(); ++i)
    if (EqualsNoCase(s.cmbPreviousFoldersItems[i], s.vclShellTree)) {
      s.cmbPreviousFoldersIndex = static_cast<int>(i);
      break;
    }

  if (s.cbxRestoreLayout) {
    TPlacement p = s.MainWindowPlacement;
    p.State = 0;
    if (store.ReadPlacement("Layout", "MainWindow", ppAll, p)) {
      s.MainWindowPlacement = p;
      s.MainWindowMaximized = p.State == 2;
    }
  }
}

void SaveProgramOptions(TRegOrIni& store, const TProgramFolders& folders, TWindowState& s) {
  store.SettingsVersion = kSettingsVersion;
  store.SaveApplicationInfo(false);

  for (const auto& box : kAuthorBoxes) store.WriteString("Author", box.key, s.*box.text);
  for (const auto& box : kAuthorBoxes)
    store.WriteStrings(std::string("Author") + box.suffix, box.key, true, kMaxHistory, s.*box.items);

  store.WriteBool(kOptions, "PollForNews", s.cbxPollForNews);
  // On the first run the samples folder is not remembered, so the next start
  // shows the user's pictures folder.
  if (!(store.FirstRun && s.vclShellTree == folders.SamplesFolder))
    store.WriteString(kOptions, "DefaultFolder", s.vclShellTree);
  store.WriteString(kOptions, "BackgroundFolder", s.BackgroundFolder);
  store.WriteString(kOptions, "SettingsFolder", s.SettingsFolder);
  store.WriteString(kOptions, "CustomColors", s.CustomColors);
  for (const auto& o : kLayoutSwitches) store.WriteBool(kOptions, o.key, s.*o.field);
  store.WriteString(kOptions, "PreviewBrowser", s.cmbPreviewBrowser);
  store.WriteString(kOptions, "DefaultExt", s.cmbDefaultExt);
  for (const auto& o : kBuildSwitches) store.WriteBool(kOptions, o.key, s.*o.field);
  store.WriteString(kOptions, "DefaultEditor", s.edtDefaultEditor);
  store.WriteBool(kOptions, "UploadNewOnly", s.cbxUploadNewOnly);
  store.WriteString(kOptions, "ImageFolder", s.edtImageFolder);
  store.WriteString(kOptions, "ImageMaxWidth", s.edtImageMaxWidth);
  store.WriteString(kOptions, "ImageMaxHeight", s.edtImageMaxHeight);
  SaveGrid(store, "ImageGrid", s.cbxRestoreLayout, s.grdPictureListLook);
  SaveGrid(store, "AlbumGrid", s.cbxRestoreLayout, s.grdAlbumListLook);
  store.WriteBool("Template", "WordWrap", s.TemplateWordWrap);
  store.WriteString("Template", "Font", FontToString(s.TemplateFont));

  store.WriteStrings("FileFilters", "Filter", true, kMaxHistory, s.cmbFileFiltersItems);
  store.WriteInteger("FileFilters", "Index", s.cmbFileFiltersIndex);

  if (!s.vclShellTree.empty() && !ContainsNoCase(s.cmbPreviousFoldersItems, s.vclShellTree))
    s.cmbPreviousFoldersItems.push_back(s.vclShellTree);
  store.WriteStrings("PreviousFolders", "Folder", true, kMaxHistory, s.cmbPreviousFoldersItems);
  store.WriteStrings("BaseUrls", "Url", true, kMaxHistory, s.cmbBaseUrlItems);

  if (s.cbxRestoreLayout) {
    if (s.MainWindowMaximized) {
      TPlacement p = s.MainWindowPlacement;
      p.State = 2;
      store.WritePlacement("Layout", "MainWindow", ppState, p);
    } else {
      TPlacement p = s.MainWindowPlacement;
      p.State = 0;
      store.WritePlacement("Layout", "MainWindow", ppAll, p);
    }
  } else {
    store.EraseSection("ImageGrid");
  }
}

}  // namespace pictavo
