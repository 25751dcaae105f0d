#include "template/template_fields.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "imaging/fit_image_size.h"
#include "imaging/image_conv.h"
#include "imaging/image_obj.h"
#include "imaging/naming.h"
#include "pictures/picture_item.h"
#include "platform/case_fold.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "settings/window_state.h"
#include "template/conditional_fields.h"
#include "template/date_format.h"
#include "template/entities.h"
#include "template/field_ids.h"
#include "template/url_path.h"

namespace pictavo {

namespace {

constexpr char kAppName[] = "Pictavo";
constexpr char kAppVersion[] = "3.5";
constexpr int kDefaultThumbSize = 150;

const TWindowState& WindowOf(const TBuildContext& context) {
  static const TWindowState kDefaults;
  return context.window != nullptr ? *context.window : kDefaults;
}

bool PathExists(const std::string& path) {
  return StatPath(path).has_value();
}

// The number of decimal digits of a count ("%0.Nd" width): 0 counts as one digit.
int DigitCount(int n) {
  int digits = 1;
  for (int v = n < 0 ? -n : n; v >= 10; v /= 10) ++digits;
  return digits;
}

// The integer of a size box; 0 when empty or not a number.
int BoxInteger(const std::string& text) {
  std::string t = text;
  while (!t.empty() && t.back() == ' ') t.pop_back();
  size_t start = t.find_first_not_of(' ');
  if (start == std::string::npos) return 0;
  char* end = nullptr;
  long v = std::strtol(t.c_str() + start, &end, 10);
  if (end == t.c_str() + start || *end != '\0' || v < 0 || v > 1000000000) return 0;
  return static_cast<int>(v);
}

// What the fields read of a picture's file or thumbnail.
struct TImageFacts {
  std::string path;
  int width = 0;
  int height = 0;
  int64_t size = 0;
};

// The image object under key: brought up to date when it exists, else made
// from source with the converter and added. nullptr when none can be made.
TImageObj* ImageObjectFor(TBuildContext& context, const std::string& key, const std::string& source,
                          TJwImageConv* converter, const TImageSwitches& switches) {
  if (context.ImageObjects == nullptr || converter == nullptr || source.empty()) return nullptr;
  auto found = context.ImageObjects->find(key);
  if (found != context.ImageObjects->end() && found->second != nullptr) {
    found->second->Refresh();
    return found->second.get();
  }
  try {
    auto object = std::make_unique<TImageObj>(source, *converter, switches, context.ui);
    TImageObj* result = object.get();
    (*context.ImageObjects)[key] = std::move(object);
    return result;
  } catch (const std::exception&) {
    // A picture that cannot be produced falls back to its own file.
    return nullptr;
  }
}

TImageFacts FactsOf(const TImageObj* object, const TPictureItem& picture,
                    const std::string& fallback_path) {
  TImageFacts facts;
  if (object != nullptr) {
    facts.path = object->ImagePath();
    facts.width = object->Width();
    facts.height = object->Height();
    facts.size = object->FileSize();
  } else {
    facts.path = fallback_path;
    facts.width = picture.fldImageWidth;
    facts.height = picture.fldImageHeight;
    facts.size = 0;
  }
  return facts;
}

// The picture's image file: its image object's output, or the picture's own
// file and recorded size when no object can be made.
TImageFacts PictureImage(const TPictureItem& picture, TBuildContext& context) {
  TImageObj* object = ImageObjectFor(context, picture.fldFullName, picture.fldFullName,
                                     context.ImageConverter, context.picture_switches);
  return FactsOf(object, picture, picture.fldFullName);
}

// The thumbnail file of a picture, keyed by the thumbnail converter's name
// for it (the picture's own path when it gives none).
TImageFacts ThumbImage(const TPictureItem& picture, TBuildContext& context) {
  std::string key;
  if (context.ThumbConverter != nullptr) {
    // Named as the object's conversion will name it, whatever lower-case
    // setting the converter was left with.
    TNamingOptions naming = context.ThumbConverter->NamingOptions();
    naming.lowercase_name = context.thumbnail_switches.lower_case;
    key = DestinationName(naming, picture.fldFullName, 0, true);
  }
  if (key.empty()) key = picture.fldFullName;
  TImageObj* object = ImageObjectFor(context, key, picture.fldFullName, context.ThumbConverter,
                                     context.thumbnail_switches);
  return FactsOf(object, picture, picture.fldFullName);
}

// The picture converter's destination folder, absolute; "" when pictures
// stay where they are.
std::string ImageFolderOfBuild(const TBuildContext& context) {
  if (context.ImageConverter == nullptr) return {};
  std::string folder = context.ImageConverter->ResolvedDestFolder();
  if (folder.empty()) folder = context.ImageConverter->DestFolder();
  if (folder.empty()) return {};
  if (!IsAbsolutePath(folder)) {
    if (context.AlbumFolder.empty()) return {};
    folder = AbsolutePath(folder, context.AlbumFolder);
  }
  return folder;
}

// The background image's file: copied into the image folder when pictures
// are copied there (again each time while overwriting is on); the source
// when the copy fails.
std::string BackImagePath(const TBuildContext& context) {
  const TWindowState& window = WindowOf(context);
  if (window.cmbBackgroundImage.empty()) return {};
  std::string source = IsAbsolutePath(window.cmbBackgroundImage)
                           ? window.cmbBackgroundImage
                           : JoinPath(context.BackgroundsFolder, window.cmbBackgroundImage);
  std::string folder = context.picture_switches.copy ? ImageFolderOfBuild(context) : std::string();
  if (folder.empty()) return source;
  std::string name = NamePart(source);
  if (window.cbxLowercaseURLs) name = FoldCase(name);
  std::string target = JoinPath(folder, name);
  if (target == source) return source;
  if (context.picture_switches.overwrite || !FileExists(target)) {
    if (!FileExists(source)) return source;
    try {
      CopyFileAtomic(source, target);
    } catch (const EPictavo&) {
      return source;
    }
  }
  return target;
}

// The picture's page name when per-picture page names are not in use: its
// name with the last "." part replaced by the page extension.
std::string OwnPageName(const TPictureItem& picture, const std::string& page_ext) {
  std::string name = picture.fldFileName;
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name + "." + page_ext;
}

std::string PageNameOf(const TFileMergeInfo& info, const TBuildContext& context, int n) {
  if (context.PageFileName == nullptr) return {};
  return FieldUrl(context.PageFileName(info, n, false, true, false), context);
}

// The display size for an IMG tag: the size scaled down into the maximum
// image width and height (rounded towards zero, at least 1).
void TagSize(int w, int h, const TWindowState& window, int& tag_w, int& tag_h) {
  int max_w = BoxInteger(window.edtImageMaxWidth);
  int max_h = BoxInteger(window.edtImageMaxHeight);
  tag_w = w;
  tag_h = h;
  if (max_w == 0 && max_h == 0) return;
  // The factor as a fraction num / den, so that the side it comes from
  // gets the maximum exactly.
  int64_t num = 0, den = 0;
  if (max_w > 0 && w > max_w) {
    num = max_w;
    den = w;
  }
  if (max_h > 0 && h > max_h && (den == 0 || static_cast<int64_t>(max_h) * den < num * h)) {
    num = max_h;
    den = h;
  }
  if (den != 0) {
    tag_w = static_cast<int>(static_cast<int64_t>(w) * num / den);
    tag_h = static_cast<int>(static_cast<int64_t>(h) * num / den);
  }
  tag_w = std::max(tag_w, 1);
  tag_h = std::max(tag_h, 1);
}

// The picture's description parts (step "descriptions"): the whole text, the
// part after the first "::" and the part before it.
enum class TDescriptionPart { Whole, Info, Title };

std::string DescriptionPart(const TPictureItem& picture, const TWindowState& window,
                            TDescriptionPart part) {
  if (picture.fldDescription.empty()) {
    if (part == TDescriptionPart::Title || !window.cbxImageNameIfNoInfo) return {};
    return EncodeHtmlEntities(picture.fldFileName, true, window.cbxUseEntities);
  }
  std::string text = EncodeHtmlEntities(picture.fldDescription, false, window.cbxUseEntities);
  if (part == TDescriptionPart::Whole) return text;
  size_t sep = text.find("::");
  if (part == TDescriptionPart::Info) return sep == std::string::npos ? text : text.substr(sep + 2);
  return sep == std::string::npos ? std::string() : text.substr(0, sep);
}

// Fields that yield the empty text when there is no picture.
bool NeedsPicture(int id) {
  return (id >= fidFileUrl && id <= fidFileDosName) || id == fidImageName ||
         (id >= fidImageDate && id <= fidItemInfo) ||
         (id >= fidImageInfo && id <= fidThumbHeight) ||
         (id >= fidIsImageFile && id <= fidIsPortrait);
}

std::string ImageFolderValue(const TPictureItem* picture, const TBuildContext& context) {
  const TWindowState& window = WindowOf(context);
  std::string folder;
  if (!window.cbxPickManually) {
    folder = picture != nullptr && window.cbxIncludeSubFolders ? picture->fldPathName
                                                               : window.vclShellTree;
  } else if (picture != nullptr) {
    folder = picture->fldPathName;
  }
  if (folder.size() > 1) folder = ExcludeTrailingSlash(folder);
  return FieldUrl(folder, context);
}

}  // namespace

std::string FieldUrl(const std::string& path, const TBuildContext& context,
                     const std::string& check_folder) {
  if (path.empty()) return {};
  const TWindowState& window = WindowOf(context);
  std::string written = path;  // the path the URL will name
  std::string full;            // that path in absolute form, for the case test
  if (IsAbsolutePath(path)) {
    full = path;
    if (window.cbxRelativePaths && !context.AlbumFolder.empty())
      written = RelativePath(context.AlbumFolder, path);
  } else if (!check_folder.empty() && path.find('/') == std::string::npos) {
    full = JoinPath(check_folder, path);
  }
  std::string url = PathToUrl(written);
  if (!window.cbxLowercaseURLs) return url;
  // Lower-casing must not send the link to a file that does not exist while
  // the file as written does.
  if (!full.empty()) {
    std::string lowered_full =
        IsAbsolutePath(written)
            ? LowerAscii(full)
            : AbsolutePath(LowerAscii(written),
                           IsAbsolutePath(path) ? context.AlbumFolder : check_folder);
    if (lowered_full != AbsolutePath(full) && PathExists(full) && !PathExists(lowered_full))
      return url;
  }
  return LowerAscii(url);
}

std::string CharSetName(const std::string& box_text) {
  static const char* const kItems[] = {"[Omit]",
                                       "Default encoding",
                                       "Latin 1 (Western/West European)",
                                       "Latin 2 (Central and East European)",
                                       "Latin 3 (South European, Maltese and Esperanto)",
                                       "Latin 4 (North European)",
                                       "Latin/Cyrillic (Slavic languages)",
                                       "Latin/Arabic",
                                       "Latin/Greek (modern Greek)",
                                       "Latin/Hebrew (Hebrew and Yiddish)",
                                       "Latin 5 (Turkish)",
                                       "Latin 6 (Nordic: S\u00e1mi, Inuit, Icelandic)",
                                       "Latin/Thai",
                                       "Latin 7 (Baltic Rim)",
                                       "Latin 8 (Celtic)",
                                       "Latin 9 (\"Euro\")",
                                       "Japanese (SHIFT_JIS)",
                                       "Japanese (EUC-JP)"};
  static const char* const kNames[] = {"",
                                       "UTF-8",
                                       "ISO-8859-1",
                                       "ISO-8859-2",
                                       "ISO-8859-3",
                                       "ISO-8859-4",
                                       "ISO-8859-5",
                                       "ISO-8859-6",
                                       "ISO-8859-7",
                                       "ISO-8859-8",
                                       "ISO-8859-9",
                                       "ISO-8859-10",
                                       "ISO-8859-11",
                                       "ISO-8859-13",
                                       "ISO-8859-14",
                                       "ISO-8859-15",
                                       "SHIFT_JIS",
                                       "EUC-JP"};
  static_assert(std::size(kItems) == std::size(kNames));
  for (size_t i = 0; i < std::size(kItems); ++i)
    if (EqualsNoCase(box_text, kItems[i])) return kNames[i];
  return box_text;
}

std::string ColorToHtml(uint32_t color) {
  return fmt::format("{:02X}{:02X}{:02X}", color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

std::string EvaluateField(int id, TFileMergeInfo& info, TBuildContext& context) {
  const int field = id < 0 ? -id : id;
  const TWindowState& window = WindowOf(context);
  const bool entities = window.cbxUseEntities;
  const TPictureItem* picture = info.FieldPicture();

  if (IsPredicateField(field)) return PredicateFieldValue(id, info, window.cbxImageNameIfNoInfo);
  if (ConditionalNavigationIsEmpty(id, info)) return {};
  if (picture == nullptr && NeedsPicture(field)) return {};

  switch (field) {
    case fidDefaultExt:
      return context.PageExt;
    case fidFileUrl:
      return FieldUrl(PictureImage(*picture, context).path, context);
    case fidFileName: {
      std::string path = PictureImage(*picture, context).path;
      return FieldUrl(NamePart(path), context, FolderPart(path));
    }
    case fidFileNoExt:
      return window.cbxLowercaseURLs ? LowerAscii(picture->fldFileName) : picture->fldFileName;
    case fidFileDosName:
      return NamePart(PictureImage(*picture, context).path);
    case fidCharSet:
      return CharSetName(window.cmbCharSet);
    case fidBaseUrl:
      if (EqualsNoCase(window.cmbBaseUrl, "[Local]")) return {};
      return window.cbxLowercaseURLs ? LowerAscii(window.cmbBaseUrl) : window.cmbBaseUrl;
    case fidBackImage:
      return FieldUrl(BackImagePath(context), context);
    case fidBackColor:
      return ColorToHtml(window.btnBackgroundColor);
    case fidTextColor:
      return ColorToHtml(window.btnTextColor);
    case fidLinkColor:
      return ColorToHtml(window.btnLinkColor);
    case fidVLinkColor:
      return ColorToHtml(window.btnVLinkColor);
    case fidPageName:
      return PageNameOf(info, context, info.current_page);
    case fidPageNext:
      return PageNameOf(info, context, info.current_page + 1);
    case fidPagePrev:
      return PageNameOf(info, context, info.current_page - 1);
    case fidPageFirst:
      return PageNameOf(info, context, 1);
    case fidPageLast:
      return PageNameOf(info, context, info.page_count);
    case fidPageIndex:
      return std::to_string(info.current_page);
    case fidPageCount:
      return std::to_string(info.page_count);
    case fidPageTitle:
      return EncodeHtmlEntities(window.edtPageTitle, true, entities);
    case fidPageInfo:
      return EncodeHtmlEntities(window.edtPageDescription, false, entities);
    case fidPageKeywords:
      return EncodeHtmlEntities(window.edtKeywords, false, entities);
    case fidPageContents:
      return FieldUrl(context.ContentsPage, context);
    case fidImageFolder:
      return ImageFolderValue(picture, context);
    case fidImageName:
      return EncodeHtmlEntities(picture->fldFileName, true, true);
    case fidImageIndex:
      return fmt::format("{:0{}}", info.running_picture, DigitCount(info.picture_count));
    case fidImageCount:
      return std::to_string(info.picture_count);
    case fidImageDate:
      if (picture->fldFileDate == 0) return {};  // the file is missing
      return FormatDatePattern("yyyy/mm/dd", picture->fldFileDate);
    case fidImageSize:
      return std::to_string(PictureImage(*picture, context).size);
    case fidImageKbSize:
      return std::to_string(std::max<int64_t>(PictureImage(*picture, context).size, 0) / 1024);
    case fidImageWidth:
      return std::to_string(PictureImage(*picture, context).width);
    case fidImageHeight:
      return std::to_string(PictureImage(*picture, context).height);
    case fidImageTagWidth:
    case fidImageTagHeight: {
      TImageFacts image = PictureImage(*picture, context);
      int w = 0, h = 0;
      TagSize(image.width, image.height, window, w, h);
      return std::to_string(field == fidImageTagWidth ? w : h);
    }
    case fidItemInfo:
      return DescriptionPart(*picture, window, TDescriptionPart::Whole);
    case fidImageHtmlName:
      if (!info.page_names.empty())
        return PageNameOf(info, context, std::max(info.running_picture, info.current_page));
      if (picture == nullptr) return {};
      return FieldUrl(OwnPageName(*picture, context.PageExt), context);
    case fidImageInfo:
      return DescriptionPart(*picture, window, TDescriptionPart::Info);
    case fidImageTitle:
      return DescriptionPart(*picture, window, TDescriptionPart::Title);
    case fidThumbUrl:
      return FieldUrl(ThumbImage(*picture, context).path, context);
    case fidThumbWidth:
    case fidThumbHeight: {
      int w = picture->fldImageWidth, h = picture->fldImageHeight;
      int max_w = context.ThumbConverter ? context.ThumbConverter->MaxWidth : kDefaultThumbSize;
      int max_h = context.ThumbConverter ? context.ThumbConverter->MaxHeight : kDefaultThumbSize;
      if (w > 0 && h > 0 && FitImageSize(w, h, scReduce, max_w, max_h)) {
        if (max_w > 0) w = std::clamp(w, 1, max_w);
        if (max_h > 0) h = std::clamp(h, 1, max_h);
      }
      return std::to_string(field == fidThumbWidth ? w : h);
    }
    case fidThumbDefWidth:
      return std::to_string(context.ThumbConverter ? context.ThumbConverter->MaxWidth
                                                   : kDefaultThumbSize);
    case fidThumbDefHeight:
      return std::to_string(context.ThumbConverter ? context.ThumbConverter->MaxHeight
                                                   : kDefaultThumbSize);
    case fidPageImageIndex:
      return std::to_string(info.picture_on_page);
    case fidPageImageCount:
      return std::to_string(info.pictures_per_page);
    case fidAuthorName:
      return EncodeHtmlEntities(window.cmbName, true, entities);
    case fidAuthorEmail:
      return window.cmbEMail;
    case fidAuthorHomepage:
      return window.cbxLowercaseURLs ? LowerAscii(window.cmbHomepage) : window.cmbHomepage;
    case fidAuthorCopyright:
      return EncodeHtmlEntities(window.cmbCopyright, false, entities);
    case fidDateToday:
      return EncodeHtmlEntities(DateToday(window.cmbDateFormat), true, entities);
    case fidAppName:
      return kAppName;
    case fidAppVersion:
      return kAppVersion;
    default:
      // MERGE:, LINK: and the parameterised fields are never simple tokens
      // with a value (their conditional forms are always empty).
      return {};
  }
}

TFieldCallback MakeFieldCallback(TBuildContext& context) {
  return [&context](int id, TFileMergeInfo& info) { return EvaluateField(id, info, context); };
}

}  // namespace pictavo
