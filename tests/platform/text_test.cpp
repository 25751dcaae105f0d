#include <gtest/gtest.h>

#include "platform/case_fold.h"
#include "platform/text_encoding.h"
#include "platform/text_lines.h"
#include "platform/wildcard.h"

namespace pictavo {
namespace {

TEST(TextEncoding, LegacyFilesDecodeAsWindows1252UnlessValidUtf8) {
  EXPECT_EQ(DecodeLegacyText("caf\xE9 \x80 \x92"), "caf\u00E9 \u20AC \u2019");
  EXPECT_EQ(DecodeLegacyText("caf\u00E9"), "caf\u00E9");
  EXPECT_EQ(DecodeLegacyText("\xEF\xBB\xBFplain"), "plain");
  // Undefined Windows-1252 bytes keep their value as C1 controls.
  EXPECT_EQ(Windows1252ToUtf8("\x81"), "\u0081");
  EXPECT_EQ(Windows1252FromCodePoint(0x20AC), 0x80);
  EXPECT_EQ(Windows1252FromCodePoint(0xE9), 0xE9);
  EXPECT_EQ(Windows1252FromCodePoint(0x4E2D), -1);
}

TEST(TextEncoding, RejectsMalformedUtf8) {
  const char* bad[] = {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82",
                       "\x80"};
  for (const char* b : bad) EXPECT_FALSE(IsValidUtf8(b)) << b;
  EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD \xF0\x9F\x93\xB7"));
  std::string s;
  AppendUtf8(s, 0x1F4F7);
  size_t pos = 0;
  EXPECT_EQ(NextCodePoint(s, pos), 0x1F4F7u);
  EXPECT_EQ(pos, 4u);
}

TEST(CaseFold, AsciiAndLatin1LettersOnly) {
  EXPECT_EQ(FoldCase("\u00C9T\u00C9 \u00D7 \u0152"), "\u00E9t\u00E9 \u00D7 \u0152");
  EXPECT_TRUE(EqualsNoCase("Caf\u00C9.JPG", "caf\u00E9.jpg"));
  EXPECT_LT(CompareNoCase("apple", "Banana"), 0);
  EXPECT_LT(CompareNoCase("a", "ab"), 0);
  EXPECT_TRUE(StartsWithNoCase("COLOR:red", "color:"));
  std::vector<std::string> v{"b", "A", "c", "a"};
  SortNoCase(v);
  EXPECT_EQ(v, (std::vector<std::string>{"A", "a", "b", "c"}));
}

TEST(Wildcard, Masks) {
  struct Case {
    const char* mask;
    const char* name;
    bool match;
  } cases[] = {
      {"*.jpg", "A.JPG", true},    {"*.JPG", "a.jpg", true},     {"?.jpg", "ab.jpg", false},
      {"a*b*c", "aXXbYYc", true},  {"a*b*c", "aXXbYY", false},   {"*", "", true},
      {" *.jpg", "a.jpg", false},  {"*.jp?", "x.jpe", true},     {"img*", "IMG_01.JPG", true},
      {"*.*", "noext", false},     {"caf\u00C9*", "caf\u00E9.png", true},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchMask(c.mask, c.name), c.match) << c.mask << " " << c.name;
  EXPECT_TRUE(MatchMaskEscaped("a\\*b", "a*b"));
  EXPECT_FALSE(MatchMaskEscaped("a\\*b", "axb"));
  EXPECT_TRUE(MatchMaskEscaped("a\\?*", "a?xyz"));
  // A long hostile mask finishes quickly (no exponential back-tracking).
  std::string mask(200, '*');
  mask += "b";
  EXPECT_FALSE(MatchMask(mask, std::string(5000, 'a')));
  EXPECT_EQ(SplitMasks(";*.jpg;;*.png; *.gif;"),
            (std::vector<std::string>{"*.jpg", "*.png", " *.gif"}));
}

TEST(TextLines, SplitAcceptsEveryLineBreakJoinWritesCrLf) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\nb\n"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitLines("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
  EXPECT_EQ(JoinLinesCrLf({"a", "b"}), "a\r\nb\r\n");
  EXPECT_EQ(Trim("\t x \r\n"), "x");
  EXPECT_EQ(ReplaceAll("a^Pb^P", "^P", "\r\n"), "a\r\nb\r\n");
  EXPECT_EQ(SplitText("a;;b", ';'), (std::vector<std::string>{"a", "", "b"}));
}

}  // namespace
}  // namespace pictavo
