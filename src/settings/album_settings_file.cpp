#include "settings/album_settings_file.h"

#include <cerrno>
#include <cstdlib>

#include "platform/case_fold.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "platform/text_lines.h"
#include "settings/ram_ini_file.h"

namespace pictavo {

namespace {

const char kSettings[] = "Settings";
const char kIgnore[] = "IgnoreImages";

std::string WithExt(const std::string& name, const std::string& ext) { return name + "." + ext; }

bool NeedsExt(const std::string& name, const std::string& ext, bool add_ext) {
  std::string e = FileExt(name);
  return e.empty() || (add_ext && !EqualsNoCase(e, ext));
}

}  // namespace

std::optional<std::string> FormatNumberPattern(const std::string& pattern, int n) {
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') {
      out += pattern[i];
      continue;
    }
    ++i;
    if (i < pattern.size() && pattern[i] == '%') {
      out += '%';
      continue;
    }
    // Optional width, optional "." and precision, then "d".
    size_t width = 0, precision = 0;
    bool zero = false;
    if (i < pattern.size() && pattern[i] == '0') zero = true;
    while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9' && width < 100)
      width = width * 10 + static_cast<size_t>(pattern[i++] - '0');
    if (i < pattern.size() && pattern[i] == '.') {
      ++i;
      while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9' && precision < 100)
        precision = precision * 10 + static_cast<size_t>(pattern[i++] - '0');
    }
    if (i >= pattern.size() || (pattern[i] != 'd' && pattern[i] != 'D')) return std::nullopt;
    std::string digits = std::to_string(n < 0 ? -n : n);
    if (digits.size() < precision) digits.insert(0, precision - digits.size(), '0');
    if (n < 0) digits.insert(0, "-");
    if (digits.size() < width) digits.insert(0, width - digits.size(), zero && precision == 0 ? '0' : ' ');
    out += digits;
  }
  return out;
}

std::string ResolveSettingsPath(const std::string& name, const std::string& folder,
                                const std::string& ext, bool add_ext) {
  std::string prefix, base = name;
  if (!folder.empty() && !IsAbsolutePath(name)) {
    std::string joined = AbsolutePath(name, folder);
    prefix = FolderPart(joined);
    base = NamePart(joined);
  }
  if (base.find('%') != std::string::npos) {
    auto zero = FormatNumberPattern(base, 0);
    if (!zero) return name;
    bool needs_ext = NeedsExt(*zero, ext, add_ext);
    std::string previous;
    for (int n = 1; n < 1000000; ++n) {
      std::string candidate = *FormatNumberPattern(base, n);
      if (needs_ext) candidate = WithExt(candidate, ext);
      candidate = prefix + candidate;
      if (candidate == previous || !FileExists(candidate)) return candidate;
      previous = candidate;
    }
    return previous;
  }
  if (FileExt(base).empty()) base = WithExt(base, ext);
  std::string result = prefix + base;
  if (add_ext && !EqualsNoCase(FileExt(result), ext) && !FileExists(result))
    result = WithExt(result, ext);
  return result;
}

std::string EncodeSettingValue(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
      out += "^P";
    } else {
      out += c;
    }
  }
  return out;
}

std::string DecodeSettingValue(const std::string& value) {
  std::string out = ReplaceAll(value, "^P", "\r\n");
  return ReplaceAll(out, "^p", "\r\n");
}

TAlbumSettings AlbumSettingsFromIni(const TIniData& ini, const TAlbumSettings& d) {
  TAlbumSettings s = d;
  auto text = [&](const char* key, std::string& field) {
    if (auto v = ini.Value(kSettings, key)) field = DecodeSettingValue(DropQuotes(*v));
  };
  auto integer = [&](const char* key, auto& field) {
    auto v = ini.Value(kSettings, key);
    if (!v) return;
    std::string t = DropQuotes(*v);
    errno = 0;
    char* end = nullptr;
    long long n = std::strtoll(t.c_str(), &end, 10);
    if (t.empty() || errno || *end || n < INT32_MIN || n > UINT32_MAX) return;
    field = static_cast<std::remove_reference_t<decltype(field)>>(n);
  };
  auto boolean = [&](const char* key, bool& field) {
    int n = field ? 1 : 0;
    integer(key, n);
    field = n != 0;
  };
  boolean("PickManual", s.PickManual);
  text("PictureFilter", s.PictureFilter);
  text("ExclusionFilters", s.ExclusionFilters);
  boolean("IncludeSubFolders", s.IncludeSubFolders);
  text("PictureFolder", s.PictureFolder);
  text("SortColumn", s.SortColumn);
  boolean("CustomOrder", s.CustomOrder);
  text("Template", s.Template);
  text("OutputName", s.OutputName);
  text("OutputDir", s.OutputDir);
  text("CharSet", s.CharSet);
  text("BackgroundImage", s.BackgroundImage);
  integer("BackgroundColor", s.BackgroundColor);
  integer("TextColor", s.TextColor);
  integer("LinkColor", s.LinkColor);
  integer("VLinkColor", s.VLinkColor);
  text("PageTitle", s.PageTitle);
  text("PageDescription", s.PageDescription);
  text("PageKeywords", s.PageKeywords);
  text("BaseUrl", s.BaseUrl);
  std::string max_images;
  text("MaxImages", max_images);
  {
    char* end = nullptr;
    long n = std::strtol(max_images.c_str(), &end, 10);
    if (!max_images.empty()) s.MaxImages = *end == '\0' && n >= 0 && n < INT32_MAX ? static_cast<int>(n) : 0;
  }
  if (ini.HasSection(kIgnore)) {
    s.IgnoreImages.clear();
    auto count = ini.Value(kIgnore, "IgnoreCount");
    long n = count ? std::strtol(count->c_str(), nullptr, 10) : 0;
    for (long i = 1; i <= n && i <= 1000000; ++i)
      if (auto v = ini.Value(kIgnore, "Ignore_" + std::to_string(i))) s.IgnoreImages.push_back(*v);
  }
  return s;
}

void AlbumSettingsToIni(const TAlbumSettings& s, TIniData& ini) {
  auto put = [&](const char* key, const std::string& value) {
    ini.SetValue(kSettings, key, EncodeSettingValue(value));
  };
  auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
  put("Version", "2");
  put("PickManual", flag(s.PickManual));
  put("PictureFilter", s.PictureFilter);
  put("ExclusionFilters", s.ExclusionFilters);
  put("IncludeSubFolders", flag(s.IncludeSubFolders && !s.PickManual));
  put("PictureFolder", s.PictureFolder);
  put("SortColumn", s.SortColumn);
  put("CustomOrder", flag(s.CustomOrder));
  put("Template", s.Template);
  put("OutputName", s.OutputName);
  put("OutputDir", s.OutputDir);
  put("CharSet", s.CharSet);
  put("BackgroundImage", s.BackgroundImage);
  put("BackgroundColor", std::to_string(s.BackgroundColor));
  put("TextColor", std::to_string(s.TextColor));
  put("LinkColor", std::to_string(s.LinkColor));
  put("VLinkColor", std::to_string(s.VLinkColor));
  put("PageTitle", s.PageTitle);
  put("PageDescription", s.PageDescription);
  put("PageKeywords", s.PageKeywords);
  put("BaseUrl", s.BaseUrl);
  put("MaxImages", std::to_string(s.MaxImages));
  ini.EraseSection(kIgnore);
  ini.SetValue(kIgnore, "IgnoreCount", std::to_string(s.IgnoreImages.size()));
  for (size_t i = 0; i < s.IgnoreImages.size(); ++i)
    ini.SetValue(kIgnore, "Ignore_" + std::to_string(i + 1), s.IgnoreImages[i]);
}

TIniData ReadAlbumSettingsIni(const std::string& path) {
  TIniData ini;
  if (auto bytes = TryReadFileBytes(path)) ini.Parse(DecodeLegacyText(*bytes));
  return ini;
}

TAlbumSettings ReadAlbumSettingsFile(const std::string& path, const TAlbumSettings& defaults) {
  return AlbumSettingsFromIni(ReadAlbumSettingsIni(path), defaults);
}

void WriteAlbumSettingsFile(const std::string& path, const TAlbumSettings& settings) {
  try {
    TIniData ini;
    if (FileExists(path)) {
      // A file that cannot be read is not replaced: its other keys would be lost.
      auto bytes = TryReadFileBytes(path);
      if (!bytes || IsReadOnly(path)) throw EPictavo("not writable");
      ini.Parse(DecodeLegacyText(*bytes));
    }
    AlbumSettingsToIni(settings, ini);
    WriteFileAtomic(path, ini.Serialize(), 0644);
  } catch (const EPictavo&) {
    throw EPictavo("Unable to write to " + path);
  }
}

std::string PictureListFileName(const std::string& settings_path) {
  return ChangeFileExt(settings_path, "fls");
}

std::optional<std::vector<std::string>> ReadPictureListFile(const std::string& path) {
  auto bytes = TryReadFileBytes(path);
  if (!bytes) return std::nullopt;
  return SplitLines(DecodeLegacyText(*bytes));
}

void WritePictureListFile(const std::string& path, const std::vector<std::string>* lines) {
  if (!lines) {
    if (FileExists(path)) DeleteFile(path);
    return;
  }
  WriteFileAtomic(path, JoinLinesCrLf(*lines), 0644);
}

}  // namespace pictavo
