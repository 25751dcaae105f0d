#pragma once
// The main window's boxes as plain state. The Qt window binds its widgets to
// these fields (each widget has the field's name as objectName); the CLI and
// the tests fill the struct directly. Fields are named as the controls are.
#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "settings/setting_values.h"

namespace pictavo {

// Appearance of a grid: font, list colour, grid lines (0 none, 1 vertical,
// 2 horizontal, 3 both) and column widths by key ("RvDefault_0" ...).
struct TGridAppearance {
  TFontSpec font;
  int background_color = clWindow;
  int grid_lines = 3;
  std::map<std::string, int> column_widths;
};

// Mark of a control that ignorefields controls: none, disabled by the
// template, or already disabled before the template.
enum class TIgnoreMark : uint8_t { None, DisabledByTemplate, AlreadyDisabled };

struct TWindowState {
  // Picture list (first and second pages).
  std::string vclShellTree;  // the picture folder
  std::string cmbFileFilters = "*.gif;*.jpg;*.jpeg;*.jpe;*.jps;*.png";
  std::string edtExclusionFilters;
  bool cbxIncludeSubFolders = false;
  bool cbxPickManually = false;

  // Options.
  bool cbxUseHtmlTitle = true;
  bool cbxDescriptionsWithImages = true;
  bool cbxImageNameIfNoInfo = false;

  // Page details (third page), read by the template fields. Colours are
  // colour values blue * 65536 + green * 256 + red, as album settings store
  // them.
  std::string edtPageTitle;
  std::string edtPageDescription;
  std::string edtKeywords;
  std::string cmbBaseUrl;
  std::string cmbBackgroundImage;          // name in the backgrounds folder; "" for none
  uint32_t btnBackgroundColor = 0xFFFFFF;  // white
  uint32_t btnTextColor = 0x000000;        // black
  uint32_t btnLinkColor = 0xFF0000;        // blue
  uint32_t btnVLinkColor = 0x800080;       // purple
  std::string cmbCharSet = "[Omit]";       // an item of the character set list or a typed name

  // Author details and page options (options pages).
  std::string cmbName;
  std::string cmbEMail;
  std::string cmbHomepage;
  std::string cmbCopyright;
  std::string cmbDateFormat = "mmmm dd, yyyy";
  bool cbxLowercaseURLs = true;
  bool cbxRelativePaths = true;
  bool cbxUseEntities = true;
  std::string edtImageMaxWidth = "650";  // "" or 0: no limit
  std::string edtImageMaxHeight = "450";

  // Program options (options pages), loaded at start-up and saved on close.
  std::vector<std::string> cmbNameItems, cmbEMailItems, cmbHomepageItems, cmbDateFormatItems,
      cmbCopyrightItems;
  bool cbxPollForNews = false;
  std::string BackgroundFolder;  // folder the shared file dialog opens in
  std::string SettingsFolder;    // folder the album settings dialogs open in
  std::string CustomColors;      // custom colours of the colour dialog
  bool cbxRestoreLayout = true;
  bool cbxShowInfoPanel = true;
  bool cbxPromptSaveAlbum = true;
  bool cbxRememberPassword = false;
  std::string cmbPreviewBrowser;  // "" for the default browser
  std::string cmbDefaultExt;      // "", "html" or "htm"
  bool cbxNumberFirstPage = true;
  bool cbxAutomaticResize = true;
  bool cbxCopyImages = true;
  bool cbxOverwriteImages = true;
  bool cbxAutomaticPreview = true;
  std::string edtDefaultEditor;  // "" for the built-in editor
  bool cbxUploadNewOnly = false;
  std::string edtImageFolder = "images";
  std::vector<std::string> cmbFileFiltersItems;
  int cmbFileFiltersIndex = 0;
  std::vector<std::string> cmbBaseUrlItems;
  std::vector<std::string> cmbPreviousFoldersItems{"[MS Explorer Cache]", "[Netscape Cache]"};
  int cmbPreviousFoldersIndex = -1;
  TGridAppearance grdPictureListLook, grdAlbumListLook;
  bool TemplateWordWrap = false;
  TFontSpec TemplateFont{"Monospace", 10};
  TPlacement MainWindowPlacement;
  bool MainWindowMaximized = false;

  // Album file, pictures per page, sort and upload boxes that album options
  // and album settings fill.
  std::string edtOutputName;   // album file name
  std::string edtOutputDir;    // album folder
  std::string edtMaxImages;    // "Max. pics": "" or a positive integer
  std::string cmbSorting;      // caption of the chosen sort entry
  std::string cmbProfileName;  // upload profile; "" when none is selected
  std::string edtHostName;     // upload panel: host or local folder
  std::string edtUserId;
  std::string edtPassword;
  std::string edtHtmlFolder;   // remote folder for pages
  std::string edtMediaFolder;  // remote folder for media files
  bool cbxPassiveMode = false;

  // The chosen template's album options (see template/album_options.h).
  std::chrono::system_clock::time_point OptionsLoadedAt{};  // epoch: never
  std::string TemplateOptionsText;                          // CR LF + the block's content, as read
  std::string TemplateInfo;                                 // "info", line breaks as CR LF
  std::string ThumbPrefix;                                  // "thumbprefix"
  std::string IgnoreFieldsText;                             // the last "ignorefields" text applied
  // Controls that are disabled (by name), and the marks ignorefields gives
  // them (see template/ignore_fields.h); a control without a mark has none.
  std::set<std::string> DisabledControls;
  std::map<std::string, TIgnoreMark> IgnoreMarks;

  // FTP profiles of the upload panel: the saved names (sorted without regard
  // to case) and the listed profile that is selected, -1 for none.
  std::vector<std::string> cmbProfileNameItems;
  int cmbProfileNameIndex = -1;

  // The chosen template (its name in the templates folder, or a path).
  std::string cmbTemplate;
};

}  // namespace pictavo
