#pragma once
// The ignored-names list: file names (name and extension, no folder) of the
// pictures excluded by hand, sorted without regard to case, each held once,
// with a transient "seen" mark used while the picture list is refilled.
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

class TIgnoredNames {
 public:
  // Adds a name unless an equal one (without regard to case) is there.
  void Add(std::string_view name);
  // Removes the first equal name; false when there was none.
  bool Remove(std::string_view name);
  bool Contains(std::string_view name) const;
  // Marks an equal name seen; false when there is none.
  bool MarkSeen(std::string_view name);
  void ClearSeen();
  // Deletes every name that was not marked seen since ClearSeen.
  void DeleteUnseen();
  void Clear() { entries_.clear(); }
  // Replaces the list (album settings).
  void Assign(const std::vector<std::string>& names);
  std::vector<std::string> Names() const;
  int Count() const { return static_cast<int>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }

 private:
  struct TEntry {
    std::string name;
    bool seen = false;
  };
  // Index of the equal entry, or of the place where it would stand.
  size_t LowerBound(std::string_view name) const;
  std::vector<TEntry> entries_;
};

}  // namespace pictavo
