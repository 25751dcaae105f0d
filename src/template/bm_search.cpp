#include "template/bm_search.h"

namespace pictavo {

namespace {

// Byte folding: ASCII letters only, so UTF-8 sequences are never changed and
// ASCII patterns find their text whatever the surrounding encoding.
inline unsigned char FoldLower(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}
inline unsigned char FoldUpper(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

void BuildSkipTable(TBmPattern& p) {
  const size_t m = p.pattern.size();
  p.valid = m > 0 && m <= kBmMaxPatternLength;
  if (!p.valid) return;
  p.skip.fill(static_cast<uint8_t>(m));
  for (size_t i = 0; i + 1 < m; ++i) {
    p.skip[static_cast<unsigned char>(p.pattern[i])] = static_cast<uint8_t>(m - 1 - i);
  }
}

inline unsigned char Fold(const TBmPattern& p, unsigned char c) {
  if (!p.ignore_case) return c;
  return p.upper_case ? FoldUpper(c) : FoldLower(c);
}

}  // namespace

TBmPattern MakeBmPattern(std::string_view pattern, bool ignore_case, bool lower_pattern) {
  TBmPattern p;
  p.pattern.assign(pattern);
  p.ignore_case = ignore_case;
  if (ignore_case && lower_pattern) {
    for (char& c : p.pattern) c = static_cast<char>(FoldLower(static_cast<unsigned char>(c)));
  }
  BuildSkipTable(p);
  return p;
}

TBmPattern MakeBmPatternUpper(std::string_view pattern) {
  TBmPattern p;
  p.pattern.assign(pattern);
  p.ignore_case = true;
  p.upper_case = true;
  for (char& c : p.pattern) c = static_cast<char>(FoldUpper(static_cast<unsigned char>(c)));
  BuildSkipTable(p);
  return p;
}

size_t BmFind(const TBmPattern& p, std::string_view text, size_t from) {
  if (!p.valid) return std::string_view::npos;
  const size_t m = p.pattern.size();
  const size_t n = text.size();
  if (from > n || n - from < m) return std::string_view::npos;
  const auto* pat = reinterpret_cast<const unsigned char*>(p.pattern.data());
  const auto* txt = reinterpret_cast<const unsigned char*>(text.data());
  size_t pos = from;
  while (pos + m <= n) {
    const unsigned char last = Fold(p, txt[pos + m - 1]);
    if (last == pat[m - 1]) {
      size_t i = m - 1;
      while (i > 0 && Fold(p, txt[pos + i - 1]) == pat[i - 1]) --i;
      if (i == 0) return pos;
    }
    pos += p.skip[last];
  }
  return std::string_view::npos;
}

std::ptrdiff_t BmSearch(const TBmPattern& p, std::string_view text, std::ptrdiff_t start) {
  if (!p.valid) return -1;
  const size_t from = start < 2 ? 0 : static_cast<size_t>(start - 1);
  const size_t found = BmFind(p, text, from);
  return found == std::string_view::npos ? 0 : static_cast<std::ptrdiff_t>(found) + 1;
}

std::ptrdiff_t BmSearch(std::string_view pattern, std::string_view text, std::ptrdiff_t start,
                        bool ignore_case, bool lower_pattern) {
  return BmSearch(MakeBmPattern(pattern, ignore_case, lower_pattern), text, start);
}

std::ptrdiff_t BmSearchUpper(std::string_view pattern, std::string_view text,
                             std::ptrdiff_t start) {
  return BmSearch(MakeBmPatternUpper(pattern), text, start);
}

}  // namespace pictavo
