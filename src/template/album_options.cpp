#include "template/album_options.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>
#include <system_error>
#include <tuple>
#include <unordered_set>

#include <fmt/format.h>

#include "imaging/image_conv.h"
#include "pictures/html_title.h"
#include "pictures/picture_item.h"
#include "platform/case_fold.h"
#include "platform/paths.h"
#include "platform/text_lines.h"
#include "settings/album_settings_file.h"
#include "settings/window_state.h"
#include "template/bm_search.h"
#include "template/color_value.h"
#include "template/ignore_fields.h"
#include "template/text_to_bool.h"

namespace pictavo {
namespace {

const TBmPattern& BlockStartPattern() {
  static const TBmPattern pattern = MakeBmPattern("<!--album-options", true, false);
  return pattern;
}

const TBmPattern& BlockEndPattern() {
  static const TBmPattern pattern = MakeBmPattern("-->", false, false);
  return pattern;
}

bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}

// Offset just after needle where it stands right after a line break (any
// case), or npos. The options text begins with a line break, so the first
// line counts too.
size_t FindAfterLineBreak(std::string_view text, std::string_view needle) {
  const TBmPattern pattern = MakeBmPattern(needle, true, true);
  if (!pattern.valid) return std::string_view::npos;
  size_t from = 0;
  while (true) {
    const size_t pos = BmFind(pattern, text, from);
    if (pos == std::string_view::npos) return pos;
    if (pos > 0 && IsLineBreak(text[pos - 1])) return pos + needle.size();
    from = pos + 1;
  }
}

bool ContainsNoCase(std::string_view text, std::string_view needle) {
  return BmSearch(needle, text, 1, true, true) > 0;
}

// The options text split into lines once, for the build-time reading.
class TOptionLines {
 public:
  TOptionLines(std::string_view options_text, const TPathMacroFolders& folders)
      : lines_(SplitLines(options_text)), folders_(folders) {}

  std::optional<std::string> Find(std::string_view key) const {
    for (const std::string& line : lines_) {
      const size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      if (EqualsNoCase(std::string_view(line).substr(0, eq), key)) {
        return ExpandPathMacros(Trim(std::string_view(line).substr(eq + 1)), folders_);
      }
    }
    return std::nullopt;
  }
  // The value, "" when absent.
  std::string Get(std::string_view key) const { return Find(key).value_or(std::string()); }

 private:
  std::vector<std::string> lines_;
  const TPathMacroFolders& folders_;
};

// A pictures-per-page value into the box: 0 empties it, a positive number
// is written, an empty value empties it when empty_clears, anything else
// leaves it.
void ApplyPicsPerPage(TWindowState& window, std::string_view value, bool empty_clears) {
  if (value.empty()) {
    if (empty_clears) window.edtMaxImages.clear();
    return;
  }
  const std::optional<int> n = OptionInteger(value);
  if (!n || *n < 0) return;
  window.edtMaxImages = *n == 0 ? std::string() : std::to_string(*n);
}

bool SameFolder(std::string_view a, std::string_view b) {
  return ExcludeTrailingSlash(a) == ExcludeTrailingSlash(b);
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

void UntickPickManually(TAlbumOptionsContext& context) {
  if (!context.window.cbxPickManually) return;
  context.window.cbxPickManually = false;
  context.host.PickManuallyUnticked();
}

// The picture folder and filter of the options (folder mode). subfolders_given:
// the options set the include-subfolders box themselves, so showing the folder
// does not untick it. Returns true when the picture list must be rebuilt.
bool ApplyFolderAndFilter(TAlbumOptionsContext& context, const std::string& folder,
                          const std::string& include, bool subfolders_given) {
  TWindowState& window = context.window;
  bool rebuild = false;
  if (!folder.empty() && !window.cbxPickManually && IsFolder(folder) &&
      !SameFolder(folder, window.vclShellTree)) {
    window.vclShellTree = folder;
    context.host.FolderShown(folder);
    if (!subfolders_given) window.cbxIncludeSubFolders = false;
    rebuild = true;
  }
  if (!include.empty()) {
    UntickPickManually(context);
    if (context.host.HasHandExcludedPictures()) rebuild = true;
    context.host.ClearHandExcludedPictures();
    if (!EqualsNoCase(include, window.cmbFileFilters)) {
      window.cmbFileFilters = include;
      context.host.PictureFilterChanged();
    }
  }
  return rebuild;
}

void SetColor(uint32_t& button, const std::optional<std::string>& value) {
  if (!value) return;
  if (auto color = ColorFromText(*value)) button = *color;
}

}  // namespace

// ---- the block and its values

std::optional<TOptionsBlock> FindOptionsBlock(std::string_view text) {
  const size_t start = BmFind(BlockStartPattern(), text, 0);
  if (start == std::string_view::npos) return std::nullopt;
  TOptionsBlock block;
  block.start = start;
  block.content_start = start + BlockStartPattern().pattern.size();
  const size_t close = BmFind(BlockEndPattern(), text, block.content_start);
  if (close == std::string_view::npos) return std::nullopt;
  block.content_end = close;
  block.end = close + 3;
  return block;
}

std::string OptionsText(std::string_view text) {
  const auto block = FindOptionsBlock(text);
  if (!block) return std::string();
  std::string options = "\r\n";
  options.append(text.substr(block->content_start, block->content_end - block->content_start));
  return options;
}

bool HasOptionLine(std::string_view options_text, std::string_view key) {
  return FindAfterLineBreak(options_text, std::string(key) + "=") != std::string_view::npos;
}

std::optional<std::string> PickOptionValue(std::string_view options_text, std::string_view key) {
  const size_t begin = FindAfterLineBreak(options_text, std::string(key) + "=");
  if (begin == std::string_view::npos) return std::nullopt;
  size_t end = begin;
  while (end < options_text.size() && !IsLineBreak(options_text[end])) ++end;
  return std::string(options_text.substr(begin, end - begin));
}

std::optional<std::string> BuildOptionValue(std::string_view options_text, std::string_view key,
                                            const TPathMacroFolders& folders) {
  return TOptionLines(options_text, folders).Find(key);
}

// ---- value helpers

std::string ExpandThumbSpecs(std::string_view value, std::string_view prefix) {
  static const std::string_view kMacro = "{THUMBSPECS}";
  const std::ptrdiff_t pos = BmSearchUpper(kMacro, value, 1);
  if (pos <= 0) return std::string(value);
  std::string replacement;
  if (prefix.empty()) {
    replacement.clear();
  } else if (prefix.size() > 1 && (prefix[0] == '-' || prefix[0] == '.' || prefix[0] == '_')) {
    replacement = "*" + std::string(prefix) + ".*";
  } else {
    replacement = std::string(prefix) + "*.*";
  }
  std::string result(value);
  result.replace(static_cast<size_t>(pos - 1), kMacro.size(), replacement);
  return result;
}

std::optional<int> OptionInteger(std::string_view value) {
  std::string text = Trim(value);
  std::string_view digits = text;
  if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
  if (digits.empty() || (digits.size() < text.size() && (digits[0] < '0' || digits[0] > '9'))) {
    return std::nullopt;
  }
  int n = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return n;
}

std::pair<int, int> ParseMaxSize(std::string_view value, int default_width) {
  const size_t x = value.find_first_of("xX");
  const std::optional<int> w = OptionInteger(value.substr(0, x));
  const int width = w && *w >= 0 ? *w : default_width;
  if (x == std::string_view::npos) return {width, width};
  const std::optional<int> h = OptionInteger(value.substr(x + 1));
  return {width, h && *h >= 0 ? *h : width};
}

std::vector<std::string> BuildPageNames(std::string_view value, size_t insert_pos,
                                        const std::vector<TPictureItem>& pictures,
                                        const std::string& output_folder,
                                        const std::string& page_ext, bool lowercase_urls) {
  std::vector<std::string> names;
  std::unordered_set<std::string> taken;   // names given, in the form compared
  std::map<std::string, int> next_number;  // per unnumbered name: the counter to try first
  insert_pos = std::min(insert_pos, value.size());
  auto key_of = [&](const std::string& name) { return lowercase_urls ? FoldCase(name) : name; };
  for (const TPictureItem& picture : pictures) {
    if (!picture.Included()) continue;
    std::string name(value.substr(0, insert_pos));
    name += picture.fldFileName;
    name += value.substr(insert_pos);
    // A picture name is never a numbering pattern, so the name is joined to
    // the output folder directly.
    std::string path =
        IsAbsolutePath(name) ? AbsolutePath(name) : AbsolutePath(name, output_folder);
    const std::string ext = FileExt(path);
    if (ext.empty() || !IsHtmlFileExt(ext)) {
      if (path.empty() || path.back() != '.') path += '.';
      path += page_ext;
    }
    // Lower-case URLs change the page's own name, never the folders above it:
    // on Linux those are case-sensitive and already exist as they are.
    if (lowercase_urls) path = FolderPart(path) + FoldCase(NamePart(path));
    std::string candidate = path;
    if (taken.contains(key_of(candidate))) {
      const size_t name_start = path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1;
      size_t dot = path.rfind('.');
      if (dot == std::string::npos || dot < name_start) dot = path.size();
      int& n = next_number.try_emplace(key_of(path), 2).first->second;
      do {
        candidate = path.substr(0, dot) + fmt::format("{:02d}", n) + path.substr(dot);
        ++n;
      } while (taken.contains(key_of(candidate)));
    }
    taken.insert(key_of(candidate));
    names.push_back(std::move(candidate));
  }
  return names;
}

// ---- picking a template

void LoadTemplateOptions(std::string_view template_text, bool apply_page_look,
                         TAlbumOptionsContext& context) {
  TWindowState& window = context.window;
  TAlbumOptionsWindow& host = context.host;
  window.TemplateOptionsText.clear();
  window.TemplateInfo.clear();
  window.ThumbPrefix.clear();
  ApplyIgnoreFields(window, "");
  window.OptionsLoadedAt = std::chrono::system_clock::now();

  if (!FindOptionsBlock(template_text)) return;
  std::string options = OptionsText(template_text);
  if (context.complete_fields) context.complete_fields(options);
  window.TemplateOptionsText = options;

  auto value = [&](std::string_view key) { return PickOptionValue(options, key); };
  auto with_macros = [&](std::string_view key) -> std::optional<std::string> {
    auto v = value(key);
    if (v) v = ExpandPathMacros(*v, context.folders);
    return v;
  };

  // Upload settings.
  if (FindAfterLineBreak(options, "ftp_") != std::string_view::npos) {
    window.cmbProfileName.clear();
    window.cmbProfileNameIndex = -1;
    if (auto v = with_macros("ftp_host")) window.edtHostName = *v;
    if (auto v = value("ftp_userid")) window.edtUserId = *v;
    if (auto v = value("ftp_password")) window.edtPassword = *v;
    if (auto v = with_macros("ftp_htmldir")) window.edtHtmlFolder = *v;
    if (auto v = with_macros("ftp_imagedir")) window.edtMediaFolder = *v;
  }

  // Picture selection.
  const std::string subfolders = value("includesubfolders").value_or("");
  if (!subfolders.empty()) window.cbxIncludeSubFolders = TextToBool(subfolders, true);
  const std::string folder = with_macros("folder").value_or("");
  if (!folder.empty()) UntickPickManually(context);
  bool rebuild = ApplyFolderAndFilter(context, folder, std::string(), !subfolders.empty());
  if (!window.cbxPickManually) {
    window.ThumbPrefix = value("thumbprefix").value_or("tn_");
    const std::string include = ExpandThumbSpecs(value("include").value_or(""), window.ThumbPrefix);
    if (ApplyFolderAndFilter(context, std::string(), include, true)) rebuild = true;
    if (rebuild) host.RefreshPictureList(window.vclShellTree, window.cmbFileFilters);
    std::string exclude = ExpandThumbSpecs(value("exclude").value_or(""), window.ThumbPrefix);
    if (context.SettingsLoading && exclude.empty()) exclude = window.edtExclusionFilters;
    if (!exclude.empty()) {
      window.edtExclusionFilters = exclude;
      host.ApplyExclusionFilters(exclude, false);
    }
    const std::string sort = value("sort").value_or("");
    if (!sort.empty()) host.SelectSortEntry(sort);
  }

  // Album file name.
  std::string output_name = with_macros("outputname").value_or("");
  if (output_name.find('/') != std::string::npos) {
    if (window.edtOutputDir.empty())
      window.edtOutputDir = ExcludeTrailingSlash(FolderPart(output_name));
    output_name = NamePart(output_name);
  }
  if (!output_name.empty()) window.edtOutputName = output_name;

  // Pictures per page: loading album settings keeps a filled box.
  if (!(context.SettingsLoading && !window.edtMaxImages.empty())) {
    ApplyPicsPerPage(window, value("picsperpage").value_or(window.edtMaxImages), true);
  }

  if (apply_page_look) {
    if (auto v = value("backimage")) host.SelectBackgroundImage(*v);
    SetColor(window.btnBackgroundColor, value("backcolor"));
    SetColor(window.btnTextColor, value("textcolor"));
    SetColor(window.btnLinkColor, value("linkcolor"));
    SetColor(window.btnVLinkColor, value("vlinkcolor"));
  }

  window.TemplateInfo =
      ReplaceAll(ReplaceAll(value("info").value_or(""), "^P", "\r\n"), "^p", "\r\n");
  ApplyIgnoreFields(window, value("ignorefields").value_or(""));
  if (TextToBool(value("autoshowinfo").value_or(""), true))
    host.ShowTemplateInfo(window.TemplateInfo);
}

// ---- build time

void TAlbumOptionsBuild::Clear() {
  FtpInfos.clear();
  PageNames.reset();
  ChainTemplates.clear();
  MergeName.clear();
  QualityOrSharpnessSet = false;
  ImageConverterChanged = false;
}

TTemplateOptions ApplyAlbumOptions(std::string_view template_text, const TApplyOptionsInput& input,
                                   TAlbumOptionsBuild& build, TAlbumOptionsContext& context) {
  TWindowState& window = context.window;
  TAlbumOptionsWindow& host = context.host;
  TTemplateOptions result;
  // The merge name belongs to one template: a chained template without
  // options must not inherit its parent's.
  build.MergeName.clear();

  const auto block = FindOptionsBlock(template_text);
  if (!block) {
    result.Text = std::string(template_text);
    return result;
  }
  const std::string options =
      input.OptionsFromWindow ? window.TemplateOptionsText : OptionsText(template_text);
  result.Text = std::string(template_text.substr(0, block->start));
  result.Text.append(template_text.substr(SkipOneLineBreak(template_text, block->end)));

  const TOptionLines opts(options, context.folders);
  const bool has_pics_line = HasOptionLine(options, "picsperpage");

  // FTP record.
  TFtpInfoRec rec = build.FtpInfos.empty() ? TFtpInfoRec{} : build.FtpInfos.back().Info;
  rec.AutoConnect = TextToBool(opts.Get("ftp_autoconnect"), true);
  rec.PassiveMode = TextToBool(opts.Get("ftp_passivemode"), false);
  struct TFtpKey {
    const char* key;
    std::string TFtpInfoRec::*field;
    std::string TWindowState::*box;
  };
  static const TFtpKey kFtpKeys[] = {
      {"ftp_host", &TFtpInfoRec::Host, &TWindowState::edtHostName},
      {"ftp_userid", &TFtpInfoRec::UserId, &TWindowState::edtUserId},
      {"ftp_password", &TFtpInfoRec::Password, &TWindowState::edtPassword},
      {"ftp_htmldir", &TFtpInfoRec::HtmlDir, &TWindowState::edtHtmlFolder},
      {"ftp_imagedir", &TFtpInfoRec::ImageDir, &TWindowState::edtMediaFolder},
  };
  bool any_ftp_value = false;
  for (const TFtpKey& k : kFtpKeys) {
    if (auto v = opts.Find(k.key)) {
      rec.*k.field = *v;
      if (!v->empty()) any_ftp_value = true;
    }
  }
  if (any_ftp_value) {
    if (input.OptionsFromWindow) {
      rec.PassiveMode = window.cbxPassiveMode;
      for (const TFtpKey& k : kFtpKeys) rec.*k.field = window.*k.box;
    } else {
      window.cmbProfileName.clear();
      window.cmbProfileNameIndex = -1;
      window.cbxPassiveMode = rec.PassiveMode;
      for (const TFtpKey& k : kFtpKeys) {
        if (!(rec.*k.field).empty()) window.*k.box = rec.*k.field;
      }
    }
  }
  build.FtpInfos.push_back(TFtpInfoObj{rec});

  // Chained and merged templates, named texts.
  if (std::string chain = opts.Get("templatebuild"); !chain.empty()) build.ChainTemplates = chain;
  build.MergeName = opts.Get("merge");
  if (const std::string variables = opts.Get("variables");
      !variables.empty() && build.NamedTexts != nullptr) {
    std::vector<std::string_view> definitions;
    std::string_view rest = variables;
    if (rest[0] != '{') {
      definitions.push_back(rest);
    } else {
      while (true) {
        const size_t open = rest.find('{');
        if (open == std::string_view::npos) break;
        const size_t close = rest.find('}', open + 1);
        if (close == std::string_view::npos) break;
        definitions.push_back(rest.substr(open + 1, close - open - 1));
        rest.remove_prefix(close + 1);
      }
    }
    for (std::string_view definition : definitions) {
      const size_t colon = definition.find(':');
      if (colon == std::string_view::npos) continue;
      std::string name = Trim(definition.substr(0, colon));
      std::string text = Trim(definition.substr(colon + 1));
      if (!name.empty() && !text.empty()) build.NamedTexts->Add(std::move(name), std::move(text));
    }
  }

  // Picture selection, unless the window's own values (from the pick) count.
  if (!input.OptionsFromWindow) {
    const std::string subfolders = opts.Get("includesubfolders");
    if (!subfolders.empty()) window.cbxIncludeSubFolders = TextToBool(subfolders, true);
    const std::string folder = opts.Get("folder");
    if (!folder.empty()) UntickPickManually(context);
    window.ThumbPrefix = opts.Get("thumbprefix");
    if (!window.cbxPickManually) {
      const std::string include = ExpandThumbSpecs(opts.Get("include"), window.ThumbPrefix);
      bool rebuild = ApplyFolderAndFilter(context, folder, std::string(), !subfolders.empty());
      if (ApplyFolderAndFilter(context, std::string(), include, true)) rebuild = true;
      if (rebuild) host.RefreshPictureList(window.vclShellTree, window.cmbFileFilters);
    }
    const std::string exclude = ExpandThumbSpecs(opts.Get("exclude"), window.ThumbPrefix);
    if (!exclude.empty()) {
      window.edtExclusionFilters = exclude;
      host.ApplyExclusionFilters(exclude, true);
    }
    if (const std::string sort = opts.Get("sort"); !sort.empty()) host.SelectSortEntry(sort);
    ApplyPicsPerPage(window, opts.Get("picsperpage"), has_pics_line);
  }

  // Thumbnails.
  if (TJwImageConv* thumbs = build.ThumbConverter) {
    if (!window.ThumbPrefix.empty()) thumbs->SubName = window.ThumbPrefix;
    if (const std::string size = opts.Get("thumbmaxsize"); !size.empty()) {
      std::tie(thumbs->MaxWidth, thumbs->MaxHeight) = ParseMaxSize(size, 150);
      thumbs->Overwrite = true;
    }
    if (const std::string v = opts.Get("thumbsharpness"); !v.empty()) {
      thumbs->SetImageSharpness(OptionInteger(v).value_or(0));
      thumbs->Overwrite = true;
    }
    if (const std::string v = opts.Get("thumbquality"); !v.empty()) {
      thumbs->SetJpgQuality(OptionInteger(v).value_or(80));
      thumbs->Overwrite = true;
    }
    if (const std::string v = opts.Get("thumboverwrite"); !v.empty()) {
      thumbs->Overwrite = TextToBool(v, thumbs->Overwrite);
      result.ThumbOverwriteGiven = true;
    }
  } else if (!opts.Get("thumboverwrite").empty()) {
    result.ThumbOverwriteGiven = true;
  }

  // Processed pictures.
  if (TJwImageConv* images = build.ImageConverter) {
    const std::string old_prefix = images->SubName;
    const int old_width = images->MaxWidth, old_height = images->MaxHeight;
    const int old_sharpness = images->ImageSharpness(), old_quality = images->JpgQuality();
    if (const std::string v = opts.Get("imageprefix"); !v.empty()) images->SubName = v;
    if (const std::string size = opts.Get("imagemaxsize"); !size.empty()) {
      std::tie(images->MaxWidth, images->MaxHeight) = ParseMaxSize(size, 600);
      images->Overwrite = true;
    }
    if (const std::string v = opts.Get("imagesharpness"); !v.empty()) {
      images->SetImageSharpness(OptionInteger(v).value_or(0));
      images->Overwrite = true;
      build.QualityOrSharpnessSet = true;
    }
    if (const std::string v = opts.Get("imagequality"); !v.empty()) {
      images->SetJpgQuality(OptionInteger(v).value_or(80));
      images->Overwrite = true;
      build.QualityOrSharpnessSet = true;
    }
    if (const std::string v = opts.Get("imageoverwrite"); !v.empty()) {
      images->Overwrite = TextToBool(v, images->Overwrite);
    }
    if (images->SubName != old_prefix || images->MaxWidth != old_width ||
        images->MaxHeight != old_height || images->ImageSharpness() != old_sharpness ||
        images->JpgQuality() != old_quality) {
      build.ImageConverterChanged = true;
    }
  } else if (!opts.Get("imagesharpness").empty() || !opts.Get("imagequality").empty()) {
    build.QualityOrSharpnessSet = true;
  }

  // Iteration and contents page.
  if (const std::string v = opts.Get("iterategrid"); !v.empty())
    result.IterateGrid = TextToBool(v, false);
  if (const std::string v = opts.Get("iscontentspage"); !v.empty()) {
    result.IsContentsPage = TextToBool(v, true);
  }

  // Output name.
  if (std::string value = opts.Get("outputname"); !value.empty()) {
    if (!input.SubBuild && value.find('/') != std::string::npos && !window.edtOutputDir.empty()) {
      value = NamePart(value);
    }
    size_t image_pos = std::string::npos;
    if (ContainsNoCase(value, "{albumname}")) {
      value = window.cbxLowercaseURLs ? FoldCase(window.edtOutputName) : window.edtOutputName;
    } else if (!build.PageNames) {
      const std::ptrdiff_t w = BmSearch("{imagename}", value, 1, true, false);
      if (w > 0) image_pos = static_cast<size_t>(w - 1);
    }
    if (image_pos == std::string::npos) {
      if (!value.empty()) {
        result.OutputName = ResolveSettingsPath(value, input.OutputFolder, input.PageExt, false);
      }
    } else {
      value.erase(image_pos, 11);
      static const std::vector<TPictureItem> kNoPictures;
      build.PageNames =
          BuildPageNames(value, image_pos, input.Pictures ? *input.Pictures : kNoPictures,
                         input.OutputFolder, input.PageExt, window.cbxLowercaseURLs);
      if (!build.PageNames->empty()) {
        result.OutputName = build.PageNames->front();
        window.edtMaxImages = "1";
      }
    }
    if (result.OutputName.empty()) {
      result.OutputName = NamePart(input.TemplatePath);
      if (!result.OutputName.empty() && result.OutputName[0] == '_') result.OutputName.erase(0, 1);
    }
    result.NoOutputName = result.OutputName.empty();
  }
  return result;
}

}  // namespace pictavo
