#include "imaging/image_obj.h"

#include <cstdlib>

#include "platform/case_fold.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/user_interface.h"

namespace pictavo {
namespace {

// Types the preview can show: only these are converted without force.
constexpr char kPreviewExtensions[] =
    ";jpg;jpeg;jpe;jps;tif;tiff;fax;png;bmp;pcx;emf;wmf;dib;rle;tga;icb;pix;vda;vst;win;targa;"
    "pbm;pgm;ppm;ico;cur;wbmp;";
constexpr char kJpegExtensions[] = ";jpg;jpeg;jpe;jps;";

bool InList(const char* list, const std::string& ext) {
  return !ext.empty() && std::string(list).find(";" + ext + ";") != std::string::npos;
}

// A whole number, or nullopt when the text is not one.
std::optional<int> ParseNumber(std::string_view text) {
  std::string s(text);
  size_t a = s.find_first_not_of(" \t");
  size_t b = s.find_last_not_of(" \t");
  if (a == std::string::npos) return std::nullopt;
  s = s.substr(a, b - a + 1);
  char* end = nullptr;
  long value = std::strtol(s.c_str(), &end, 10);
  if (end == s.c_str() || *end != '\0' || value < -1000000000L || value > 1000000000L) {
    return std::nullopt;
  }
  return static_cast<int>(value);
}

bool OptionTrue(const std::string& text) {
  std::string t = LowerAscii(text);
  return t == "1" || t == "true" || t == "yes" || t == "on" || t == "y";
}

// The picture at path needs its pixels turned (EXIF orientation 2 to 8).
bool NeedsTurning(const std::string& path) {
  if (ImageTypeFromExt(path) != iftJpeg) return false;
  return ReadExifFile(path).orientation != 1;
}

}  // namespace

std::string TImageObj::PreparedFile(const TJwImageConv& converter, const std::string& source) {
  if (converter.SubName.empty()) return source;
  return FolderPart(source) + NamePart(converter.DestinationName(source, 0, false));
}

TImageObj::TImageObj(const std::string& source, TJwImageConv& converter, bool process, bool force,
                     bool copy, bool overwrite, bool lower_case, TUserInterface* ui)
    : TImageObj(source, converter, TImageSwitches{process, force, copy, overwrite, lower_case},
                ui) {}

TImageObj::TImageObj(const std::string& source, TJwImageConv& converter,
                     const TImageSwitches& switches, TUserInterface* ui)
    : TImageObj(TDeferred{}, source, converter, switches, ui) {
  if (convert_) {
    BeginConvert();
    EndConvert(converter_->ConvertFile(source_, 0));
  }
  Finish();
}

TImageObj::TImageObj(TDeferred, const std::string& source, TJwImageConv& converter,
                     const TImageSwitches& switches, TUserInterface* ui)
    : source_(source), converter_(&converter), switches_(switches), ui_(ui) {
  std::string prepared = PreparedFile(converter, source);
  bool prepared_exists = prepared != source && FileExists(prepared);
  prepared_ = prepared_exists ? prepared : source;

  // 1. Nothing next to the source to link to: copy this one.
  if (!switches_.copy && !converter.SubName.empty() && !prepared_exists && !FileExists(source)) {
    switches_.copy = true;
  }

  // 2. Convert or not.
  std::string ext = FileExtLower(source);
  if (!switches_.process) {
    convert_ = false;
  } else if (switches_.force) {
    convert_ = true;
  } else if (!InList(kPreviewExtensions, ext)) {
    convert_ = false;  // GIF, JPEG 2000 and the unknown stay as they are
  } else if (!InList(kJpegExtensions, ext)) {
    convert_ = true;
  } else {
    TImageInfo info;
    try {
      GetImageInfo(prepared_, info);
    } catch (const EPictavo&) {
      info.valid = false;
    }
    if (info.valid) {
      int w = info.width, h = info.height;
      convert_ = FitImageSize(w, h, converter.ResizeMode, converter.MaxWidth, converter.MaxHeight);
      // A JPEG whose EXIF says it must be turned is never linked or copied as
      // it stands while pictures are processed.
      if (!convert_ && NeedsTurning(prepared_)) convert_ = true;
    }
  }
  // The build never writes over its own source picture.
  if (convert_ && EqualsNoCase(converter.DestinationName(source, 0, true), source)) {
    convert_ = false;
  }
}

void TImageObj::BeginConvert() {
  converter_->Overwrite = switches_.overwrite;
  converter_->LowercaseName = switches_.lower_case;
  if (ui_) ui_->ShowStatus("Processing \"" + NamePart(source_) + "\" ...");
}

void TImageObj::EndConvert(const std::string& result) {
  image_path_ = result;
  converted_ = !result.empty();
  if (ui_) ui_->ShowStatus("\"" + NamePart(image_path_) + "\" created");
}

void TImageObj::Finish() {
  if (!convert_ && switches_.copy) {
    const std::string& file = prepared_;
    std::string folder = DestinationFolder(converter_->NamingOptions(), source_);
    std::string name = NamePart(file);
    if (switches_.lower_case) name = FoldCase(name);
    std::string target = JoinPath(folder, name);
    if (switches_.overwrite || !FileExists(target)) {
      bool same_folder = ExcludeTrailingSlash(AbsolutePath(FolderPart(file))) ==
                         ExcludeTrailingSlash(AbsolutePath(folder));
      image_path_.clear();
      if (!same_folder && FileExists(file)) {
        try {
          ForceFolders(folder);
          CopyFileAtomic(file, target);
          image_path_ = target;
        } catch (const EPictavo&) {
          image_path_.clear();
        }
      }
    } else {
      image_path_ = target;
    }
  }
  if (image_path_.empty()) image_path_ = prepared_;
  Measure();
}

void TImageObj::Measure() {
  std::optional<TFileStat> st = StatPath(image_path_);
  if (!st) return;
  file_date_ = st->mtime;
  file_date_nsec_ = st->mtime_nsec;
  TImageInfo info;
  try {
    GetImageInfo(image_path_, info);
  } catch (const EPictavo&) {
    info = TImageInfo{};
    info.file_size = st->size;
  }
  width_ = info.width;
  height_ = info.height;
  file_size_ = info.file_size;
}

void TImageObj::Refresh() {
  std::optional<TFileStat> st = StatPath(image_path_);
  std::time_t date = st ? st->mtime : 0;
  int64_t nsec = st ? st->mtime_nsec : 0;
  if (date == file_date_ && nsec == file_date_nsec_) return;
  file_date_ = date;
  file_date_nsec_ = nsec;
  if (!st) {
    width_ = height_ = 0;
    file_size_ = -1;
    return;
  }
  Measure();
}

std::pair<std::unique_ptr<TImageObj>, std::unique_ptr<TImageObj>> TImageObj::MakePair(
    const std::string& source, TJwImageConv& picture_converter,
    const TImageSwitches& picture_switches, TJwImageConv& thumbnail_converter,
    const TImageSwitches& thumbnail_switches, TUserInterface* ui) {
  std::unique_ptr<TImageObj> picture(
      new TImageObj(TDeferred{}, source, picture_converter, picture_switches, ui));
  std::unique_ptr<TImageObj> thumbnail(
      new TImageObj(TDeferred{}, source, thumbnail_converter, thumbnail_switches, ui));
  if (picture->convert_ && thumbnail->convert_ && &picture_converter != &thumbnail_converter) {
    picture->BeginConvert();
    thumbnail->BeginConvert();
    auto [a, b] = ConvertPair(source, picture_converter, thumbnail_converter);
    picture->EndConvert(a);
    thumbnail->EndConvert(b);
  } else {
    for (TImageObj* obj : {picture.get(), thumbnail.get()}) {
      if (!obj->convert_) continue;
      obj->BeginConvert();
      obj->EndConvert(obj->converter_->ConvertFile(source, 0));
    }
  }
  picture->Finish();
  thumbnail->Finish();
  return {std::move(picture), std::move(thumbnail)};
}

// ---- build set-up

void ParseSizeOption(const std::string& text, int default_width, int& width, int& height) {
  size_t x = text.find_first_of("xX");
  std::string before = x == std::string::npos ? text : text.substr(0, x);
  std::string after = x == std::string::npos ? std::string() : text.substr(x + 1);
  width = ParseNumber(before).value_or(default_width);
  height = ParseNumber(after).value_or(width);
}

TBuildImageSetup SetupBuildConverters(const TBuildImageOptions& options,
                                      const TAlbumImageOptions& album,
                                      const std::string& output_folder, TJwImageConv& picture,
                                      TJwImageConv& thumbnail) {
  TBuildImageSetup setup;
  bool copy = options.CopyImages;
  bool process = options.AutomaticResize;
  std::string image_folder;
  if (copy) {
    image_folder = options.ImageFolder.empty()
                       ? IncludeTrailingSlash(output_folder)
                       : IncludeTrailingSlash(AbsolutePath(options.ImageFolder, output_folder));
    if (!ForceFolders(image_folder) || !CanCreateFileIn(image_folder)) {
      copy = false;
      process = false;
      image_folder.clear();
    }
  }
  setup.image_folder = image_folder;

  // The picture converter.
  picture.OutputFormat = kOutputJpeg;
  picture.SmartResample = true;
  picture.SubName = album.imageprefix.value_or("");
  picture.ResizeMode = scReduce;
  picture.MaxWidth = ParseNumber(options.ImageMaxWidth).value_or(0);
  picture.MaxHeight = ParseNumber(options.ImageMaxHeight).value_or(0);
  if (album.imagemaxsize)
    ParseSizeOption(*album.imagemaxsize, 600, picture.MaxWidth, picture.MaxHeight);
  picture.SetJpgQuality(80);
  if (album.imagequality) picture.SetJpgQuality(ParseNumber(*album.imagequality).value_or(80));
  picture.SetImageSharpness(0);
  if (album.imagesharpness)
    picture.SetImageSharpness(ParseNumber(*album.imagesharpness).value_or(0));
  picture.Overwrite = true;
  if (album.imageoverwrite) picture.Overwrite = OptionTrue(*album.imageoverwrite);
  picture.SetDestFolder(copy ? image_folder : std::string());

  // The thumbnail converter.
  thumbnail.OutputFormat = kOutputJpeg;
  thumbnail.SmartResample = true;
  thumbnail.SubName = album.thumbprefix.value_or("tn_");
  thumbnail.AddSubName = adAutoDetect;
  thumbnail.ResizeMode = scBestFit;
  thumbnail.MaxWidth = 150;
  thumbnail.MaxHeight = 150;
  if (album.thumbmaxsize) {
    ParseSizeOption(*album.thumbmaxsize, 150, thumbnail.MaxWidth, thumbnail.MaxHeight);
  }
  thumbnail.SetJpgQuality(80);
  if (album.thumbquality) thumbnail.SetJpgQuality(ParseNumber(*album.thumbquality).value_or(80));
  thumbnail.SetImageSharpness(0);
  if (album.thumbsharpness) {
    thumbnail.SetImageSharpness(ParseNumber(*album.thumbsharpness).value_or(0));
  }
  thumbnail.Overwrite = copy || album.thumbmaxsize || album.thumbsharpness || album.thumbquality;
  if (album.thumboverwrite) thumbnail.Overwrite = OptionTrue(*album.thumboverwrite);
  thumbnail.SetDestFolder(copy ? image_folder : std::string());

  bool force = album.imagesharpness.has_value() || album.imagequality.has_value();
  // The objects' overwrite switch: an album option that sets the converter's
  // flag decides; otherwise the program option, and for thumbnails only where
  // the converter's own rule allows it.
  bool picture_option =
      album.imagemaxsize || album.imagequality || album.imagesharpness || album.imageoverwrite;
  bool thumbnail_option =
      album.thumbmaxsize || album.thumbquality || album.thumbsharpness || album.thumboverwrite;
  bool picture_overwrite =
      picture_option ? picture.Overwrite : (options.OverwriteImages && picture.Overwrite);
  bool thumbnail_overwrite =
      thumbnail_option ? thumbnail.Overwrite : (options.OverwriteImages && thumbnail.Overwrite);
  setup.picture_switches = {process, force, copy, picture_overwrite, options.LowercaseUrls};
  setup.thumbnail_switches = {process, force, copy, thumbnail_overwrite, options.LowercaseUrls};
  return setup;
}

}  // namespace pictavo
