#include "platform/wildcard.h"

#include "platform/case_fold.h"

namespace pictavo {

namespace {
// Iterative glob match with one back-tracking point: linear-ish time, no
// recursion, so long hostile masks cannot blow the stack.
template <typename Eq>
bool Glob(std::string_view mask, std::string_view name, bool escapes, Eq equal) {
  size_t m = 0, n = 0;
  size_t star_m = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (m < mask.size()) {
      char c = mask[m];
      if (c == '*') {
        star_m = ++m;
        star_n = n;
        continue;
      }
      if (escapes && c == '\\' && m + 1 < mask.size() && (mask[m + 1] == '*' || mask[m + 1] == '?')) {
        if (name[n] == mask[m + 1]) {
          m += 2;
          ++n;
          continue;
        }
      } else if (c == '?') {
        ++m;
        ++n;
        continue;
      } else if (equal(c, name[n])) {
        ++m;
        ++n;
        continue;
      }
    }
    if (star_m == std::string_view::npos) return false;
    m = star_m;
    n = ++star_n;
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}
}  // namespace

bool MatchMask(std::string_view mask, std::string_view name) {
  // Fold both once; folding keeps byte lengths of the letters it changes.
  std::string fm = FoldCase(mask), fn = FoldCase(name);
  return Glob(fm, fn, false, [](char a, char b) { return a == b; });
}

bool MatchMaskEscaped(std::string_view mask, std::string_view name) {
  return Glob(mask, name, true, [](char a, char b) { return a == b; });
}

std::vector<std::string> SplitMasks(std::string_view masks) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= masks.size()) {
    size_t semi = masks.find(';', start);
    if (semi == std::string_view::npos) semi = masks.size();
    if (semi > start) out.emplace_back(masks.substr(start, semi - start));
    start = semi + 1;
  }
  return out;
}

}  // namespace pictavo
