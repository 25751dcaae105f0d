#include "platform/case_fold.h"

#include <algorithm>

#include "platform/text_encoding.h"

namespace pictavo {

namespace {
char32_t FoldCodePoint(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
  return cp;
}
}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

std::string FoldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c < 0x80) {
      out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
      ++pos;
      continue;
    }
    size_t start = pos;
    char32_t cp = NextCodePoint(text, pos);
    if (cp == 0xFFFD && pos == start + 1) {
      out += text[start];  // keep invalid bytes as they are
    } else {
      AppendUtf8(out, FoldCodePoint(cp));
    }
  }
  return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[j]);
    char32_t x, y;
    if (ca < 0x80) {
      x = FoldCodePoint(ca);
      ++i;
    } else {
      x = FoldCodePoint(NextCodePoint(a, i));
    }
    if (cb < 0x80) {
      y = FoldCodePoint(cb);
      ++j;
    } else {
      y = FoldCodePoint(NextCodePoint(b, j));
    }
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return CompareNoCase(a, b) == 0; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) {
    // Folding never changes the byte length of ASCII or Latin-1 letters.
    return false;
  }
  return CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

void SortNoCase(std::vector<std::string>& items) {
  std::stable_sort(items.begin(), items.end(), LessNoCase{});
}

}  // namespace pictavo
