#include "template/color_value.h"

#include <array>
#include <string>

#include "platform/case_fold.h"

namespace pictavo {
namespace {

struct TNamedColor {
  const char* name;  // lower case
  uint32_t rgb;      // 0xRRGGBB
};

// HTML and CSS colour names, and the extra names of the window toolkit.
constexpr TNamedColor kNamedColors[] = {
    {"aliceblue", 0xF0F8FF},
    {"antiquewhite", 0xFAEBD7},
    {"aqua", 0x00FFFF},
    {"aquamarine", 0x7FFFD4},
    {"azure", 0xF0FFFF},
    {"beige", 0xF5F5DC},
    {"bisque", 0xFFE4C4},
    {"black", 0x000000},
    {"blanchedalmond", 0xFFEBCD},
    {"blue", 0x0000FF},
    {"blueviolet", 0x8A2BE2},
    {"brown", 0xA52A2A},
    {"burlywood", 0xDEB887},
    {"cadetblue", 0x5F9EA0},
    {"chartreuse", 0x7FFF00},
    {"chocolate", 0xD2691E},
    {"coral", 0xFF7F50},
    {"cornflowerblue", 0x6495ED},
    {"cornsilk", 0xFFF8DC},
    {"crimson", 0xDC143C},
    {"cyan", 0x00FFFF},
    {"darkblue", 0x00008B},
    {"darkcyan", 0x008B8B},
    {"darkgoldenrod", 0xB8860B},
    {"darkgray", 0xA9A9A9},
    {"darkgreen", 0x006400},
    {"darkgrey", 0xA9A9A9},
    {"darkkhaki", 0xBDB76B},
    {"darkmagenta", 0x8B008B},
    {"darkolivegreen", 0x556B2F},
    {"darkorange", 0xFF8C00},
    {"darkorchid", 0x9932CC},
    {"darkred", 0x8B0000},
    {"darksalmon", 0xE9967A},
    {"darkseagreen", 0x8FBC8F},
    {"darkslateblue", 0x483D8B},
    {"darkslategray", 0x2F4F4F},
    {"darkslategrey", 0x2F4F4F},
    {"darkturquoise", 0x00CED1},
    {"darkviolet", 0x9400D3},
    {"deeppink", 0xFF1493},
    {"deepskyblue", 0x00BFFF},
    {"dimgray", 0x696969},
    {"dimgrey", 0x696969},
    {"dodgerblue", 0x1E90FF},
    {"firebrick", 0xB22222},
    {"floralwhite", 0xFFFAF0},
    {"forestgreen", 0x228B22},
    {"fuchsia", 0xFF00FF},
    {"gainsboro", 0xDCDCDC},
    {"ghostwhite", 0xF8F8FF},
    {"gold", 0xFFD700},
    {"goldenrod", 0xDAA520},
    {"gray", 0x808080},
    {"green", 0x008000},
    {"greenyellow", 0xADFF2F},
    {"grey", 0x808080},
    {"honeydew", 0xF0FFF0},
    {"hotpink", 0xFF69B4},
    {"indianred", 0xCD5C5C},
    {"indigo", 0x4B0082},
    {"ivory", 0xFFFFF0},
    {"khaki", 0xF0E68C},
    {"lavender", 0xE6E6FA},
    {"lavenderblush", 0xFFF0F5},
    {"lawngreen", 0x7CFC00},
    {"lemonchiffon", 0xFFFACD},
    {"lightblue", 0xADD8E6},
    {"lightcoral", 0xF08080},
    {"lightcyan", 0xE0FFFF},
    {"lightgoldenrodyellow", 0xFAFAD2},
    {"lightgray", 0xD3D3D3},
    {"lightgreen", 0x90EE90},
    {"lightgrey", 0xD3D3D3},
    {"lightpink", 0xFFB6C1},
    {"lightsalmon", 0xFFA07A},
    {"lightseagreen", 0x20B2AA},
    {"lightskyblue", 0x87CEFA},
    {"lightslategray", 0x778899},
    {"lightslategrey", 0x778899},
    {"lightsteelblue", 0xB0C4DE},
    {"lightyellow", 0xFFFFE0},
    {"lime", 0x00FF00},
    {"limegreen", 0x32CD32},
    {"linen", 0xFAF0E6},
    {"magenta", 0xFF00FF},
    {"maroon", 0x800000},
    {"mediumaquamarine", 0x66CDAA},
    {"mediumblue", 0x0000CD},
    {"mediumorchid", 0xBA55D3},
    {"mediumpurple", 0x9370DB},
    {"mediumseagreen", 0x3CB371},
    {"mediumslateblue", 0x7B68EE},
    {"mediumspringgreen", 0x00FA9A},
    {"mediumturquoise", 0x48D1CC},
    {"mediumvioletred", 0xC71585},
    {"midnightblue", 0x191970},
    {"mintcream", 0xF5FFFA},
    {"mistyrose", 0xFFE4E1},
    {"moccasin", 0xFFE4B5},
    {"navajowhite", 0xFFDEAD},
    {"navy", 0x000080},
    {"oldlace", 0xFDF5E6},
    {"olive", 0x808000},
    {"olivedrab", 0x6B8E23},
    {"orange", 0xFFA500},
    {"orangered", 0xFF4500},
    {"orchid", 0xDA70D6},
    {"palegoldenrod", 0xEEE8AA},
    {"palegreen", 0x98FB98},
    {"paleturquoise", 0xAFEEEE},
    {"palevioletred", 0xDB7093},
    {"papayawhip", 0xFFEFD5},
    {"peachpuff", 0xFFDAB9},
    {"peru", 0xCD853F},
    {"pink", 0xFFC0CB},
    {"plum", 0xDDA0DD},
    {"powderblue", 0xB0E0E6},
    {"purple", 0x800080},
    {"rebeccapurple", 0x663399},
    {"red", 0xFF0000},
    {"rosybrown", 0xBC8F8F},
    {"royalblue", 0x4169E1},
    {"saddlebrown", 0x8B4513},
    {"salmon", 0xFA8072},
    {"sandybrown", 0xF4A460},
    {"seagreen", 0x2E8B57},
    {"seashell", 0xFFF5EE},
    {"sienna", 0xA0522D},
    {"silver", 0xC0C0C0},
    {"skyblue", 0x87CEEB},
    {"slateblue", 0x6A5ACD},
    {"slategray", 0x708090},
    {"slategrey", 0x708090},
    {"snow", 0xFFFAFA},
    {"springgreen", 0x00FF7F},
    {"steelblue", 0x4682B4},
    {"tan", 0xD2B48C},
    {"teal", 0x008080},
    {"thistle", 0xD8BFD8},
    {"tomato", 0xFF6347},
    {"turquoise", 0x40E0D0},
    {"violet", 0xEE82EE},
    {"wheat", 0xF5DEB3},
    {"white", 0xFFFFFF},
    {"whitesmoke", 0xF5F5F5},
    {"yellow", 0xFFFF00},
    {"yellowgreen", 0x9ACD32},
    // Extra names of the window toolkit (its "SkyBlue" differs from CSS's
    // and is reached only through the "cl" prefix, see ColorFromText).
    {"moneygreen", 0xC0DCC0},
    {"cream", 0xFFFBF0},
    {"medgray", 0xA0A0A4},
    {"ltgray", 0xC0C0C0},
    {"dkgray", 0x808080},
};

// System colours: index, names (short and CSS spelling), fixed colour of the
// classic grey desktop scheme.
struct TSystemColor {
  int index;
  const char* name;
  const char* css_name;  // "" when CSS has none
  uint32_t rgb;
};

constexpr TSystemColor kSystemColors[] = {
    {0, "scrollbar", "scrollbar", 0xD4D0C8},
    {1, "background", "background", 0x3A6EA5},
    {2, "activecaption", "activecaption", 0x0A246A},
    {3, "inactivecaption", "inactivecaption", 0x808080},
    {4, "menu", "menu", 0xD4D0C8},
    {5, "window", "window", 0xFFFFFF},
    {6, "windowframe", "windowframe", 0x000000},
    {7, "menutext", "menutext", 0x000000},
    {8, "windowtext", "windowtext", 0x000000},
    {9, "captiontext", "captiontext", 0xFFFFFF},
    {10, "activeborder", "activeborder", 0xD4D0C8},
    {11, "inactiveborder", "inactiveborder", 0xD4D0C8},
    {12, "appworkspace", "appworkspace", 0x808080},
    {13, "highlight", "highlight", 0x0A246A},
    {14, "highlighttext", "highlighttext", 0xFFFFFF},
    {15, "btnface", "buttonface", 0xD4D0C8},
    {16, "btnshadow", "buttonshadow", 0x808080},
    {17, "graytext", "graytext", 0x808080},
    {18, "btntext", "buttontext", 0x000000},
    {19, "inactivecaptiontext", "inactivecaptiontext", 0xD4D0C8},
    {20, "btnhighlight", "buttonhighlight", 0xFFFFFF},
    {21, "3ddkshadow", "threeddarkshadow", 0x404040},
    {22, "3dlight", "threedlightshadow", 0xD4D0C8},
    {23, "infotext", "infotext", 0x000000},
    {24, "infobk", "infobackground", 0xFFFFE1},
    {26, "hotlight", "", 0x000080},
    {27, "gradientactivecaption", "", 0xA6CAF0},
    {28, "gradientinactivecaption", "", 0xC0C0C0},
    {29, "menuhighlight", "", 0x0A246A},
    {30, "menubar", "", 0xD4D0C8},
};

constexpr uint32_t kSystemColorFlag = 0xFF000000u;

// 0xRRGGBB to blue * 65536 + green * 256 + red.
constexpr uint32_t FromRgb(uint32_t rgb) {
  return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

std::optional<uint32_t> ParseHex(std::string_view digits, size_t max_digits) {
  if (digits.empty() || digits.size() > max_digits) return std::nullopt;
  uint32_t value = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * 16 + static_cast<uint32_t>(d);
  }
  return value;
}

// A colour code in blue-green-red order: a plain colour, or a system colour
// code 0xFF0000nn.
std::optional<uint32_t> FromColorCode(uint32_t code) {
  if (code <= 0xFFFFFF) return code;
  if ((code & 0xFFFFFF00u) == kSystemColorFlag)
    return SystemColorValue(static_cast<int>(code & 0xFF));
  return std::nullopt;
}

std::optional<uint32_t> FromName(std::string_view lower) {
  for (const auto& c : kSystemColors) {
    if (lower == c.name || (*c.css_name && lower == c.css_name)) return FromRgb(c.rgb);
  }
  for (const auto& c : kNamedColors) {
    if (lower == c.name) return FromRgb(c.rgb);
  }
  return std::nullopt;
}

}  // namespace

std::optional<uint32_t> SystemColorValue(int index) {
  for (const auto& c : kSystemColors) {
    if (c.index == index) return FromRgb(c.rgb);
  }
  return std::nullopt;
}

std::optional<uint32_t> ColorFromText(std::string_view text) {
  if (text.empty()) return std::nullopt;
  if (text[0] == '#') {
    if (text.size() != 7) return std::nullopt;
    auto rgb = ParseHex(text.substr(1), 6);
    if (!rgb) return std::nullopt;
    return FromRgb(*rgb);
  }
  if (text[0] == '$') {
    auto code = ParseHex(text.substr(1), 8);
    if (!code) return std::nullopt;
    return FromColorCode(*code);
  }
  const std::string lower = LowerAscii(text);
  // The toolkit's sky blue is its own colour; the bare name is the CSS one.
  if (lower == "clskyblue") return FromRgb(0xA6CAF0);
  if (auto named = FromName(lower)) return named;
  if (lower.size() > 2 && lower.compare(0, 2, "cl") == 0) {
    if (auto named = FromName(std::string_view(lower).substr(2))) return named;
  }
  if (auto code = ParseHex(text, 8)) return FromColorCode(*code);
  return std::nullopt;
}

}  // namespace pictavo
