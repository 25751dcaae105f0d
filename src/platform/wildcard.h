#pragma once
// File-name masks: "*" any run of characters, "?" one character.
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

// Matches a file-system mask against a name without regard to case.
bool MatchMask(std::string_view mask, std::string_view name);
// Matches like MatchMask, but a backslash before "*" or "?" makes it literal
// and every other character must be equal exactly (callers lower-case both).
bool MatchMaskEscaped(std::string_view mask, std::string_view name);
// Splits a mask text at ";", dropping empty pieces, keeping order; pieces are
// not trimmed.
std::vector<std::string> SplitMasks(std::string_view masks);

}  // namespace pictavo
