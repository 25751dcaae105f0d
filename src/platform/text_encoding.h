#pragma once
// UTF-8 is the program's text; legacy 8-bit files are Windows-1252.
#include <cstdint>
#include <string>
#include <string_view>

namespace pictavo {

bool IsValidUtf8(std::string_view bytes);
// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t code_point);
// Decodes the code point starting at pos and advances pos; an invalid
// sequence yields U+FFFD and advances one byte.
char32_t NextCodePoint(std::string_view text, size_t& pos);
// Windows-1252 bytes to UTF-8 (undefined bytes 0x81, 0x8D, 0x8F, 0x90, 0x9D map
// to the C1 control of the same value).
std::string Windows1252ToUtf8(std::string_view bytes);
// Unicode code point to its Windows-1252 byte, or -1 when the set has none.
int Windows1252FromCodePoint(char32_t code_point);
// Text of a legacy file: kept when it is valid UTF-8 (a UTF-8 byte-order mark
// is removed), else decoded as Windows-1252.
std::string DecodeLegacyText(std::string_view bytes);

}  // namespace pictavo
