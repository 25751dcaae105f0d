#pragma once
// The album-options block of a template: an HTML comment that begins with
// "<!--album-options" (any case) and ends at the first "-->" after it, holding
// key=value lines. LoadTemplateOptions reads it into the main window when a
// template is picked; ApplyAlbumOptions removes it from the template text and
// applies its build-time keys when the template is built.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "template/compile_template.h"
#include "template/ftp_info.h"

namespace pictavo {

struct TWindowState;
struct TPictureItem;
class TJwImageConv;

// ---- the block and its values

// Where the first block lies (0-based offsets into the template text).
struct TOptionsBlock {
  size_t start = 0;          // the "<" of "<!--album-options"
  size_t content_start = 0;  // just after "<!--album-options"
  size_t content_end = 0;    // the "-" of the closing "-->"
  size_t end = 0;            // just after "-->"
};
// The first block, or nullopt when there is none (also when no "-->" follows).
std::optional<TOptionsBlock> FindOptionsBlock(std::string_view text);

// The options text: CR LF followed by the block's content ("" when the text
// has no block).
std::string OptionsText(std::string_view text);

// True when a line of the options text begins with key and "=" (any case).
bool HasOptionLine(std::string_view options_text, std::string_view key);

// The reading of a picked template: the rest of the first line that begins
// with key and "=" (any case), untrimmed; nullopt when there is none.
std::optional<std::string> PickOptionValue(std::string_view options_text, std::string_view key);

// The reading at build time: the first line whose part before its first "="
// equals key (any case), its value trimmed of blanks and control characters
// and its path macros expanded; nullopt when there is no such line.
std::optional<std::string> BuildOptionValue(std::string_view options_text, std::string_view key,
                                            const TPathMacroFolders& folders);

// ---- value helpers

// Replaces the first "{THUMBSPECS}" (any case) by the thumbnail names of
// prefix: "" for an empty prefix, "*" + prefix + ".*" when the prefix is a
// name suffix (longer than one character, beginning with "-", "." or "_"),
// otherwise prefix + "*.*".
std::string ExpandThumbSpecs(std::string_view value, std::string_view prefix);

// A size written W or W x H (with the letter x in any case): the width before
// the first x (default_width when that is not a number), the height after it
// (the width when there is no x or no number there).
std::pair<int, int> ParseMaxSize(std::string_view value, int default_width);

// A whole number (blanks around it allowed), or nullopt.
std::optional<int> OptionInteger(std::string_view value);

// The page names of an output name holding "{imagename}": value is the
// output name with those eleven characters removed and insert_pos where they
// stood. One name per included picture in list order: its name without
// extension inserted at insert_pos, made absolute against output_folder, given
// "." + page_ext unless it has an HTML extension, numbered 02, 03 ... before
// its extension when it repeats an earlier name, and lower-cased with
// lowercase_urls (repeats are then found without regard to case).
std::vector<std::string> BuildPageNames(std::string_view value, size_t insert_pos,
                                        const std::vector<TPictureItem>& pictures,
                                        const std::string& output_folder,
                                        const std::string& page_ext, bool lowercase_urls);

// ---- the window

// What the option readers do to the main window besides its plain boxes:
// the picture list, and the lists of sort and background entries. The
// desktop window and the CLI implement it over their picture collection and
// grid; every default does nothing.
class TAlbumOptionsWindow {
 public:
  virtual ~TAlbumOptionsWindow() = default;
  // The manual-picking box was unticked (the mode switch runs).
  virtual void PickManuallyUnticked() {}
  // The folder tree moved to the folder now in vclShellTree.
  virtual void FolderShown(const std::string& /*folder*/) {}
  // The picture filter box changed (the picture list is out of date).
  virtual void PictureFilterChanged() {}
  // Pictures excluded by hand exist / are forgotten.
  virtual bool HasHandExcludedPictures() const { return false; }
  virtual void ClearHandExcludedPictures() {}
  // Rebuilds the picture list from folder and filter, without exclusion filters.
  virtual void RefreshPictureList(const std::string& /*folder*/, const std::string& /*filter*/) {}
  // Applies the exclusion filters of edtExclusionFilters.
  virtual void ApplyExclusionFilters(const std::string& /*filters*/, bool /*re_include*/) {}
  // Selects the sort entry whose caption equals caption (any case); false
  // when there is none.
  virtual bool SelectSortEntry(const std::string& /*caption*/) { return false; }
  // Selects the background entry name; false when there is none.
  virtual bool SelectBackgroundImage(const std::string& /*name*/) { return false; }
  // The template information command (shows TemplateInfo).
  virtual void ShowTemplateInfo(const std::string& /*info*/) {}
};

// What both readers work on.
struct TAlbumOptionsContext {
  TWindowState& window;
  TAlbumOptionsWindow& host;
  TPathMacroFolders folders;  // the path macros' folders
  // The completion wizard run over a picked template's options text
  // (CompleteFields of app/completion_wizard.h with the window's user
  // interface); its answer (false after Cancel) stops nothing. May be empty.
  std::function<bool(std::string&)> complete_fields;
  bool SettingsLoading = false;  // album settings are being loaded
};

// Reads the options of a picked template into the window (the colours and
// background image only with apply_page_look). A text without a block only
// clears what the previous template left: TemplateOptionsText, TemplateInfo,
// ThumbPrefix and its ignorefields. OptionsLoadedAt is stamped in any case.
void LoadTemplateOptions(std::string_view template_text, bool apply_page_look,
                         TAlbumOptionsContext& context);

// ---- build time

// The build's state that album options set up. The build clears it at its
// start (Clear) and keeps it for all templates of the build.
struct TAlbumOptionsBuild {
  TFtpInfos FtpInfos;
  TNamedTexts* NamedTexts = nullptr;  // the build's named texts (variables)
  // PageNames: present once a template's output name held "{imagename}".
  std::optional<std::vector<std::string>> PageNames;
  std::string ChainTemplates;  // templatebuild of the template just applied
  std::string MergeName;       // merge of the template just applied
  // The converters (either may be null): thumbnail and picture settings.
  TJwImageConv* ThumbConverter = nullptr;
  TJwImageConv* ImageConverter = nullptr;
  bool QualityOrSharpnessSet = false;  // imagequality or imagesharpness was given
  bool ImageConverterChanged = false;  // the picture converter's settings changed

  void Clear();
};

// What the build passes in for one template.
struct TApplyOptionsInput {
  bool OptionsFromWindow = false;  // the options in the window are this template's
  bool SubBuild = false;           // a template of the chain, not the main one
  std::string PageExt;             // page extension of this template, without dot
  std::string TemplatePath;        // the template file
  std::string OutputFolder;        // against which output names are resolved
  const std::vector<TPictureItem>* Pictures = nullptr;  // the picture list in display order
};

// What one template's options decided.
struct TTemplateOptions {
  std::string Text;  // the template without its block (and one line break after it)
  bool IterateGrid = true;
  bool IsContentsPage = false;
  bool ThumbOverwriteGiven = false;
  bool NoOutputName = true;
  std::string OutputName;
};

// Removes the block from a template text and applies its build-time keys to
// the build, the converters and (unless the options come from the window) the
// window's picture selection boxes.
TTemplateOptions ApplyAlbumOptions(std::string_view template_text, const TApplyOptionsInput& input,
                                   TAlbumOptionsBuild& build, TAlbumOptionsContext& context);

}  // namespace pictavo
