#pragma once
// Booleans of album options.
#include <string_view>

namespace pictavo {

// Lenient reading is false only for "", "0", "N", "NO", "OFF" and texts that
// begin with "FALSE" (any case); everything else is true ("2", "offline",
// "nope", "F"). Strict reading is true only for 1, +1, -1, ON, TRUE, Y and
// YES (any case). Only the first five characters are looked at.
bool TextToBool(std::string_view text, bool strict);

}  // namespace pictavo
