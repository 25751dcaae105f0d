#pragma once
// Lines of text: readers accept CR LF, LF and CR; writers join with CR LF.
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

// A final line break ends the last line and starts no empty one.
std::vector<std::string> SplitLines(std::string_view text);
// Puts CR LF after each line.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);
// Replaces every occurrence of from (non-empty) by to.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
// Splits at a separator character, keeping empty pieces.
std::vector<std::string> SplitText(std::string_view text, char separator);

}  // namespace pictavo
