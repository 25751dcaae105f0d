#include "template/url_path.h"

#include "platform/case_fold.h"

namespace pictavo {

namespace {

constexpr std::string_view kUrlEscapeSet = " \"#%&';<=>?@[]^`{|}\\";
constexpr char kHexDigits[] = "0123456789ABCDEF";

// True when name is a URL scheme name: a letter, then letters,
// digits, "+", "-" or ".".
bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSchemeName(std::string_view name) {
  if (name.empty() || !IsAsciiLetter(name.front())) return false;
  for (char c : name) {
    if (!IsAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
      return false;
    }
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string EscapeUrl(std::string_view path) {
  std::string out;
  out.reserve(path.size() + path.size() / 4);
  // A colon in the first folder or name of a relative path would read as a
  // scheme ("12:30.jpg").
  size_t first_segment_end = path.empty() || path.front() == '/' ? 0 : path.find('/');
  if (first_segment_end == std::string_view::npos) first_segment_end = path.size();
  for (size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b >= 0x7F || kUrlEscapeSet.find(c) != std::string_view::npos ||
        (c == ':' && i < first_segment_end)) {
      out += '%';
      out += kHexDigits[b >> 4];
      out += kHexDigits[b & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

std::string PathToUrl(std::string_view path) {
  std::string url = EscapeUrl(path);
  if (!url.empty() && url.front() == '/') url.insert(0, "file://");
  return url;
}

std::string UrlToPath(std::string_view url) {
  std::string_view rest = url;
  if (StartsWithNoCase(rest, "file://")) {
    rest.remove_prefix(7);
    if (StartsWithNoCase(rest, "localhost/")) rest.remove_prefix(9);
  } else if (size_t scheme_end = rest.find("://");
             scheme_end != std::string_view::npos && IsSchemeName(rest.substr(0, scheme_end))) {
    rest.remove_prefix(scheme_end + 3);
    const size_t slash = rest.find('/');
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  }
  std::string path;
  path.reserve(rest.size());
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 &&
        HexValue(rest[i + 2]) >= 0) {
      path += static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
      i += 2;
    } else {
      path += rest[i];
    }
  }
  return path;
}

}  // namespace pictavo
