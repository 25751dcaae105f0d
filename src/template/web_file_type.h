#pragma once
// File-type tests of the template engine and the publishing code: which
// files are web pages and which are sent as text.
//
// IsHtmlFileExt and GetHtmlTitle live with the picture list (which must not
// depend on the template engine) and are offered here under the same names:
//   bool IsHtmlFileExt(std::string_view ext);   // ";asp;css;cfm;htm;html;..."
//   std::string GetHtmlTitle(const std::string& file_name);
#include <string_view>

#include "pictures/html_title.h"

namespace pictavo {

// True for the text types of an upload and the page types of the album list:
// ASP, CGI, CSS, DHTML, HTA, HTT, INI, JS, LOG, PL, PHTML, SHTML, SGML, TXT,
// VRML, XML and every extension that begins with HTM. The extension is given
// without the dot; its case does not matter.
bool IsWebFileType(std::string_view ext);

}  // namespace pictavo
