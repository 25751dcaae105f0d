#pragma once
// Web-page titles for picture rows of HTML files (the link-scanning module
// will take these over; the picture list must not depend on it).
#include <string>
#include <string_view>

namespace pictavo {

// True for "asp", "css", "cfm", "htm", "html", "hta", "htt", "php", "php3",
// "php4", "phtml", "shtml" and "xml" (extension without the dot, any case).
bool IsHtmlFileExt(std::string_view ext);
// The text between the first "<title>" and the following "</title>" (without
// regard to case) within head; empty when either tag is missing. A title that
// is not UTF-8 is read as Windows-1252.
std::string HtmlTitleFromBytes(std::string_view head);
// HtmlTitleFromBytes of the first 4096 bytes of a file; empty when the file
// cannot be read.
std::string GetHtmlTitle(const std::string& file_name);

}  // namespace pictavo
