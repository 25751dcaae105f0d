#include "imaging/thumbnails.h"

#include <cmath>

#include "platform/case_fold.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/user_interface.h"
#include "platform/wildcard.h"

namespace pictavo {
namespace {

constexpr char kReadyText[] = "Ready (press F1 for Help)";
constexpr char kOverwriteQuestion[] = "Are you sure you want to overwrite the original pictures?";

constexpr char kAllImageMasks[] =
    "*.jpg;*.jpeg;*.jpe;*.jps;*.jpc;*.j2k;*.jp2;*.png;*.tif;*.tiff;*.fax;*.tga;*.icb;*.pix;*.vda;"
    "*.vst;*.win;*.targa;*.emf;*.wmf;*.bmp;*.dib;*.rle;*.pbm;*.pgm;*.ppm;*.pcx;*.ico;*.cur;*.wbmp";

const char* const kFileMasks[] = {
    kAllImageMasks,
    "*.jpg;*.jpeg;*.jpe;*.jps;*.png",
    "*.jpg;*.jpeg;*.jpe;*.jps;*.jpc;*.j2k;*.jp2",
    "*.pbm;*.pgm;*.ppm",
    "*.png",
    "*.tif;*.tiff;*.fax",
    "*.tga;*.targa;*.vda;*.vst",
    "*.emf",
    "*.wmf",
    "*.bmp;*.dib;*.rle",
    "*.pcx",
};

double RoundToQuarter(double degrees) {
  return std::nearbyint(degrees / 90.0) * 90.0;
}

}  // namespace

void InitThumbnailConverter(TJwImageConv& converter) {
  converter.OutputFormat = kOutputWebOrJpeg;
  converter.AddSubName = adAutoDetect;
  converter.MaxWidth = 150;
  converter.MaxHeight = 150;
  converter.ResizeMode = scReduce;
  converter.SubName = "tn_";
}

void ApplyThumbnailSettings(const TThumbnailSettings& s, TJwImageConv& converter) {
  converter.SetDestFolder(s.SaveFolder);
  converter.SubName = s.ThumbPrefix;
  converter.OutputFormat = s.ConvertPngToJpeg ? kOutputJpeg : kOutputWebOrJpeg;
  if (s.Resize >= scNone && s.Resize <= scFill)
    converter.ResizeMode = static_cast<TResizeMode>(s.Resize);
  if (s.AppendToName >= adAutoDetect && s.AppendToName <= adRename) {
    converter.AddSubName = static_cast<TAddSubName>(s.AppendToName);
  }
  converter.MaxWidth = s.MaxWidth;
  converter.MaxHeight = s.MaxHeight;
  converter.JpgLossless = s.ResizeAlgorithm == kLosslessAlgorithm;
  converter.SmartResample = converter.JpgLossless || s.ResizeAlgorithm < 0;
  if (converter.JpgLossless) {
    converter.ImageResampleFilter = TResampleFilter::Lanczos3;
  } else if (auto filter = ResampleFilterFromIndex(s.ResizeAlgorithm)) {
    converter.ImageResampleFilter = *filter;
  }
  converter.SetJpgQuality(s.JpgQuality);
  converter.SetImageBrightness(s.Brightness);
  converter.SetImageContrast(s.Contrast);
  converter.SetImageSharpness(s.Sharpness);
  converter.SetImageRotate(s.Rotate);
  if (converter.JpgLossless) {
    // The lossless state: nothing but quarter turns.
    converter.ResizeMode = scNone;
    converter.SetJpgQuality(100);
    converter.SetImageBrightness(0);
    converter.SetImageContrast(0);
    converter.SetImageSharpness(0);
    converter.SetImageRotate(RoundToQuarter(converter.ImageRotate()));
  }
}

TThumbnailSettings ThumbnailSettingsOf(const TJwImageConv& c, int filter_index) {
  TThumbnailSettings s;
  s.SaveFolder = c.DestFolder();
  s.ThumbPrefix = c.SubName;
  s.ConvertPngToJpeg = c.OutputFormat == kOutputJpeg;
  s.Resize = c.ResizeMode;
  s.AppendToName = c.AddSubName;
  s.FilterIndex = filter_index;
  s.MaxHeight = c.MaxHeight;
  s.MaxWidth = c.MaxWidth;
  s.ResizeAlgorithm = c.JpgLossless     ? kLosslessAlgorithm
                      : c.SmartResample ? -1
                                        : ResampleFilterIndex(c.ImageResampleFilter);
  s.JpgQuality = c.JpgQuality();
  s.Brightness = c.ImageBrightness();
  s.Contrast = c.ImageContrast();
  s.Sharpness = c.ImageSharpness();
  s.Rotate = c.ImageRotate();
  return s;
}

std::string ThumbnailFileMasks(int filter_index) {
  if (filter_index < 0 || filter_index > 10) filter_index = 0;
  return kFileMasks[filter_index];
}

std::vector<std::string> ListThumbnailFiles(const std::string& folder, int filter_index) {
  std::vector<std::string> masks = SplitMasks(ThumbnailFileMasks(filter_index));
  std::vector<std::string> names;
  for (const TFolderEntry& entry : ReadFolder(folder)) {
    if (entry.is_dir) continue;
    if (!FileExists(JoinPath(folder, entry.name))) continue;
    for (const std::string& mask : masks) {
      if (MatchMask(mask, entry.name)) {
        names.push_back(entry.name);
        break;
      }
    }
  }
  SortNoCase(names);
  return names;
}

std::string ResolveThumbnailFolder(const std::string& save_in, const std::string& look_in) {
  if (save_in.empty()) return {};
  return ExcludeTrailingSlash(AbsolutePath(save_in, look_in));
}

TThumbnailBatchResult MakeThumbnails(TJwImageConv& converter, const std::string& look_in_folder,
                                     const std::vector<std::string>& file_names, TUserInterface& ui,
                                     int ahead) {
  TThumbnailBatchResult result;
  ui.ProcessEvents();

  // The destination of this batch.
  std::string folder = ResolveThumbnailFolder(converter.DestFolder(), look_in_folder);
  if (!folder.empty() && !FolderExists(folder)) {
    if (!ForceFolders(folder)) {
      std::string text = kDestFolderCannotBeCreated;
      text.replace(text.find("%s"), 2, folder);
      ui.ShowError(text);
      result.folder_failed = true;
      return result;
    }
    result.folder_created = true;
  }
  converter.SetResolvedDestFolder(folder);

  ui.ShowStatus("Creating thumbnails..");
  std::vector<std::string> files;
  for (const std::string& name : file_names) files.push_back(JoinPath(look_in_folder, name));
  SortNoCase(files);
  const int n = static_cast<int>(files.size());

  if (n > 0) {
    // Thumbnails written over their originals need a yes. Besides the
    // generator's own rule (no prefix or suffix, no "Save in", JPEG or
    // PNG files), any file that would become its own destination asks too.
    bool ask = false;
    bool named_apart = (converter.AddSubName != adNothing && !converter.SubName.empty()) ||
                       !converter.DestFolder().empty();
    for (int i = 0; i < n && !ask; ++i) {
      std::string ext = FileExtLower(files[i]);
      if (!named_apart &&
          (ext == "jpg" || (ext == "png" && converter.OutputFormat == kOutputWebOrJpeg))) {
        ask = true;
      }
      if (converter.DestinationName(files[i], i + 1, true) == files[i]) ask = true;
    }
    if (ask && ui.Ask(kOverwriteQuestion, false) != TAnswer::Yes) {
      ui.ShowStatus(kReadyText);
      result.cancelled = true;
      return result;
    }
  }

  // Errors of the batch are shown as they come; the batch goes on.
  TJwImageConv::TErrorHandler saved = converter.OnError;
  converter.OnError = [&ui](const std::string& message, bool&) {
    ui.ShowError("Error - " + message);
  };
  converter.ClearStop();
  std::vector<std::string> produced;
  TConvertJob job;
  job.converter = &converter;
  job.produced = n >= 2 ? &produced : nullptr;
  ConvertBatch(
      files, &job, 1, true, ahead,
      [&](size_t i) {
        ui.ShowStatus("(" + std::to_string(i + 1) + "/" + std::to_string(n) + ") Processing " +
                      NamePart(files[i]) + "...");
        ui.ProcessEvents();
        return true;
      },
      [&](size_t, const TConvertJob* done) {
        if (!done[0].result.empty()) ++result.created;
      });
  converter.OnError = saved;

  ui.ShowStatus(kReadyText);
  if (result.created > 0) {
    ui.ShowMessage(std::to_string(result.created) +
                   (result.created == 1 ? " thumbnail created" : " thumbnails created"));
  } else {
    ui.ShowError("No thumbnails created");
  }
  return result;
}

}  // namespace pictavo
