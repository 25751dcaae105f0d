#pragma once
// The thumbnail generator's batch: converts the chosen files of one folder
// with the generator's converter, asks before it would overwrite original
// pictures, reports every step in the status bar and ends with the number of
// thumbnails created.
#include <string>
#include <vector>

#include "imaging/image_conv.h"

namespace pictavo {

class TUserInterface;

// The conversion settings of section "Thumbnails" (the dialog's window,
// view and splitter keys are kept by the dialog itself).
struct TThumbnailSettings {
  std::string OpenFolder;
  std::string SaveFolder;           // DestFolder
  std::string ThumbPrefix = "tn_";  // SubName
  bool ConvertPngToJpeg = false;    // OutputFormat 3, else 10002
  int Resize = scReduce;            // ResizeMode
  int AppendToName = adAutoDetect;  // AddSubName
  int FilterIndex = 0;              // file type choice
  int MaxHeight = 150;
  int MaxWidth = 150;
  int ResizeAlgorithm = -1;  // -1 smart, 0..11 a filter number, 12 lossless
  int JpgQuality = 80;
  int Brightness = 0;
  int Contrast = 0;
  int Sharpness = 0;
  double Rotate = 0;
};

// ResizeAlgorithm value of the lossless choice.
inline constexpr int kLosslessAlgorithm = 12;

// The generator's converter before its settings are read.
void InitThumbnailConverter(TJwImageConv& converter);
// Copies the settings into the converter. The lossless choice also sets
// "No resize", quality 100, brightness, contrast and sharpness 0 and rounds
// the rotation to a multiple of 90 degrees (halves to the even multiple).
void ApplyThumbnailSettings(const TThumbnailSettings& settings, TJwImageConv& converter);
// The settings a converter holds (ResizeAlgorithm: 12 lossless, -1 smart,
// else the filter number).
TThumbnailSettings ThumbnailSettingsOf(const TJwImageConv& converter, int filter_index);

// File masks of a file type choice ("*.jpg;*.jpeg;..."); other indexes give
// those of "All images". GIF files are never listed.
std::string ThumbnailFileMasks(int filter_index);
// Names (without folder) of the files of a folder that the choice lists.
std::vector<std::string> ListThumbnailFiles(const std::string& folder, int filter_index);

// The batch's destination folder for a "Save in" text and the look-in
// folder: "" for an empty text, an absolute one as it is (normalised), any
// other taken relative to the look-in folder.
std::string ResolveThumbnailFolder(const std::string& save_in, const std::string& look_in);

struct TThumbnailBatchResult {
  int created = 0;              // thumbnails created
  bool folder_created = false;  // the destination folder was created
  bool cancelled = false;       // the overwrite question was answered No
  bool folder_failed = false;   // the destination folder could not be created
};

// Converts the files (names within look_in_folder) with the converter:
// status "Creating thumbnails..", "(i/n) Processing NAME...", the question
// "Are you sure you want to overwrite the original pictures?" when the
// thumbnails would replace their originals, errors as "Error - " + message,
// then "N thumbnail(s) created" or "No thumbnails created". The pixel work
// of up to `ahead` files runs at once (< 1: one per core); files and reports
// are those of a run one file after the other.
TThumbnailBatchResult MakeThumbnails(TJwImageConv& converter, const std::string& look_in_folder,
                                     const std::vector<std::string>& file_names, TUserInterface& ui,
                                     int ahead = 0);

}  // namespace pictavo
