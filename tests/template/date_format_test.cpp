#include "template/date_format.h"

#include <gtest/gtest.h>

#include <clocale>

namespace pictavo {
namespace {

// 2024-03-05 (a Tuesday) 14:07:09.
std::tm Sample() {
  std::tm t{};
  t.tm_year = 2024 - 1900;
  t.tm_mon = 2;
  t.tm_mday = 5;
  t.tm_wday = 2;
  t.tm_hour = 14;
  t.tm_min = 7;
  t.tm_sec = 9;
  return t;
}

TDateNames GermanStyleNames() {
  TDateNames n;
  const char* long_months[] = {"Januar", "Februar", "M\u00e4rz", "April",   "Mai",      "Juni",
                               "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
  const char* short_days[] = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
  const char* long_days[] = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                             "Donnerstag", "Freitag", "Samstag"};
  for (int i = 0; i < 12; ++i) {
    n.long_months[i] = long_months[i];
    n.short_months[i] = std::string(long_months[i]).substr(0, 3);
  }
  n.short_months[2] = "M\u00e4r";  // three letters, not three bytes
  for (int i = 0; i < 7; ++i) {
    n.short_days[i] = short_days[i];
    n.long_days[i] = long_days[i];
  }
  n.date_separator = ".";
  n.time_separator = ":";
  return n;
}

struct TPatternCase {
  const char* pattern;
  const char* expected;
};

class DatePatternTest : public ::testing::TestWithParam<TPatternCase> {};

TEST_P(DatePatternTest, FormatsWithTheGivenNames) {
  EXPECT_EQ(FormatDatePattern(GetParam().pattern, Sample(), GermanStyleNames()),
            GetParam().expected)
      << GetParam().pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DatePatternTest,
    ::testing::Values(TPatternCase{"mmmm dd, yyyy", "M\u00e4rz 05, 2024"},
                      TPatternCase{"d/m/yy", "5.3.24"}, TPatternCase{"dd/mm/yyyy", "05.03.2024"},
                      TPatternCase{"yyyy/mm/dd", "2024.03.05"},
                      TPatternCase{"ddd dddd mmm", "Di Dienstag M\u00e4r"},
                      TPatternCase{"MMMM DD YYYY", "M\u00e4rz 05 2024"},
                      // "m" after an hour is minutes; "n" is always minutes.
                      TPatternCase{"hh:mm:ss", "14:07:09"}, TPatternCase{"h:n:s", "14:7:9"},
                      TPatternCase{"mm hh mm", "03 14 07"}, TPatternCase{"h:nn am/pm", "2:07 pm"},
                      TPatternCase{"h:nn AM/PM", "2:07 PM"}, TPatternCase{"h a/p", "2 p"},
                      // Quoted literals are copied; other characters too.
                      TPatternCase{"'day' d \"of\" mmmm", "day 5 of M\u00e4rz"},
                      TPatternCase{"dd-mm", "05-03"}, TPatternCase{"'open", "open"},
                      TPatternCase{"", ""}));

TEST(DatePattern, MidnightAndNoonOnTheTwelveHourClock) {
  std::tm t = Sample();
  t.tm_hour = 0;
  EXPECT_EQ(FormatDatePattern("h am/pm", t, GermanStyleNames()), "12 am");
  t.tm_hour = 12;
  EXPECT_EQ(FormatDatePattern("h am/pm", t, GermanStyleNames()), "12 pm");
}

TEST(DatePattern, NamesAndSeparatorsComeFromTheProcessLocale) {
  std::string saved = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
  TDateNames names = LocaleDateNames();
  EXPECT_EQ(names.long_months[0], "January");
  EXPECT_EQ(names.short_days[2], "Tue");
  EXPECT_EQ(names.date_separator, "/");
  EXPECT_EQ(names.time_separator, ":");
  EXPECT_EQ(FormatDatePattern("mmmm dd, yyyy", Sample()), "March 05, 2024");
  EXPECT_EQ(FormatDatePattern("dddd dd/mm/yyyy hh:nn", Sample()), "Tuesday 05/03/2024 14:07");
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(DateToday, UsesTheDefaultFormatWhenEmpty) {
  std::string saved = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "C");
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char expected[64];
  std::strftime(expected, sizeof expected, "%B %d, %Y", &local);
  // The date could change between the two calls only at midnight.
  EXPECT_EQ(DateToday(""), expected);
  EXPECT_EQ(DateToday("yyyy"), std::to_string(local.tm_year + 1900));
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace pictavo
