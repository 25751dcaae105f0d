#pragma once
// Dates in the album's date format: pattern letters d dd ddd dddd, m mm mmm
// mmmm, yy yyyy, h hh, n nn, s ss, z zzz, am/pm and a/p, "/" and ":" for the
// system's date and time separators, and literals in double or single quotes.
// Letters compare without regard to case; "m" right after an hour is minutes.
// Month and day names come from the process locale (LC_TIME).
#include <ctime>
#include <string>
#include <string_view>

namespace pictavo {

// The default album date format.
inline constexpr std::string_view kDefaultDateFormat = "mmmm dd, yyyy";

// Names and separators that a date pattern writes.
struct TDateNames {
  std::string short_months[12];
  std::string long_months[12];
  std::string short_days[7];  // Sunday first
  std::string long_days[7];
  std::string date_separator = "/";
  std::string time_separator = ":";
  std::string am = "AM";
  std::string pm = "PM";
};

// Names and separators of the process locale (UTF-8).
TDateNames LocaleDateNames();

// Formats a broken-down local time with a pattern.
std::string FormatDatePattern(std::string_view pattern, const std::tm& when,
                              const TDateNames& names);
std::string FormatDatePattern(std::string_view pattern, const std::tm& when);
// Formats a point in time, taken as local time.
std::string FormatDatePattern(std::string_view pattern, std::time_t when);

// The current date and time in the album date format ("mmmm dd, yyyy" when
// the format is empty).
std::string DateToday(std::string_view album_format);

}  // namespace pictavo
