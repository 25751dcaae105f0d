#include "template/compile_template.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/case_fold.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "template/bm_search.h"
#include "template/field_ids.h"

namespace pictavo {

TMergeObj& TNamedTexts::Add(std::string name, std::string text) {
  auto obj = std::make_unique<TMergeObj>();
  obj->text = std::move(text);
  TMergeObj& ref = *obj;
  items_.emplace_back(std::move(name), std::move(obj));
  return ref;
}

const TMergeObj* TNamedTexts::Find(std::string_view name) const {
  for (const auto& [item_name, obj] : items_) {
    if (EqualsNoCase(item_name, name)) return obj.get();
  }
  return nullptr;
}

namespace {

bool IsTokenByte(char c) {
  return c >= '\x01' && c <= '\x06';
}

std::string WithoutTokenBytes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (!IsTokenByte(c)) out.push_back(c);
  }
  return out;
}

// Length of the prefix name of a parameterised or name-taking field
// ("CALC:" ...), including its colon.
size_t PrefixNameLength(int id) {
  switch (id) {
    case fidCalc:
      return 5;  // CALC:
    case fidClearTags:
      return 10;  // CLEARTAGS:
    case fidUseBest:
      return 8;  // USEBEST:
    case fidUseGreater:
      return 11;  // USEGREATER:
    case fidUseSmaller:
      return 11;  // USESMALLER:
    case fidLink:
      return 5;  // LINK:
    case fidMerge:
      return 6;  // MERGE:
    default:
      return 0;
  }
}

// Ids that FieldIdFromName finds by a name's beginning.
bool IsPrefixMatchedId(int id) {
  const int a = std::abs(id);
  return PrefixNameLength(a) > 0 || a == fidLinkColor || a == fidTextColor || a == fidVLinkColor;
}

// The compiler keeps the part of the text after the current "{" (already
// compiled) reversed, so that everything the scan does there (replacing a tag
// that begins at the current "{", inserting before it) happens at the end of
// a string. Together with the recorded positions of the literal braces still
// in that part, each step costs only the length of what it removes or
// inserts, and compilation stays linear in the size of the text.
class TBackwardCompiler {
 public:
  explicit TBackwardCompiler(size_t size_hint) { rev_.reserve(size_hint + 16); }

  void Push(char c) {
    if (c == '}') {
      closes_.push_back(rev_.size());
    } else if (c == '{') {
      opens_.push_back(rev_.size());
    }
    rev_.push_back(c);
  }

  // Inserts text directly after the current "{".
  void Prepend(std::string_view text) {
    for (size_t i = text.size(); i > 0; --i) Push(text[i - 1]);
  }

  void Truncate(size_t size) {
    rev_.resize(size);
    while (!closes_.empty() && closes_.back() >= size) closes_.pop_back();
    while (!opens_.empty() && opens_.back() >= size) opens_.pop_back();
  }

  // Handles the "{" that stands just before the compiled part.
  void CompileOpenBrace(const TNamedTexts& named_texts) {
    // The first "}" after the brace, unless a "{" comes first.
    const bool matched = !closes_.empty() && (opens_.empty() || opens_.back() < closes_.back());
    if (!matched) {
      rev_.push_back(kProtectedOpen);
      return;
    }
    const size_t close = closes_.back();
    const size_t name_length = rev_.size() - close - 1;
    // Names longer than any exact field name can only be prefix-matched names,
    // so a bounded part of the name decides the id.
    constexpr size_t kNameLookLength = 64;
    std::string head = ContentHead(std::min(name_length, kNameLookLength));
    int id = FieldIdFromName(head);
    if (name_length > kNameLookLength && !IsPrefixMatchedId(id)) id = 0;

    if (id == 0) {
      rev_[close] = kProtectedClose;
      closes_.pop_back();
      rev_.push_back(kProtectedOpen);
    } else if (id == fidMerge) {
      const std::string name = ContentHead(name_length).substr(PrefixNameLength(id));
      Truncate(close);
      if (const TMergeObj* obj = named_texts.Find(name)) Prepend(WithoutTokenBytes(obj->text));
    } else if (id >= kFirstParamFieldId && id <= kLastParamFieldId) {
      rev_[close] = kParamTokenSep;
      closes_.pop_back();
      Truncate(rev_.size() - PrefixNameLength(id));
      Prepend(std::string(1, kParamTokenStart) + std::to_string(id) + kParamTokenSep);
    } else if (id == fidLink) {
      Truncate(rev_.size() - PrefixNameLength(id));
      closes_.pop_back();
      rev_.erase(close, 1);
    } else {
      Truncate(close);
      Prepend(std::string(1, kTokenStart) + std::to_string(id) + kTokenEnd);
    }
  }

  std::string Finish() const {
    std::string out(rev_.rbegin(), rev_.rend());
    for (char& c : out) {
      if (c == kProtectedOpen) {
        c = '{';
      } else if (c == kProtectedClose) {
        c = '}';
      }
    }
    return out;
  }

 private:
  // The first count characters of the tag's content (after the "{").
  std::string ContentHead(size_t count) const {
    std::string head;
    head.reserve(count);
    for (size_t i = 0; i < count; ++i) head.push_back(rev_[rev_.size() - 1 - i]);
    return head;
  }

  std::string rev_;
  std::vector<size_t> closes_;  // positions of literal "}" in rev_, ascending
  std::vector<size_t> opens_;   // positions of literal "{" (from named texts)
};

}  // namespace

std::string ReadTemplateFile(const std::string& file_name) {
  const std::optional<std::string> bytes = TryReadFileBytes(file_name);
  return bytes ? DecodeLegacyText(*bytes) : std::string();
}

std::string CompileTemplate(std::string_view source, const TNamedTexts& named_texts) {
  const std::string text = WithoutTokenBytes(source);
  TBackwardCompiler compiler(text.size());
  size_t limit = text.size();
  for (;;) {
    while (limit > 0 && text[limit - 1] != '{') {
      compiler.Push(text[limit - 1]);
      --limit;
    }
    if (limit == 0) break;
    --limit;  // the "{" itself
    compiler.CompileOpenBrace(named_texts);
  }
  return compiler.Finish();
}

size_t SkipOneLineBreak(std::string_view text, size_t pos) {
  if (pos < text.size() && text[pos] == '\r') {
    ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  } else if (pos < text.size() && text[pos] == '\n') {
    ++pos;
  }
  return pos;
}

namespace {

const TBmPattern& Delimiter(int which) {
  static const TBmPattern kPatterns[] = {
      MakeBmPattern("<!--contents_start-->", true, false),
      MakeBmPattern("<!--contents_end-->", true, false),
      MakeBmPattern("<!--body_start-->", true, false),
      MakeBmPattern("<!--body_end-->", true, false),
  };
  return kPatterns[which];
}

}  // namespace

TContentsCut CutContentsSection(std::string_view text) {
  TContentsCut cut;
  const TBmPattern& start_pattern = Delimiter(0);
  const TBmPattern& end_pattern = Delimiter(1);
  const size_t start = BmFind(start_pattern, text);
  if (start == std::string_view::npos) {
    cut.text.assign(text);
    return cut;
  }
  cut.found = true;
  const size_t content_begin = SkipOneLineBreak(text, start + start_pattern.pattern.size());
  const size_t end = BmFind(end_pattern, text, start + start_pattern.pattern.size());
  size_t stretch_end = text.size();
  if (end != std::string_view::npos) {
    if (content_begin <= end) cut.contents.assign(text.substr(content_begin, end - content_begin));
    stretch_end = SkipOneLineBreak(text, end + end_pattern.pattern.size());
  } else {
    cut.contents.assign(text.substr(content_begin));
  }
  cut.text.reserve(text.size() - (stretch_end - start));
  cut.text.append(text.substr(0, start));
  cut.text.append(text.substr(stretch_end));
  cut.insert_pos = start;
  return cut;
}

TBodySections CutBodySections(std::string_view text) {
  TBodySections sections;
  const TBmPattern& start_pattern = Delimiter(2);
  const TBmPattern& end_pattern = Delimiter(3);
  std::string_view rest = text;
  const size_t start = BmFind(start_pattern, text);
  if (start != std::string_view::npos) {
    sections.head.assign(text.substr(0, start));
    rest = text.substr(start + start_pattern.pattern.size());
  }
  const size_t end = BmFind(end_pattern, rest);
  if (end != std::string_view::npos) {
    sections.tail.assign(rest.substr(end + end_pattern.pattern.size()));
    std::string_view body = rest.substr(0, end);
    body.remove_prefix(SkipOneLineBreak(body, 0));
    sections.body.assign(body);
  } else {
    sections.body.assign(rest);
  }
  return sections;
}

TTemplateSections CutSections(std::string_view compiled_text) {
  TTemplateSections result;
  result.contents = CutContentsSection(compiled_text);
  result.sections = CutBodySections(result.contents.text);
  return result;
}

std::string ExpandPathMacros(std::string_view text, const TPathMacroFolders& folders) {
  struct TReplacement {
    size_t begin;  // "{"
    size_t end;    // after "}"
    const std::string* folder;
  };
  std::vector<TReplacement> replacements;  // from the end towards the start
  size_t close = std::string_view::npos;
  for (size_t i = text.size(); i > 0; --i) {
    const char c = text[i - 1];
    if (c == '}') {
      close = i - 1;
    } else if (c == '{' && close != std::string_view::npos) {
      const std::string name = UpperAscii(text.substr(i, close - i));
      if (name.size() > 7 && name.compare(name.size() - 4, 4, "PATH") == 0) {
        const std::string_view key = std::string_view(name).substr(0, name.size() - 4);
        const std::string* folder = nullptr;
        if (key == "ALBUM") {
          folder = &folders.album;
        } else if (key == "PROGRAM") {
          folder = &folders.program;
        } else if (key == "SAMPLES") {
          folder = &folders.samples;
        } else if (key == "TEMP") {
          folder = &folders.temp;
        }
        if (folder != nullptr) replacements.push_back({i - 1, close + 1, folder});
      }
      close = std::string_view::npos;
    }
  }
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  for (auto it = replacements.rbegin(); it != replacements.rend(); ++it) {
    out.append(text.substr(pos, it->begin - pos));
    std::string folder = *it->folder;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    out.append(folder);
    pos = it->end;
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace pictavo
