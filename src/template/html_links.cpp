#include "template/html_links.h"

#include <algorithm>
#include <utility>

#include "platform/case_fold.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "template/bm_search.h"
#include "template/url_path.h"

namespace pictavo {

namespace {

constexpr size_t npos = std::string_view::npos;

struct TLinkAttribute {
  TBmPattern pattern;  // the lower-case attribute name
  bool media = false;
};

struct TLinkTag {
  std::string_view name;
  std::vector<TLinkAttribute> attributes;
};

TLinkAttribute Attribute(std::string_view name, bool media) {
  return TLinkAttribute{MakeBmPattern(name, true, true), media};
}

const std::vector<TLinkTag>& LinkTable() {
  static const std::vector<TLinkTag> table = [] {
    const std::vector<TLinkAttribute> href = {Attribute("href", false)};
    const std::vector<TLinkAttribute> codebase = {Attribute("codebase", false)};
    const std::vector<TLinkAttribute> background = {Attribute("background", true)};
    const std::vector<TLinkAttribute> media_src = {Attribute("src", true)};
    const std::vector<TLinkAttribute> frame_src = {Attribute("src", false)};
    const std::vector<TLinkAttribute> img = {Attribute("src", true), Attribute("lowsrc", true),
                                             Attribute("dynsrc", true), Attribute("vrml", true),
                                             Attribute("usemap", false)};
    return std::vector<TLinkTag>{
        {"a", href},          {"area", href},         {"applet", codebase}, {"object", codebase},
        {"body", background}, {"table", background},  {"td", background},   {"th", background},
        {"tr", background},   {"bgsound", media_src}, {"embed", media_src}, {"sound", media_src},
        {"frame", frame_src}, {"iframe", frame_src},  {"img", img}};
  }();
  return table;
}

char LowerAsciiChar(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAsciiChar(a[i]) != LowerAsciiChar(b[i])) return false;
  }
  return true;
}

const TLinkTag* FindLinkTag(std::string_view name) {
  for (const TLinkTag& tag : LinkTable()) {
    if (EqualsAsciiNoCase(tag.name, name)) return &tag;
  }
  return nullptr;
}

// The white space that ends a tag name: blank, CR or LF (not the tab).
bool IsTagBlank(char c) {
  return c == ' ' || c == '\r' || c == '\n';
}

// Characters of code 32 or below.
bool IsSpaceOrControl(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

// The value of one attribute in tag, which runs from the tag name to the tag
// end (excluded): [begin, end) of the value, or nullopt when the tag has no
// such attribute with a value. The attribute name counts only as a whole
// name outside quoted values, so SRC is not found inside LOWSRC or inside
// alt="src".
std::optional<std::pair<size_t, size_t>> FindAttributeValue(std::string_view tag, size_t from,
                                                            const TLinkAttribute& attribute) {
  const size_t length = attribute.pattern.pattern.size();
  // Quote state of the text before `scan`: a quote opens a value only where
  // it follows "=" (white space between allowed).
  size_t scan = from;
  char quote = 0;
  char last_visible = 0;
  for (size_t pos = BmFind(attribute.pattern, tag, from); pos != npos;
       pos = BmFind(attribute.pattern, tag, pos + 1)) {
    for (; scan < pos; ++scan) {
      const char c = tag[scan];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if ((c == '"' || c == '\'') && last_visible == '=') {
        quote = c;
      }
      if (!IsSpaceOrControl(c)) last_visible = c;
    }
    if (quote != 0) continue;
    const char before = tag[pos - 1];  // from > 0: the tag name comes first
    if (!IsSpaceOrControl(before) && before != '"' && before != '\'') continue;
    size_t p = pos + length;
    while (p < tag.size() && IsSpaceOrControl(tag[p])) ++p;
    if (p >= tag.size() || tag[p] != '=') continue;  // a name without a value
    while (p < tag.size() && (tag[p] == '=' || IsSpaceOrControl(tag[p]))) ++p;
    size_t begin = p;
    size_t end = p;
    if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
      begin = p + 1;
      end = std::min(tag.find(tag[p], begin), tag.size());
    } else {
      while (end < tag.size() && !IsSpaceOrControl(tag[end])) ++end;
    }
    const size_t cut = tag.substr(begin, end - begin).find_first_of("#?");
    if (cut != npos) end = begin + cut;
    return std::make_pair(begin, end);
  }
  return std::nullopt;
}

// Examines the tag whose "<" is at lt, whose name ends at the blank at
// name_end and whose ">" is at tag_end (moved when a value changes length).
// True when the tag was handled (protected or in the link table).
bool ExamineTag(std::string& text, size_t lt, size_t name_end, size_t& tag_end,
                const THtmlLinkInfo& info, bool collect_only) {
  if (text[lt + 1] == '*') {
    if (!collect_only) {
      text.erase(lt + 1, 1);
      --tag_end;
    }
    return true;
  }
  const TLinkTag* tag = FindLinkTag(std::string_view(text).substr(lt + 1, name_end - lt - 1));
  if (tag == nullptr) return false;
  size_t from = name_end;
  while (from < tag_end && IsSpaceOrControl(text[from])) ++from;
  for (const TLinkAttribute& attribute : tag->attributes) {
    const auto found =
        FindAttributeValue(std::string_view(text).substr(0, tag_end), from, attribute);
    if (!found) continue;
    const auto [begin, end] = *found;
    const std::string_view value = std::string_view(text).substr(begin, end - begin);
    if (value.empty() || value.front() == '{' || value.front() == '^') continue;
    const std::optional<std::string> link = RewriteLink(value, attribute.media, info, collect_only);
    if (!link) continue;
    text.replace(begin, end - begin, *link);
    tag_end = tag_end - (end - begin) + link->size();
  }
  return true;
}

// True when a lower-cased link would lose the file the link names: the path
// as written exists and the lower-cased one does not.
bool LowerCaseLosesFile(const std::string& link, const std::string& lowered,
                        const std::string& anchor) {
  const std::string target = AbsolutePath(UrlToPath(link), anchor);
  const std::string lowered_target = AbsolutePath(UrlToPath(lowered), anchor);
  return target != lowered_target && StatPath(target).has_value() &&
         !StatPath(lowered_target).has_value();
}

}  // namespace

bool TReferencedFiles::Add(const std::string& path, bool media) {
  if (!index_.insert(path).second) return false;
  items_.push_back(TReferencedFile{path, media});
  return true;
}

void TReferencedFiles::Clear() {
  items_.clear();
  index_.clear();
}

bool IsExternalLink(std::string_view value) {
  static constexpr std::string_view kSchemes[] = {"ftp",    "gopher",      "http",   "mailto",
                                                  "news",   "nntp",        "newsrc", "nethelp",
                                                  "telnet", "view-source", "wais"};
  for (std::string_view scheme : kSchemes) {
    if (value.size() > scheme.size() && value[scheme.size()] == ':' &&
        EqualsAsciiNoCase(value.substr(0, scheme.size()), scheme)) {
      return true;
    }
  }
  return false;
}

std::optional<std::string> RewriteLink(std::string_view value, bool media,
                                       const THtmlLinkInfo& info, bool collect_only) {
  if (IsExternalLink(value)) return std::nullopt;
  const std::string path = UrlToPath(value);
  if (path.empty() || path == "..") return std::nullopt;
  const std::string full = AbsolutePath(path, info.template_folder);
  if (info.referenced_files != nullptr) info.referenced_files->Add(full, media);
  if (collect_only) return std::nullopt;

  std::string base = media && !info.media_folder.empty() ? info.media_folder : info.album_folder;
  if (!base.empty()) base = IncludeTrailingSlash(base);
  std::string link;
  if (info.publish) {
    // The remote form: a web path, never a "file:" URL.
    std::string remote =
        info.keep_folders ? RelativePath(info.template_folder, full) : base + NamePart(path);
    std::replace(remote.begin(), remote.end(), ' ', '_');
    link = EscapeUrl(remote);
  } else if (!base.empty()) {
    link = PathToUrl(info.relative ? RelativePath(base, full) : base + NamePart(path));
  } else {
    link = PathToUrl(info.relative ? RelativePath(info.template_folder, full) : full);
  }
  if (link.empty()) return std::nullopt;  // the link names its own folder: keep it

  if (info.lower_case) {
    std::string lowered = LowerAscii(link);
    // Linux names are case-sensitive: a local link must still reach its file.
    const std::string& anchor = base.empty() ? info.template_folder : base;
    if (info.publish || !LowerCaseLosesFile(link, lowered, anchor)) link = std::move(lowered);
  }
  if (link == value) return std::nullopt;
  return link;
}

std::string ScanHtmlLinks(std::string_view text, const THtmlLinkInfo& info, bool collect_only) {
  std::string out(text);
  size_t tag_end = npos;   // the ">" nearest after the current position
  size_t name_end = npos;  // the first blank, CR or LF after the current position, before tag_end
  for (size_t i = out.size(); i-- > 0;) {
    const char c = out[i];
    if (c == '>') {
      tag_end = i;
      name_end = npos;
    } else if (IsTagBlank(c)) {
      name_end = i;
    } else if (c == '<' && tag_end != npos && name_end != npos && tag_end - i > 5) {
      if (ExamineTag(out, i, name_end, tag_end, info, collect_only)) tag_end = npos;
    }
  }
  return out;  // collect mode changes nothing
}

}  // namespace pictavo
