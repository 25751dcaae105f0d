#include "template/bm_search.h"

#include <gtest/gtest.h>

#include <string>

namespace pictavo {
namespace {

TEST(BmSearch, FindsFirstOccurrenceAtOrAfterStart) {
  const std::string text = "abc<!--BODY_START-->x<!--body_start-->";
  EXPECT_EQ(BmSearch("<!--body_start-->", text, 0, true, false), 4);
  EXPECT_EQ(BmSearch("<!--body_start-->", text, 1, true, false), 4);
  EXPECT_EQ(BmSearch("<!--body_start-->", text, 4, true, false), 4);
  EXPECT_EQ(BmSearch("<!--body_start-->", text, 5, true, false), 22);
  EXPECT_EQ(BmSearch("<!--body_start-->", text, 23, true, false), 0);
  // Case matters without the ignore-case flag.
  EXPECT_EQ(BmSearch("<!--body_start-->", text, 0, false, false), 22);
}

TEST(BmSearch, IgnoreCaseWantsALowerCasePatternUnlessAskedToLowerIt) {
  const std::string text = "xx Album-Options yy";
  // An upper-case pattern never matches folded text...
  EXPECT_EQ(BmSearch("ALBUM-OPTIONS", text, 0, true, false), 0);
  // ...unless the lower-case-pattern flag lowers it first.
  EXPECT_EQ(BmSearch("ALBUM-OPTIONS", text, 0, true, true), 4);
  // The upper-case sibling folds the text to upper case.
  EXPECT_EQ(BmSearchUpper("{thumbspecs}", "a{ThumbSpecs}", 0), 2);
}

TEST(BmSearch, InvalidAndBoundaryPatterns) {
  EXPECT_EQ(BmSearch("", "abc", 0, false, false), -1);
  const std::string longest(255, 'a');
  const std::string too_long(256, 'a');
  const std::string text(300, 'a');
  EXPECT_EQ(BmSearch(longest, text, 0, false, false), 1);
  EXPECT_EQ(BmSearch(too_long, text, 0, false, false), -1);
  EXPECT_EQ(BmSearch("abcd", "abc", 0, false, false), 0);
  EXPECT_EQ(BmSearch("c", "abc", 3, false, false), 3);
  EXPECT_EQ(BmSearch("c", "abc", 99, false, false), 0);
  // Bytes above 127 take part in the skip table without sign trouble.
  EXPECT_EQ(BmSearch("\xc3\xa9t\xc3\xa9", "un \xc3\xa9t\xc3\xa9 chaud", 0, true, false), 4);
}

TEST(BmSearch, AgreesWithNaiveSearch) {
  // Periodic texts are where a wrong skip table shows.
  const std::string text = "abababcababcabcabcbabcabcabcabcabbcabcabac";
  for (const std::string pattern : {"abc", "bca", "cab", "abcab", "bb", "ac", "abac", "aba"}) {
    for (size_t start = 0; start <= text.size(); ++start) {
      const size_t naive = text.find(pattern, start);
      const std::ptrdiff_t expected =
          naive == std::string::npos ? 0 : static_cast<std::ptrdiff_t>(naive) + 1;
      EXPECT_EQ(BmSearch(pattern, text, static_cast<std::ptrdiff_t>(start) + 1, false, false),
                expected)
          << pattern << " from " << start;
    }
  }
}

}  // namespace
}  // namespace pictavo
