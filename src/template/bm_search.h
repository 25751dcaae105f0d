#pragma once
// Boyer-Moore-Horspool search: the delimiter and key search of the template
// engine. Positions are 1-based as in the rest of the template code.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pictavo {

// A prepared pattern: the pattern text and its 256-entry skip table.
struct TBmPattern {
  std::string pattern;
  std::array<uint8_t, 256> skip{};  // patterns are at most 255 bytes
  bool ignore_case = false;
  bool upper_case = false;  // fold the text to upper case instead of lower case
  bool valid = false;       // false for an empty pattern or one over 255 bytes
};

constexpr size_t kBmMaxPatternLength = 255;

// Prepares a pattern. With ignore_case each text byte is folded to lower case
// (ASCII letters) before it is compared, so the pattern must be lower case;
// lower_pattern (effective only with ignore_case) lower-cases it first.
TBmPattern MakeBmPattern(std::string_view pattern, bool ignore_case, bool lower_pattern);

// The same for upper-case patterns: text bytes are folded to upper case and
// the pattern is upper-cased first.
TBmPattern MakeBmPatternUpper(std::string_view pattern);

// 1-based position of the first occurrence at or after start (a start below 2
// means the whole text); 0 when there is none; -1 when the pattern is empty or
// longer than 255 bytes.
std::ptrdiff_t BmSearch(const TBmPattern& pattern, std::string_view text, std::ptrdiff_t start);
std::ptrdiff_t BmSearch(std::string_view pattern, std::string_view text, std::ptrdiff_t start,
                        bool ignore_case, bool lower_pattern);
// Ignore-case search for an upper-case pattern (used for "{THUMBSPECS}").
std::ptrdiff_t BmSearchUpper(std::string_view pattern, std::string_view text, std::ptrdiff_t start);

// 0-based convenience form: offset of the first occurrence at or after from,
// std::string_view::npos when there is none (or the pattern is invalid).
size_t BmFind(const TBmPattern& pattern, std::string_view text, size_t from = 0);

}  // namespace pictavo
