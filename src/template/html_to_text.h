#pragma once
// Plain text from HTML, as the CLEARTAGS: field writes it.
#include <string>
#include <string_view>

namespace pictavo {

// Removes tags, comments and the content of SCRIPT and STYLE elements in one
// pass from left to right. Outside PRE, XMP and PLAINTEXT a line break of the
// text becomes one blank (none after "-" or after a line break), blanks at a
// line start are dropped. Block tags produce CR LF line breaks (P, HR and the
// headings two), "</TD>" and "</TH>" a tab; list items begin with tabs and a
// bullet ("*", "+", "-", U+2022, U+00B7 by depth) or the numbers of the open
// ordered lists ("1.2."). Breaks before the first text are suppressed.
// Character entities pass through unchanged.
std::string HtmlToText(std::string_view html);

}  // namespace pictavo
