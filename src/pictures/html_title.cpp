#include "pictures/html_title.h"

#include "platform/case_fold.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"

namespace pictavo {

bool IsHtmlFileExt(std::string_view ext) {
  static const std::string kList = ";asp;css;cfm;htm;html;hta;htt;php;php3;php4;phtml;shtml;xml;";
  if (ext.empty() || ext.find(';') != std::string_view::npos) return false;
  return kList.find(";" + LowerAscii(ext) + ";") != std::string::npos;
}

std::string HtmlTitleFromBytes(std::string_view head) {
  // ASCII-only lower-casing keeps byte positions, so they map back to head.
  const std::string lower = LowerAscii(head);
  const size_t open = lower.find("<title>");
  if (open == std::string::npos) return {};
  const size_t start = open + 7;
  const size_t close = lower.find("</title>", start);
  if (close == std::string::npos) return {};
  return DecodeLegacyText(head.substr(start, close - start));
}

std::string GetHtmlTitle(const std::string& file_name) {
  auto head = ReadFileHead(file_name, 4096);
  if (!head) return {};
  return HtmlTitleFromBytes(*head);
}

}  // namespace pictavo
