#include "template/text_to_bool.h"

#include "platform/case_fold.h"

namespace pictavo {

bool TextToBool(std::string_view text, bool strict) {
  if (text.empty()) return false;
  const std::string s = UpperAscii(text.substr(0, 5));
  const char c = s[0];
  bool result = true;
  switch (c) {
    case '0':
      result = s.size() > 1;
      break;
    case 'F':
      result = s != "FALSE";
      break;
    case 'N':
      result = s != "N" && s != "NO";
      break;
    case 'O':
      result = s != "OFF";
      break;
    default:
      break;
  }
  if (!strict || !result) return result;
  switch (c) {
    case '+':
    case '-':
      return s == "+1" || s == "-1";
    case '1':
      return s == "1";
    case 'O':
      return s == "ON";
    case 'T':
      return s == "TRUE";
    case 'Y':
      return s == "Y" || s == "YES";
    default:
      return false;
  }
}

}  // namespace pictavo
