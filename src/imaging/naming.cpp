#include "imaging/naming.h"

#include <langinfo.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>

#include <fmt/format.h>

#include "platform/case_fold.h"
#include "platform/file_system.h"
#include "platform/paths.h"

namespace pictavo {
namespace {

// U+00BF, the inverted question mark, stands for '?' in file names.
constexpr char kInvertedQuestion[] = "\xC2\xBF";

std::tm LocalTime(std::time_t moment) {
  std::tm tm{};
  localtime_r(&moment, &tm);
  return tm;
}

std::string Strftime(const char* format, const std::tm& tm) {
  char buffer[256];
  size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
  return std::string(buffer, n);
}

std::string LocaleText(nl_item item) {
  const char* text = nl_langinfo(item);
  return text ? text : "";
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

size_t RunLength(std::string_view text, size_t pos, char letter) {
  size_t n = 0;
  while (pos + n < text.size() && Lower(text[pos + n]) == letter) ++n;
  return n;
}

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  std::string a = FoldCase(text);
  std::string b = FoldCase(tail);
  return a.size() >= b.size() && a.compare(a.size() - b.size(), b.size(), b) == 0;
}

std::string UpperText(std::string_view text) {
  // ASCII and the Latin-1 letters U+00E0..U+00FE (except U+00F7).
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 'a' && c <= 'z') {
      out += static_cast<char>(c - 32);
    } else if (c == 0xC3 && i + 1 < text.size()) {
      unsigned char d = static_cast<unsigned char>(text[i + 1]);
      out += static_cast<char>(c);
      out += static_cast<char>(d >= 0xA0 && d <= 0xBE && d != 0xB7 ? d - 0x20 : d);
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string FileDateText(const TFieldSource& source, std::time_t now) {
  std::optional<TFileStat> st = StatPath(source.file_name);
  std::time_t when = st && st->mtime > 0 ? st->mtime : now;
  return FormatDateTime(source.date_format, when);
}

// The value of a token (without its case prefix); nullopt when unknown.
std::optional<std::string> TokenValue(const std::string& token, const TFieldSource& source,
                                      std::time_t now) {
  std::string key = LowerAscii(token);
  if (key == "date") return FormatDateTime(source.date_format, now);
  if (key == "year") return FormatDateTime("yyyy", now);
  if (key == "filename") return NamePart(source.file_name);
  if (key == "imagename") return NameWithoutExt(source.file_name);
  if (key == "foldername") return NamePart(ExcludeTrailingSlash(FolderPart(source.file_name)));
  if (key == "filedate") return FileDateText(source, now);
  if (key == "picturedate") {
    std::time_t taken;
    if (source.exif && ExifDateToTime(source.exif->date_time_original, taken)) {
      return FormatDateTime(source.date_format, taken);
    }
    return FileDateText(source, now);
  }
  if (key == "shutterspeed" && source.exif) {
    double t = source.exif->exposure_time;
    if (t <= 0) return std::string();
    if (t >= 1) return fmt::format("{:.2f}", t);
    return fmt::format("1/{}", static_cast<long long>(std::nearbyint(1 / t)));
  }
  if (key == "fstop" && source.exif) return fmt::format("{:.1f}", source.exif->f_number);
  return std::nullopt;
}

// Removes the counter placeholder of a pattern and puts the number there
// (when above 0): the first "*", else the first run of "?" whose length is
// the number's width.
std::string ApplyCounter(const std::string& pattern, int number, bool& had_placeholder) {
  std::string out = pattern;
  size_t pos = out.find('*');
  size_t width = 0;
  if (pos != std::string::npos) {
    out.erase(pos, 1);
  } else {
    pos = out.find('?');
    if (pos == std::string::npos) {
      had_placeholder = false;
      return out;
    }
    while (pos + width < out.size() && out[pos + width] == '?') ++width;
    out.erase(pos, width);
  }
  had_placeholder = true;
  if (number > 0) out.insert(pos, fmt::format("{:0{}}", number, width));
  return out;
}

}  // namespace

TImageFileType EffectiveOutputType(int output_format, TImageFileType source_type) {
  switch (output_format) {
    case 0:
    case kOutputSameAsSource:
      return source_type;
    case kOutputWebOrJpeg:
      if (source_type == iftGif || source_type == iftJpeg || source_type == iftPng ||
          source_type == iftJp2 || source_type == iftJ2k) {
        return source_type;
      }
      return iftJpeg;
    default:
      if ((output_format >= 1 && output_format <= 14) || output_format == 16) {
        return static_cast<TImageFileType>(output_format);
      }
      return source_type;
  }
}

std::string OutputExtension(TImageFileType type) {
  static const char* const kExtensions[] = {"",    "tif", "gif", "jpg", "pcx", "bmp",
                                            "ico", "cur", "png", "wmf", "emf", "tga",
                                            "pbm", "jp2", "j2k", "",    "wbmp"};
  int code = static_cast<int>(type);
  return code >= 0 && code <= 16 ? kExtensions[code] : "";
}

std::string MakeSafeFileName(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\n':
        break;
      case '"':
        out += '\'';
        break;
      case '*':
      case '|':
        out += '+';
        break;
      case '/':
      case '\\':
        out += '-';
        break;
      case ':':
        out += '~';
        break;
      case '<':
        out += '[';
        break;
      case '>':
        out += ']';
        break;
      case '?':
        out += kInvertedQuestion;
        break;
      default:
        if (static_cast<unsigned char>(c) < 32 || c == 127) {
          out += ' ';
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::string FormatDateTime(std::string_view format, std::time_t moment) {
  std::tm tm = LocalTime(moment);
  if (format.empty()) return Strftime("%x %X", tm);
  std::string lower = LowerAscii(format);
  bool twelve_hour =
      lower.find("am/pm") != std::string::npos || lower.find("a/p") != std::string::npos;
  std::string out;
  bool after_hour = false;
  size_t i = 0;
  while (i < format.size()) {
    char c = format[i];
    char l = Lower(c);
    if (c == '"' || c == '\'') {
      size_t end = format.find(c, i + 1);
      if (end == std::string_view::npos) end = format.size();
      out.append(format.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    size_t n = RunLength(format, i, l);
    switch (l) {
      case 'd':
        if (n == 1) out += std::to_string(tm.tm_mday);
        if (n == 2) out += fmt::format("{:02}", tm.tm_mday);
        if (n == 3) out += LocaleText(static_cast<nl_item>(ABDAY_1 + tm.tm_wday));
        if (n == 4) out += LocaleText(static_cast<nl_item>(DAY_1 + tm.tm_wday));
        if (n == 5) out += Strftime("%x", tm);
        if (n >= 6) out += Strftime("%A, %d %B %Y", tm);
        after_hour = false;
        i += n;
        continue;
      case 'm':
        if (after_hour && n <= 2) {
          out += n == 1 ? std::to_string(tm.tm_min) : fmt::format("{:02}", tm.tm_min);
        } else {
          if (n == 1) out += std::to_string(tm.tm_mon + 1);
          if (n == 2) out += fmt::format("{:02}", tm.tm_mon + 1);
          if (n == 3) out += LocaleText(static_cast<nl_item>(ABMON_1 + tm.tm_mon));
          if (n >= 4) out += LocaleText(static_cast<nl_item>(MON_1 + tm.tm_mon));
        }
        after_hour = false;
        i += n;
        continue;
      case 'y':
        out += n <= 2 ? fmt::format("{:02}", (tm.tm_year + 1900) % 100)
                      : std::to_string(tm.tm_year + 1900);
        after_hour = false;
        i += n;
        continue;
      case 'h': {
        int hour = tm.tm_hour;
        if (twelve_hour) hour = hour % 12 == 0 ? 12 : hour % 12;
        out += n == 1 ? std::to_string(hour) : fmt::format("{:02}", hour);
        after_hour = true;
        i += n;
        continue;
      }
      case 'n':
        out += n == 1 ? std::to_string(tm.tm_min) : fmt::format("{:02}", tm.tm_min);
        after_hour = false;
        i += n;
        continue;
      case 's':
        out += n == 1 ? std::to_string(tm.tm_sec) : fmt::format("{:02}", tm.tm_sec);
        after_hour = false;
        i += n;
        continue;
      case 'z':
        out += n >= 3 ? "000" : "0";
        i += n;
        continue;
      case 't':
        out += n == 1 ? Strftime("%H:%M", tm) : Strftime("%X", tm);
        i += n;
        continue;
      case 'c':
        out += Strftime("%x %X", tm);
        i += 1;
        continue;
      case 'a':
        if (lower.compare(i, 5, "am/pm") == 0) {
          bool am = tm.tm_hour < 12;
          std::string text = am ? "am" : "pm";
          if (format[i] == 'A') text = am ? "AM" : "PM";
          out += text;
          i += 5;
          continue;
        }
        if (lower.compare(i, 3, "a/p") == 0) {
          bool am = tm.tm_hour < 12;
          char letter = am ? 'a' : 'p';
          if (format[i] == 'A') letter = am ? 'A' : 'P';
          out += letter;
          i += 3;
          continue;
        }
        out += c;
        ++i;
        continue;
      default:
        out += c;
        ++i;
        continue;
    }
  }
  return out;
}

std::string ExpandFields(std::string_view text, bool for_file_name, const TFieldSource& source) {
  std::string out(text);
  std::time_t now = source.now != 0 ? source.now : std::time(nullptr);
  size_t limit = out.size();
  while (limit > 0) {
    size_t close = out.rfind('}', limit - 1);
    if (close == std::string::npos) break;
    size_t open = close == 0 ? std::string::npos : out.rfind('{', close - 1);
    if (open == std::string::npos) break;
    std::string token = out.substr(open + 1, close - open - 1);
    std::string prefix;
    if (!token.empty() && (token[0] == '_' || token[0] == '!')) {
      prefix = token.substr(0, 1);
      token.erase(0, 1);
    }
    std::optional<std::string> value = TokenValue(token, source, now);
    std::string replacement;
    if (value) {
      replacement = *value;
      if (prefix == "_") replacement = FoldCase(replacement);
      if (prefix == "!") replacement = UpperText(replacement);
      if (for_file_name) replacement = MakeSafeFileName(replacement);
    } else {
      replacement = prefix + (for_file_name ? kInvertedQuestion : "?");
    }
    out.replace(open, close - open + 1, replacement);
    limit = open;
  }
  return out;
}

std::string DestinationFolder(const TNamingOptions& options, const std::string& source) {
  if (!options.resolved_dest_folder.empty()) {
    return IncludeTrailingSlash(options.resolved_dest_folder);
  }
  std::string source_folder = FolderPart(source);
  if (options.dest_folder.empty()) return source_folder;
  std::string folder = options.dest_folder;
  if (folder.size() >= 2 && folder[0] == '.' && (folder[1] == '/' || folder[1] == '\\')) {
    folder.erase(0, 2);
  }
  if (IsAbsolutePath(folder)) return IncludeTrailingSlash(folder);
  if (folder.empty()) return source_folder;
  return IncludeTrailingSlash(JoinPath(source_folder, folder));
}

std::string DestinationName(const TNamingOptions& options, const std::string& source, int number,
                            bool with_folder) {
  TImageFileType source_type = ImageTypeFromExt(source);
  TImageFileType output_type = EffectiveOutputType(options.output_format, source_type);
  std::string path = source;
  if (output_type != source_type && !OutputExtension(output_type).empty()) {
    path = ChangeFileExt(path, OutputExtension(output_type));
  }
  std::string name = NamePart(path);

  if (options.add_sub_name != adNothing && !options.sub_name.empty()) {
    const std::string& sub = options.sub_name;
    TAddSubName mode = options.add_sub_name;
    if (mode == adAutoDetect) {
      auto marks = [](char c) { return c == '-' || c == '.' || c == '_'; };
      if (sub.size() > 1 && marks(sub.front())) {
        mode = adSuffix;
      } else if (marks(sub.back())) {
        mode = adPrefix;
      } else {
        mode = adRename;
      }
    }
    bool had_fields = sub.find('{') != std::string::npos;
    std::string pattern = sub;
    if (had_fields) {
      TFieldSource fields;
      fields.file_name = source;
      fields.date_format = options.date_format;
      pattern = ExpandFields(sub, true, fields);
    }
    bool had_placeholder = false;
    std::string processed = ApplyCounter(pattern, number, had_placeholder);
    if (mode == adPrefix) {
      if (!StartsWithNoCase(name, pattern)) name = processed + name;
    } else if (mode == adSuffix) {
      size_t dot = name.rfind('.');
      if (dot == std::string::npos || dot == 0) dot = name.size();
      if (!EndsWithNoCase(std::string_view(name).substr(0, dot), pattern)) {
        name.insert(dot, processed);
      }
    } else {
      if (!had_placeholder && !had_fields && number > 0) processed += std::to_string(number);
      std::string ext = FileExt(path);
      name = ext.empty() ? processed : processed + "." + ext;
    }
  }

  // Only the name is lower-cased: folders on this system are case-sensitive,
  // and a lower-cased folder would be another folder.
  if (options.lowercase_name) name = FoldCase(name);
  return with_folder ? DestinationFolder(options, source) + name : name;
}

}  // namespace pictavo
