#include "template/date_format.h"

#include <iconv.h>
#include <langinfo.h>

#include <cctype>

#include "platform/text_encoding.h"

namespace pictavo {

namespace {

// A locale text in UTF-8: kept when it is UTF-8 already, else converted from
// the locale's code set.
std::string LocaleText(const char* text) {
  std::string bytes = text ? text : "";
  if (IsValidUtf8(bytes)) return bytes;
  iconv_t cd = iconv_open("UTF-8", nl_langinfo(CODESET));
  if (cd == reinterpret_cast<iconv_t>(-1)) return Windows1252ToUtf8(bytes);
  std::string out(bytes.size() * 4 + 4, '\0');
  char* in_ptr = bytes.data();
  size_t in_left = bytes.size();
  char* out_ptr = out.data();
  size_t out_left = out.size();
  size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) return Windows1252ToUtf8(bytes);
  out.resize(out.size() - out_left);
  return out;
}

// The first run of literal characters in a strftime format ("/" in
// "%m/%d/%y"), or fallback when there is none.
std::string SeparatorOf(const char* format, const char* fallback) {
  std::string f = LocaleText(format);
  std::string sep;
  size_t i = 0;
  while (i < f.size()) {
    if (f[i] == '%') {
      i += 1;
      if (i < f.size() && (f[i] == 'E' || f[i] == 'O')) ++i;
      if (i < f.size()) ++i;
      if (!sep.empty()) break;
      continue;
    }
    if (!std::isspace(static_cast<unsigned char>(f[i])) || !sep.empty()) sep += f[i];
    ++i;
  }
  while (!sep.empty() && std::isspace(static_cast<unsigned char>(sep.back()))) sep.pop_back();
  return sep.empty() ? fallback : sep;
}

char Upper(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool StartsNoCase(std::string_view text, size_t pos, std::string_view word) {
  if (text.size() - pos < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (Upper(text[pos + i]) != Upper(word[i])) return false;
  return true;
}

void AppendNumber(std::string& out, int value, int digits) {
  std::string s = std::to_string(value);
  if (static_cast<int>(s.size()) < digits) out.append(digits - s.size(), '0');
  out += s;
}

// True when the pattern writes the time of day with am/pm (12-hour clock).
bool UsesTwelveHours(std::string_view pattern) {
  for (size_t i = 0; i < pattern.size(); ++i)
    if (StartsNoCase(pattern, i, "am/pm") || StartsNoCase(pattern, i, "a/p") ||
        StartsNoCase(pattern, i, "ampm"))
      return true;
  return false;
}

}  // namespace

TDateNames LocaleDateNames() {
  TDateNames n;
  for (int i = 0; i < 12; ++i) {
    n.short_months[i] = LocaleText(nl_langinfo(static_cast<nl_item>(ABMON_1 + i)));
    n.long_months[i] = LocaleText(nl_langinfo(static_cast<nl_item>(MON_1 + i)));
  }
  for (int i = 0; i < 7; ++i) {
    n.short_days[i] = LocaleText(nl_langinfo(static_cast<nl_item>(ABDAY_1 + i)));
    n.long_days[i] = LocaleText(nl_langinfo(static_cast<nl_item>(DAY_1 + i)));
  }
  n.date_separator = SeparatorOf(nl_langinfo(D_FMT), "/");
  n.time_separator = SeparatorOf(nl_langinfo(T_FMT), ":");
  std::string am = LocaleText(nl_langinfo(AM_STR));
  std::string pm = LocaleText(nl_langinfo(PM_STR));
  if (!am.empty()) n.am = am;
  if (!pm.empty()) n.pm = pm;
  return n;
}

std::string FormatDatePattern(std::string_view pattern, const std::tm& when,
                              const TDateNames& names) {
  std::string out;
  const int month = (when.tm_mon % 12 + 12) % 12;
  const int wday = (when.tm_wday % 7 + 7) % 7;
  const int year = when.tm_year + 1900;
  const bool twelve = UsesTwelveHours(pattern);
  char last_letter = 0;
  size_t i = 0;
  while (i < pattern.size()) {
    char c = pattern[i];
    char token = Upper(c);
    if (token >= 'A' && token <= 'Z') {
      if (token == 'M' && last_letter == 'H') token = 'N';
      last_letter = token;
    }
    size_t count = 1;
    auto run = [&](char letter) {
      count = 1;
      while (i + count < pattern.size() && Upper(pattern[i + count]) == letter) ++count;
    };
    switch (token) {
      case '"':
      case '\'': {
        size_t end = pattern.find(c, i + 1);
        if (end == std::string_view::npos) end = pattern.size();
        out += pattern.substr(i + 1, end - i - 1);
        i = end < pattern.size() ? end + 1 : end;
        continue;
      }
      case '/':
        out += names.date_separator;
        break;
      case ':':
        out += names.time_separator;
        break;
      case 'Y':
        run('Y');
        if (count <= 2)
          AppendNumber(out, (year % 100 + 100) % 100, 2);
        else
          AppendNumber(out, year, 4);
        break;
      case 'M':
        run('M');
        if (count == 1)
          AppendNumber(out, month + 1, 1);
        else if (count == 2)
          AppendNumber(out, month + 1, 2);
        else if (count == 3)
          out += names.short_months[month];
        else
          out += names.long_months[month];
        break;
      case 'D':
        run('D');
        if (count == 1)
          AppendNumber(out, when.tm_mday, 1);
        else if (count == 2)
          AppendNumber(out, when.tm_mday, 2);
        else if (count == 3)
          out += names.short_days[wday];
        else
          out += names.long_days[wday];
        break;
      case 'H': {
        run('H');
        int hour = when.tm_hour;
        if (twelve) {
          hour %= 12;
          if (hour == 0) hour = 12;
        }
        AppendNumber(out, hour, count >= 2 ? 2 : 1);
        break;
      }
      case 'N':
        // "m" taken as minutes after an hour counts its own run of "m".
        run(Upper(c));
        AppendNumber(out, when.tm_min, count >= 2 ? 2 : 1);
        break;
      case 'S':
        run('S');
        AppendNumber(out, when.tm_sec, count >= 2 ? 2 : 1);
        break;
      case 'Z':
        run('Z');
        AppendNumber(out, 0, count >= 3 ? 3 : 1);
        break;
      case 'A':
        if (StartsNoCase(pattern, i, "am/pm")) {
          out += pattern.substr(i + (when.tm_hour >= 12 ? 3 : 0), 2);
          count = 5;
        } else if (StartsNoCase(pattern, i, "a/p")) {
          out += pattern.substr(i + (when.tm_hour >= 12 ? 2 : 0), 1);
          count = 3;
        } else if (StartsNoCase(pattern, i, "ampm")) {
          out += when.tm_hour >= 12 ? names.pm : names.am;
          count = 4;
        } else {
          out += c;
        }
        break;
      default:
        out += c;
        break;
    }
    i += count;
  }
  return out;
}

std::string FormatDatePattern(std::string_view pattern, const std::tm& when) {
  return FormatDatePattern(pattern, when, LocaleDateNames());
}

std::string FormatDatePattern(std::string_view pattern, std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  return FormatDatePattern(pattern, local);
}

std::string DateToday(std::string_view album_format) {
  return FormatDatePattern(album_format.empty() ? kDefaultDateFormat : album_format,
                           std::time(nullptr));
}

}  // namespace pictavo
