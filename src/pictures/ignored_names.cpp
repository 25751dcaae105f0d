#include "pictures/ignored_names.h"

#include <algorithm>

#include "platform/case_fold.h"

namespace pictavo {

size_t TIgnoredNames::LowerBound(std::string_view name) const {
  auto it = std::lower_bound(
      entries_.begin(), entries_.end(), name,
      [](const TEntry& e, std::string_view n) { return CompareNoCase(e.name, n) < 0; });
  return static_cast<size_t>(it - entries_.begin());
}

void TIgnoredNames::Add(std::string_view name) {
  size_t i = LowerBound(name);
  if (i < entries_.size() && EqualsNoCase(entries_[i].name, name)) return;
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(i), TEntry{std::string(name)});
}

bool TIgnoredNames::Remove(std::string_view name) {
  size_t i = LowerBound(name);
  if (i >= entries_.size() || !EqualsNoCase(entries_[i].name, name)) return false;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
  return true;
}

bool TIgnoredNames::Contains(std::string_view name) const {
  size_t i = LowerBound(name);
  return i < entries_.size() && EqualsNoCase(entries_[i].name, name);
}

bool TIgnoredNames::MarkSeen(std::string_view name) {
  size_t i = LowerBound(name);
  if (i >= entries_.size() || !EqualsNoCase(entries_[i].name, name)) return false;
  entries_[i].seen = true;
  return true;
}

void TIgnoredNames::ClearSeen() {
  for (auto& e : entries_) e.seen = false;
}

void TIgnoredNames::DeleteUnseen() {
  std::erase_if(entries_, [](const TEntry& e) { return !e.seen; });
}

void TIgnoredNames::Assign(const std::vector<std::string>& names) {
  entries_.clear();
  for (const auto& n : names) Add(n);
}

std::vector<std::string> TIgnoredNames::Names() const {
  std::vector<std::string> out;
  out.reserve(entries_.size());
  for (const auto& e : entries_) out.push_back(e.name);
  return out;
}

}  // namespace pictavo
