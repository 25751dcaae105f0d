#pragma once
// Album settings files (".alb"): the settings of one album as an INI file,
// with the album's picture list file (".fls") beside it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/ini_data.h"

namespace pictavo {

// Completes a settings file name: joined to folder unless absolute, given
// ".ext" when it has no extension (with add_ext also when it has another one
// and no such file exists). A name holding "%" is a numbering pattern
// ("Album%d", "Trip%0.3d"): the first number from 1 whose name is free is
// taken. A pattern that cannot be formatted comes back unchanged.
std::string ResolveSettingsPath(const std::string& name, const std::string& folder,
                                const std::string& ext, bool add_ext);

// Formats a numbering pattern with n: "%d", "%5d", "%.4d", "%0.4d", "%%".
// nullopt when the pattern holds anything else after a "%".
std::optional<std::string> FormatNumberPattern(const std::string& pattern, int n);

// The values of section "Settings" and "IgnoreImages". Colours are blue *
// 65536 + green * 256 + red.
struct TAlbumSettings {
  bool PickManual = false;
  std::string PictureFilter = "*.gif;*.jpg;*.jpeg;*.jpe;*.jps;*.png";
  std::string ExclusionFilters;
  bool IncludeSubFolders = false;
  std::string PictureFolder;
  std::string SortColumn = "File Name";
  bool CustomOrder = false;
  std::string Template;
  std::string OutputName;
  std::string OutputDir;
  std::string CharSet;
  std::string BackgroundImage;
  uint32_t BackgroundColor = 16777215;
  uint32_t TextColor = 0;
  uint32_t LinkColor = 16711680;
  uint32_t VLinkColor = 8388736;
  std::string PageTitle;
  std::string PageDescription;
  std::string PageKeywords;
  std::string BaseUrl;
  int MaxImages = 0;
  std::vector<std::string> IgnoreImages;
};

// Reads the settings from INI data; missing or unconvertible values keep
// the defaults given.
TAlbumSettings AlbumSettingsFromIni(const TIniData& ini, const TAlbumSettings& defaults);
// Writes the settings into INI data (other keys and sections are kept;
// "IgnoreImages" is rewritten whole).
void AlbumSettingsToIni(const TAlbumSettings& settings, TIniData& ini);

// Reads a settings file; a missing or unreadable file gives the defaults.
TAlbumSettings ReadAlbumSettingsFile(const std::string& path, const TAlbumSettings& defaults);
// Loads the INI data of a settings file (empty when missing).
TIniData ReadAlbumSettingsIni(const std::string& path);
// Writes a settings file atomically, keeping keys it does not know. Throws
// EPictavo "Unable to write to " + path on failure.
void WriteAlbumSettingsFile(const std::string& path, const TAlbumSettings& settings);

// The picture list file beside a settings file: same name, extension "fls".
std::string PictureListFileName(const std::string& settings_path);
// Lines of the picture list file; nullopt when it does not exist.
std::optional<std::vector<std::string>> ReadPictureListFile(const std::string& path);
// Writes the list (atomically) or, when it is not wanted, deletes the file.
void WritePictureListFile(const std::string& path, const std::vector<std::string>* lines);

// Values with line breaks are kept on one line: each line break is written
// as "^P" and read back as CR LF.
std::string EncodeSettingValue(const std::string& value);
std::string DecodeSettingValue(const std::string& value);

}  // namespace pictavo
