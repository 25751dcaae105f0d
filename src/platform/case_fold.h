#pragma once
// Comparison without regard to case: ASCII and Latin-1 letters (as UTF-8).
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

// ASCII letters only.
std::string LowerAscii(std::string_view text);
std::string UpperAscii(std::string_view text);
// Lower-case form of ASCII and Latin-1 letters (U+00C0..U+00DE except U+00D7).
std::string FoldCase(std::string_view text);
// Negative, zero or positive, like strcmp, comparing folded code points.
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
struct LessNoCase {
  bool operator()(std::string_view a, std::string_view b) const { return CompareNoCase(a, b) < 0; }
};
// Stable sort without regard to case.
void SortNoCase(std::vector<std::string>& items);

}  // namespace pictavo
