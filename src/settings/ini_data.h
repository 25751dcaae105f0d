#pragma once
// The text of an INI file in memory: sections of lines, read and written by
// the program's own rules (see ini_data.cpp).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

class TIniData {
 public:
  // Reads INI text: empty lines and lines starting with ";" are skipped, a
  // line "[name]" opens a section, lines before the first section are
  // dropped; any line break (CR LF, LF, CR) ends a line. A section that
  // appears twice is merged into its first appearance.
  void Parse(std::string_view text);
  // Every section as its header, its lines, then one empty line; CR LF.
  std::string Serialize() const;

  // The text after the first "=" of the first line of the section whose
  // part before "=" equals key; names compare without regard to case.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  // Replaces the key's line or appends one at the end of its section; a new
  // section goes after the others.
  void SetValue(std::string_view section, std::string_view key, std::string_view value);
  bool DeleteKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);
  bool HasSection(std::string_view section) const;
  std::vector<std::string> SectionNames() const;
  // The keys (part before "=") of a section's lines, in order.
  std::vector<std::string> Keys(std::string_view section) const;
  bool Empty() const { return sections_.empty(); }
  void Clear() { sections_.clear(); }

 private:
  struct TSection {
    std::string name;
    std::vector<std::string> lines;
  };
  TSection* Find(std::string_view section);
  const TSection* Find(std::string_view section) const;
  std::vector<TSection> sections_;
};

}  // namespace pictavo
