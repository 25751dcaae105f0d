#include "pictures/description_box.h"

namespace pictavo {

void CtrlEnterLineBreak(std::string& text, size_t& caret) {
  if (caret > text.size()) caret = text.size();
  size_t length = 0;
  if (caret >= 2 && text.compare(caret - 2, 2, "\r\n") == 0) {
    length = 2;
  } else if (caret >= 1 && (text[caret - 1] == '\n' || text[caret - 1] == '\r')) {
    length = 1;
  }
  if (length == 0) return;
  text.replace(caret - length, length, "<br>");
  caret = caret - length + 4;
}

std::string DescriptionToGridText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += "<br>";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\n') {
      out += "<br>";
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace pictavo
