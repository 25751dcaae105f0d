#pragma once
// Template compilation: field tags become field tokens, MERGE: and LINK: tags
// are resolved, and the compiled text is cut into its sections.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pictavo {

// Bytes of a compiled template.
constexpr char kTokenStart = '\x01';  // simple token: 0x01 id 0x02
constexpr char kTokenEnd = '\x02';
constexpr char kParamTokenStart = '\x03';  // parameterised: 0x03 id 0x04 argument 0x04
constexpr char kParamTokenSep = '\x04';
constexpr char kProtectedOpen = '\x05';   // literal "{" while compiling
constexpr char kProtectedClose = '\x06';  // literal "}" while compiling

// One named text that a MERGE: tag inserts.
struct TMergeObj {
  std::string text;
};

// NamedTexts: named texts, names compared without regard to case; the first
// text of a name wins. Lives for one build.
class TNamedTexts {
 public:
  // Adds a text under a name (after any texts already held).
  TMergeObj& Add(std::string name, std::string text);
  // The first text of that name, or nullptr.
  const TMergeObj* Find(std::string_view name) const;
  void Clear() { items_.clear(); }
  bool empty() const { return items_.empty(); }
  size_t size() const { return items_.size(); }
  const std::vector<std::pair<std::string, std::unique_ptr<TMergeObj>>>& items() const {
    return items_;
  }

 private:
  std::vector<std::pair<std::string, std::unique_ptr<TMergeObj>>> items_;
};

// The text of a template file: UTF-8, or Windows-1252 when the file is not
// valid UTF-8 (a UTF-8 byte-order mark is dropped). A file that cannot be
// read yields the empty text, like an empty file.
std::string ReadTemplateFile(const std::string& file_name);

// Compiles the field tags of a template text into field tokens. The scan runs
// from the end towards the start, so inner tags are compiled before the tags
// that hold them. Unknown names, unmatched braces and malformed tags stay as
// literal text. Bytes 0x01 to 0x06 cannot stand in a template (they are the
// token bytes) and are dropped from the text and from inserted named texts.
std::string CompileTemplate(std::string_view text, const TNamedTexts& named_texts);

// The contents section: the text between "<!--contents_start-->" and
// "<!--contents_end-->" (to the end of the text when the end is missing),
// less one line break at its start. The stretch from the start delimiter to
// the end delimiter and one line break after it is cut out of text;
// insert_pos is where the evaluated contents go.
struct TContentsCut {
  bool found = false;
  std::string contents;
  std::string text;       // the template without the stretch (unchanged when not found)
  size_t insert_pos = 0;  // 0-based offset in text
};
TContentsCut CutContentsSection(std::string_view text);

// Head (before "<!--body_start-->"), body and tail (after "<!--body_end-->").
// Without a start delimiter the head is empty; without an end delimiter the
// tail is empty and the body keeps its leading line break.
struct TBodySections {
  std::string head;
  std::string body;
  std::string tail;
};
TBodySections CutBodySections(std::string_view text);

// Both cuts in the order the build uses them: the contents section first,
// then head, body and tail of what remains.
struct TTemplateSections {
  TContentsCut contents;
  TBodySections sections;
};
TTemplateSections CutSections(std::string_view compiled_text);

// The folders the path macros stand for (each without trailing "/" once
// expanded).
struct TPathMacroFolders {
  std::string album;    // {ALBUMPATH}: the albums folder
  std::string program;  // {PROGRAMPATH}: the program folder
  std::string samples;  // {SAMPLESPATH}: the samples folder
  std::string temp;     // {TEMPPATH}: the system's temporary folder
};
// Replaces {ALBUMPATH}, {PROGRAMPATH}, {SAMPLESPATH} and {TEMPPATH} (any case)
// by their folders without trailing "/"; other brace pairs stay.
std::string ExpandPathMacros(std::string_view text, const TPathMacroFolders& folders);

// Offset just after one line break (CR LF, LF or CR) at pos, or pos itself.
size_t SkipOneLineBreak(std::string_view text, size_t pos);

}  // namespace pictavo
