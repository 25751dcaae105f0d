#include "settings/ini_data.h"

#include "platform/case_fold.h"
#include "platform/text_lines.h"

namespace pictavo {

namespace {
// The key part of a line, or npos-marked when the line has no "=".
bool KeyMatches(const std::string& line, std::string_view key) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  return EqualsNoCase(std::string_view(line).substr(0, eq), key);
}
}  // namespace

void TIniData::Parse(std::string_view text) {
  sections_.clear();
  TSection* current = nullptr;
  for (auto& line : SplitLines(text)) {
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      std::string name = line.substr(1, line.size() - 2);
      current = Find(name);
      if (!current) {
        sections_.push_back({name, {}});
        current = &sections_.back();
      }
      continue;
    }
    if (current) current->lines.push_back(std::move(line));
  }
}

std::string TIniData::Serialize() const {
  std::string out;
  for (const auto& s : sections_) {
    out += "[" + s.name + "]\r\n";
    for (const auto& l : s.lines) out += l + "\r\n";
    out += "\r\n";
  }
  return out;
}

TIniData::TSection* TIniData::Find(std::string_view section) {
  for (auto& s : sections_)
    if (EqualsNoCase(s.name, section)) return &s;
  return nullptr;
}

const TIniData::TSection* TIniData::Find(std::string_view section) const {
  for (const auto& s : sections_)
    if (EqualsNoCase(s.name, section)) return &s;
  return nullptr;
}

std::optional<std::string> TIniData::Value(std::string_view section, std::string_view key) const {
  const TSection* s = Find(section);
  if (!s) return std::nullopt;
  for (const auto& l : s->lines)
    if (KeyMatches(l, key)) return l.substr(l.find('=') + 1);
  return std::nullopt;
}

void TIniData::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  TSection* s = Find(section);
  if (!s) {
    sections_.push_back({std::string(section), {}});
    s = &sections_.back();
  }
  std::string line = std::string(key) + "=" + std::string(value);
  for (auto& l : s->lines)
    if (KeyMatches(l, key)) {
      l = std::move(line);
      return;
    }
  s->lines.push_back(std::move(line));
}

bool TIniData::DeleteKey(std::string_view section, std::string_view key) {
  TSection* s = Find(section);
  if (!s) return false;
  for (auto it = s->lines.begin(); it != s->lines.end(); ++it)
    if (KeyMatches(*it, key)) {
      s->lines.erase(it);
      return true;
    }
  return false;
}

void TIniData::EraseSection(std::string_view section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it)
    if (EqualsNoCase(it->name, section)) {
      sections_.erase(it);
      return;
    }
}

bool TIniData::HasSection(std::string_view section) const { return Find(section) != nullptr; }

std::vector<std::string> TIniData::SectionNames() const {
  std::vector<std::string> out;
  for (const auto& s : sections_) out.push_back(s.name);
  return out;
}

std::vector<std::string> TIniData::Keys(std::string_view section) const {
  std::vector<std::string> out;
  if (const TSection* s = Find(section))
    for (const auto& l : s->lines) {
      size_t eq = l.find('=');
      out.push_back(eq == std::string::npos ? l : l.substr(0, eq));
    }
  return out;
}

}  // namespace pictavo
