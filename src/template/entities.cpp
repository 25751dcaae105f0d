#include "template/entities.h"

#include "platform/text_encoding.h"

namespace pictavo {

namespace {

// Names of U+00A0..U+00FF (HTML 4 Latin-1). U+00B4 (acute accent) has no name
// here: it is written as a numeric entity.
constexpr std::string_view kLatin1Names[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "",       "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

// Accented letters: U+00C0..U+00FF except the multiplication and division
// signs. They get their names only when entities are in use.
bool IsAccentedLetter(char32_t cp) {
  return cp >= 0xC0 && cp <= 0xFF && cp != 0xD7 && cp != 0xF7;
}

bool NeedsWork(std::string_view text) {
  for (char c : text) {
    auto b = static_cast<unsigned char>(c);
    if (b >= 0x80 || c == '"' || c == '&' || c == '<' || c == '>') return true;
  }
  return false;
}

void AppendEntity(std::string& out, std::string_view name) {
  out += '&';
  out += name;
  out += ';';
}

}  // namespace

std::string_view HtmlEntityName(char32_t cp) {
  switch (cp) {
    case ' ':
      return "nbsp";
    case '"':
      return "quot";
    case '&':
      return "amp";
    case '<':
      return "lt";
    case '>':
      return "gt";
    // Windows-1252 punctuation at its Unicode code points. The left double
    // quotation mark (147 in the 8-bit set) has no name and becomes numeric.
    case 0x2018:
      return "lsquo";
    case 0x2019:
      return "rsquo";
    case 0x201D:
      return "rdquo";
    case 0x2122:
      return "trade";
    default:
      break;
  }
  if (cp >= 0xA0 && cp <= 0xFF) return kLatin1Names[cp - 0xA0];
  return {};
}

std::string EncodeHtmlEntities(std::string_view text, bool name_text, bool use_entities) {
  if (!NeedsWork(text)) return std::string(text);
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  bool prev_plain_blank = false;  // the previous character was a blank left as it was
  size_t pos = 0;
  while (pos < text.size()) {
    size_t start = pos;
    char32_t cp = NextCodePoint(text, pos);
    std::string_view raw = text.substr(start, pos - start);
    bool was_plain_blank = false;
    if (cp == 0xFFFD && raw != "\xEF\xBF\xBD") {
      // A byte that is no UTF-8: keep it rather than lose it.
      out += raw;
    } else if (cp >= 0x80) {
      std::string_view name = HtmlEntityName(cp);
      if (IsAccentedLetter(cp)) {
        if (use_entities)
          AppendEntity(out, name);
        else
          out += raw;
      } else if (!name.empty()) {
        AppendEntity(out, name);
      } else if (use_entities) {
        out += "&#" + std::to_string(static_cast<uint32_t>(cp)) + ";";
      } else {
        out += raw;
      }
    } else if (name_text && (cp == '"' || cp == '&' || cp == '<' || cp == '>')) {
      AppendEntity(out, HtmlEntityName(cp));
    } else if (cp == ' ' && name_text && use_entities && prev_plain_blank) {
      AppendEntity(out, "nbsp");
    } else {
      out += raw;
      was_plain_blank = cp == ' ';
    }
    prev_plain_blank = was_plain_blank;
  }
  return out;
}

}  // namespace pictavo
