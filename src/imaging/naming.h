#pragma once
// Names of converted pictures: field tokens in braces, safe file names and
// the destination path a converter gives a source.
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "imaging/exif.h"
#include "pictures/image_info.h"

namespace pictavo {

// How the converter's SubName changes a destination name.
enum TAddSubName { adAutoDetect, adNothing, adPrefix, adSuffix, adRename };

// Output format codes of the converter: the source's format, the source's
// format when it is a web format (GIF, JPEG, PNG, JPEG 2000) else JPEG, JPEG.
inline constexpr int kOutputSameAsSource = 10001;
inline constexpr int kOutputWebOrJpeg = 10002;
inline constexpr int kOutputJpeg = 3;

// The type code a converter writes for a source of source_type.
TImageFileType EffectiveOutputType(int output_format, TImageFileType source_type);
// The extension (without dot) written for a type code; "" for unknown codes.
std::string OutputExtension(TImageFileType type);

// Replaces the characters that cannot stand in a file name: line feeds are
// removed, other control characters become spaces, '"' an apostrophe, '*'
// and '|' '+', '/' and '\' '-', ':' '~', '<' '[', '>' ']', '?' U+00BF.
std::string MakeSafeFileName(std::string_view text);

// Formats a moment with a date format ("dd/mm/yyyy hh:nn", "yyyy" ...: d dd
// ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz am/pm a/p, quoted
// literals; "m" right after an hour means minutes). An empty format gives the
// locale's date and time. Month and day names come from the process locale.
std::string FormatDateTime(std::string_view format, std::time_t moment);

// What the field tokens of ExpandFields read.
struct TFieldSource {
  std::string file_name;  // the source picture's path
  std::string date_format;
  // The picture's EXIF data when the picture itself is at hand; nullptr
  // while only a name is computed ("picturedate" then gives the file date,
  // "shutterspeed" and "fstop" are unknown).
  const TExifInfo* exif = nullptr;
  // The moment "date" and "year" give; 0 means now.
  std::time_t now = 0;
};

// Replaces every "{token}" from the end of the text leftwards by its value
// (tokens compared without regard to case; a leading "_" lower-cases the
// value, "!" upper-cases it). An unknown token becomes "?" (U+00BF in a file
// name). For a file name, every known value is made safe.
std::string ExpandFields(std::string_view text, bool for_file_name, const TFieldSource& source);

// The converter's naming settings.
struct TNamingOptions {
  int output_format = kOutputSameAsSource;
  TAddSubName add_sub_name = adAutoDetect;
  std::string sub_name;
  std::string dest_folder;
  // Used as it is when not empty (an absolute DestFolder, or a batch's
  // folder).
  std::string resolved_dest_folder;
  bool lowercase_name = false;  // lower-cases the file name (not its folder)
  std::string date_format;
};

// The folder a destination goes to for a source (with trailing "/").
std::string DestinationFolder(const TNamingOptions& options, const std::string& source);

// The destination path (with_folder) or bare name of a source; number > 0
// fills the counter placeholder ("*" or a run of "?") of the pattern.
std::string DestinationName(const TNamingOptions& options, const std::string& source, int number,
                            bool with_folder);

}  // namespace pictavo
