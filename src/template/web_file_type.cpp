#include "template/web_file_type.h"

#include "platform/case_fold.h"

namespace pictavo {

bool IsWebFileType(std::string_view ext) {
  static constexpr std::string_view kTypes[] = {"ASP",  "CGI", "CSS",  "DHTML", "HTA",   "HTT",
                                                "INI",  "JS",  "LOG",  "PL",    "PHTML", "SHTML",
                                                "SGML", "TXT", "VRML", "XML"};
  const std::string upper = UpperAscii(ext);
  if (upper.rfind("HTM", 0) == 0) return true;
  for (std::string_view type : kTypes) {
    if (upper == type) return true;
  }
  return false;
}

}  // namespace pictavo
