#include "template/param_fields.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

#include "template/calc.h"
#include "template/field_ids.h"
#include "template/html_to_text.h"

namespace pictavo {

namespace {

constexpr char kParamStart = '\x03';
constexpr char kParamSeparator = '\x04';

// One part of a USE argument starting at pos; pos moves past its ";".
std::string TakeUsePart(std::string_view arg, size_t& pos) {
  size_t start = pos;
  size_t search = pos;
  if (pos < arg.size() && arg[pos] == '"') {
    size_t close = arg.find('"', pos + 1);
    if (close != std::string_view::npos) search = close + 1;
  }
  size_t semi = arg.find(';', search);
  size_t end = semi == std::string_view::npos ? arg.size() : semi;
  pos = semi == std::string_view::npos ? arg.size() : semi + 1;
  std::string_view part = arg.substr(start, end - start);
  if (part.size() >= 2 && part.front() == '"' && part.back() == '"')
    part = part.substr(1, part.size() - 2);
  return std::string(part);
}

// The part as an integer; 0 when it is none. Blanks around it are allowed.
int64_t PartInteger(std::string_view part) {
  while (!part.empty() && (part.front() == ' ' || part.front() == '\t')) part.remove_prefix(1);
  while (!part.empty() && (part.back() == ' ' || part.back() == '\t')) part.remove_suffix(1);
  if (!part.empty() && part.front() == '+') part.remove_prefix(1);
  int64_t value = 0;
  auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
  if (ec != std::errc() || ptr != part.data() + part.size() || part.empty()) return 0;
  return value;
}

// The id of a token: a decimal number other than 0 (a sign allowed); 0 when
// the text is none.
int TokenId(std::string_view text) {
  if (text.empty() || text.size() > 9) return 0;
  std::string_view digits = text;
  if (digits.front() == '+' || digits.front() == '-') digits.remove_prefix(1);
  if (digits.empty()) return 0;
  for (char c : digits)
    if (c < '0' || c > '9') return 0;
  int value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return text.front() == '-' ? -value : value;
}

}  // namespace

std::string ClearTagsValue(std::string_view argument) {
  if (argument.empty()) return {};
  std::string text = HtmlToText(argument);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '"')
      out += "&quot;";
    else if (c == '\'')
      out += "&#039;";
    else
      out += c;
  }
  return out;
}

TUseParts SplitUseArgument(std::string_view argument) {
  TUseParts parts;
  size_t pos = 0;
  parts.first = TakeUsePart(argument, pos);
  parts.second = TakeUsePart(argument, pos);  // empty when there is no ";"

  return parts;
}

std::string UseBestValue(std::string_view argument) {
  TUseParts parts = SplitUseArgument(argument);
  return parts.first.empty() ? parts.second : parts.first;
}

std::string UseGreaterValue(std::string_view argument) {
  TUseParts parts = SplitUseArgument(argument);
  return std::to_string(std::max(PartInteger(parts.first), PartInteger(parts.second)));
}

std::string UseSmallerValue(std::string_view argument) {
  TUseParts parts = SplitUseArgument(argument);
  return std::to_string(std::min(PartInteger(parts.first), PartInteger(parts.second)));
}

std::string ParamFieldValue(int id, std::string_view argument) {
  switch (id) {
    case fidCalc:
      return EvaluateCalc(argument);
    case fidClearTags:
      return ClearTagsValue(argument);
    case fidUseBest:
      return UseBestValue(argument);
    case fidUseGreater:
      return UseGreaterValue(argument);
    case fidUseSmaller:
      return UseSmallerValue(argument);
    default:
      return std::string(argument);
  }
}

void ApplyParamFields(std::string& text) {
  if (text.find(kParamStart) == std::string::npos) return;
  // The text from the scan position to the end is kept reversed in `rest`,
  // so that removing a token at its front and inserting a value there are
  // pushes and pops at the back; `separators` holds the positions in `rest`
  // of its 0x04 bytes, ascending (the nearest to the front come last).
  std::string rest;
  rest.reserve(text.size());
  std::vector<size_t> separators;
  auto push = [&](char c) {
    if (c == kParamSeparator) separators.push_back(rest.size());
    rest += c;
  };
  auto pop_to = [&](size_t size) {
    rest.resize(size);
    while (!separators.empty() && separators.back() >= size) separators.pop_back();
  };
  size_t i = text.size();
  while (i > 0) {
    char c = text[--i];
    if (c != kParamStart) {
      push(c);
      continue;
    }
    if (separators.empty()) {
      // No 0x04 after this 0x03: nothing before it can form a token either.
      push(c);
      while (i > 0) push(text[--i]);
      break;
    }
    size_t a = separators.back();
    if (separators.size() < 2) {
      push(c);
      continue;
    }
    size_t e = separators[separators.size() - 2];
    std::string id_text(rest.rbegin(),
                        rest.rbegin() + static_cast<std::ptrdiff_t>(rest.size() - 1 - a));
    int id = TokenId(id_text);
    if (id == 0) {
      push(c);
      continue;
    }
    std::string argument(rest.rbegin() + static_cast<std::ptrdiff_t>(rest.size() - a),
                         rest.rbegin() + static_cast<std::ptrdiff_t>(rest.size() - 1 - e));
    std::string value = ParamFieldValue(id, argument);
    pop_to(e);
    for (size_t k = value.size(); k > 0; --k) push(value[k - 1]);
  }
  text.assign(rest.rbegin(), rest.rend());
}

}  // namespace pictavo
