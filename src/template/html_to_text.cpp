#include "template/html_to_text.h"

#include <algorithm>
#include <vector>

namespace pictavo {

namespace {

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Position of what (upper case ASCII) in text at or after from, without
// regard to case; npos when absent.
size_t FindNoCase(std::string_view text, std::string_view what, size_t from) {
  if (what.empty() || text.size() < what.size()) return std::string_view::npos;
  for (size_t i = from; i + what.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < what.size() && Upper(text[i + k]) == what[k]) ++k;
    if (k == what.size()) return i;
  }
  return std::string_view::npos;
}

bool IsHeading(std::string_view name) {
  return name.size() == 2 && name[0] == 'H' && name[1] >= '1' && name[1] <= '8';
}

bool In(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Line breaks a start tag produces.
int StartTagBreaks(std::string_view name) {
  if (name == "P" || name == "HR" || IsHeading(name)) return 2;
  if (In(name, {"BR", "LI", "TABLE", "CENTER", "ADDRESS", "LISTING", "PRE", "DIV", "FORM",
                "COMMENT", "BLOCKQUOTE", "MULTICOL"}))
    return 1;
  return 0;
}

// Line breaks an end tag (name without "/") produces.
int EndTagBreaks(std::string_view name) {
  if (IsHeading(name)) return 1;
  if (In(name, {"UL", "OL", "DL", "DIR", "TR", "MENU", "CENTER", "ADDRESS", "LISTING", "PRE", "DIV",
                "FORM", "COMMENT", "BLOCKQUOTE", "MULTICOL"}))
    return 1;
  return 0;
}

bool IsPreformatted(std::string_view name) {
  return In(name, {"PRE", "XMP", "PLAINTEXT"});
}
bool IsList(std::string_view name) {
  return In(name, {"UL", "OL", "DIR", "MENU"});
}

class TTextWriter {
 public:
  std::string Run(std::string_view html) {
    html_ = html;
    size_t i = 0;
    while (i < html_.size()) {
      char c = html_[i];
      if (c == '<' && i + 1 < html_.size() &&
          (IsLetter(html_[i + 1]) || html_[i + 1] == '/' || html_[i + 1] == '!')) {
        if (html_.substr(i, 4) == "<!--") {
          size_t end = html_.find("-->", i + 4);
          i = end == std::string_view::npos ? html_.size() : end + 3;
          continue;
        }
        size_t end = html_.find('>', i + 1);
        if (end != std::string_view::npos) {
          i = Tag(html_.substr(i + 1, end - i - 1), end + 1);
          continue;
        }
      }
      i = Text(i);
    }
    return out_;
  }

 private:
  bool AtLineStart() const { return out_.empty() || out_.back() == '\n'; }

  // One character (or line break) of text at i; returns the next position.
  size_t Text(size_t i) {
    char c = html_[i];
    if (c == '\r' || c == '\n') {
      size_t next = i + 1;
      if (c == '\r' && next < html_.size() && html_[next] == '\n') ++next;
      if (pre_depth_ > 0) {
        out_ += "\r\n";
      } else if (!AtLineStart() && out_.back() != '-' && !after_source_break_) {
        out_ += ' ';
      }
      after_source_break_ = true;
      return next;
    }
    // Blanks and tabs that begin a line (of the text or of the output) go.
    if (pre_depth_ == 0 && (c == ' ' || c == '\t') && (AtLineStart() || after_source_break_))
      return i + 1;
    after_source_break_ = false;
    out_ += c;
    text_written_ = true;
    last_tag_was_br_ = false;
    return i + 1;
  }

  void Breaks(int count) {
    if (count <= 0) return;
    if (pre_depth_ == 0) {
      while (!out_.empty() && (out_.back() == ' ' || out_.back() == '\t')) out_.pop_back();
    }
    for (int k = 0; k < count; ++k) out_ += "\r\n";
  }

  // A tag whose inside (between "<" and ">") is tag; returns where the text
  // goes on.
  size_t Tag(std::string_view tag, size_t after) {
    std::string name;
    for (char c : tag) {
      if (c == ' ' || c == '!' || c == '=' || c == '>' || c == '\t' || c == '\r' || c == '\n')
        break;
      name += Upper(c);
    }
    bool end_tag = !name.empty() && name[0] == '/';
    if (end_tag) name.erase(0, 1);
    if (!name.empty() && name.back() == '/') name.pop_back();  // "<br/>"

    if (!end_tag && (name == "SCRIPT" || name == "STYLE")) {
      size_t close = FindNoCase(html_, "</" + name, after);
      if (close == std::string_view::npos) return html_.size();
      size_t gt = html_.find('>', close);
      return gt == std::string_view::npos ? html_.size() : gt + 1;
    }

    int breaks = end_tag ? EndTagBreaks(name) : StartTagBreaks(name);
    if (!text_written_) {
      if (!end_tag && name == "BR" && (!any_tag_ || last_tag_was_br_) && suppress_ > 0) --suppress_;
      breaks = std::max(0, breaks - suppress_);
    }
    any_tag_ = true;
    last_tag_was_br_ = !end_tag && name == "BR";

    if (end_tag && IsPreformatted(name) && pre_depth_ > 0) --pre_depth_;
    Breaks(breaks);
    if (!end_tag && IsPreformatted(name)) ++pre_depth_;

    if (end_tag && (name == "TD" || name == "TH")) out_ += '\t';
    if (!end_tag && IsList(name)) {
      // Lists nested deeper than any page shows are only counted.
      if (lists_.size() < kMaxListDepth)
        lists_.push_back({name == "OL", 0});
      else
        ++hidden_lists_;
    }
    if (end_tag && IsList(name)) {
      if (hidden_lists_ > 0)
        --hidden_lists_;
      else if (!lists_.empty())
        lists_.pop_back();
    }
    if (!end_tag && name == "LI") ListItem();
    return after;
  }

  void ListItem() {
    if (lists_.empty()) return;
    if (lists_.back().ordered) {
      ++lists_.back().counter;
      out_ += '\t';
      int levels = 0;
      for (const TList& list : lists_) {
        if (!list.ordered) continue;
        if (++levels > 10) break;
        out_ += std::to_string(list.counter) + ".";
      }
    } else {
      static const char* const kBullets[] = {"*", "+", "-", "\xE2\x80\xA2", "\xC2\xB7"};
      size_t depth = std::min<size_t>(lists_.size(), 5);
      out_.append(depth, '\t');
      out_ += kBullets[depth - 1];
    }
    out_ += ' ';
    text_written_ = true;
  }

  struct TList {
    bool ordered;
    int counter;
  };

  std::string_view html_;
  std::string out_;
  static constexpr size_t kMaxListDepth = 64;
  std::vector<TList> lists_;
  size_t hidden_lists_ = 0;
  int pre_depth_ = 0;
  int suppress_ = 2;
  bool text_written_ = false;
  bool any_tag_ = false;
  bool last_tag_was_br_ = false;
  bool after_source_break_ = false;
};

}  // namespace

std::string HtmlToText(std::string_view html) {
  return TTextWriter().Run(html);
}

}  // namespace pictavo
