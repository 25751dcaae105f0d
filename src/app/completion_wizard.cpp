#include "app/completion_wizard.h"

#include <algorithm>
#include <cstdlib>

#include "pictures/image_info.h"
#include "platform/case_fold.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/text_lines.h"
#include "template/url_path.h"

namespace pictavo {

namespace {

constexpr int kMaxQuestions = 255;

// Position of the bracket that closes the one at open, nesting counted, or npos.
size_t MatchingClose(const std::string& text, size_t open, char opening, char closing) {
  int depth = 0;
  for (size_t i = open; i < text.size(); ++i) {
    if (text[i] == opening) {
      ++depth;
    } else if (text[i] == closing && --depth == 0) {
      return i;
    }
  }
  return std::string::npos;
}

bool IsDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int ToNumber(const std::string& s) { return IsDigits(s) && s.size() < 9 ? std::atoi(s.c_str()) : 0; }

// Reads the control options "(...)" into the question.
void ParseOptions(std::string options, TWizardQuestion& q) {
  // One quoted value (M="mask" or F="filter") keeps its case.
  for (size_t p = 2; p < options.size(); ++p) {
    if (options[p] != '"' || options[p - 1] != '=') continue;
    char letter = static_cast<char>(options[p - 2] & ~0x20);
    if (letter != 'M' && letter != 'F') continue;
    size_t last = options.rfind('"');
    if (last <= p) break;
    std::string value = options.substr(p + 1, last - p - 1);
    (letter == 'M' ? q.mask : q.filter) = value;
    options.erase(p - 2, last - (p - 2) + 1);
    break;
  }
  auto items = SplitText(UpperAscii(options), ';');
  for (size_t i = 0; i < items.size(); ++i) {
    std::string item = Trim(items[i]);
    if (i == 0 && IsDigits(item)) {
      q.order = ToNumber(item);
    } else if (item.rfind("T=", 0) == 0 && item.size() > 2) {
      q.kind = item[2];
    } else if (item.rfind("H=", 0) == 0) {
      q.height = ToNumber(item.substr(2));
    } else if (item.rfind("S=", 0) == 0) {
      if (item.size() > 2 && item[2] == 'M') {
        q.multiple_files = true;
      } else {
        q.max_length = ToNumber(item.substr(2));
      }
    } else if (item.rfind("C=", 0) == 0 && item.size() > 2 && item[2] == 'L') {
      q.lower_case = true;
    }
  }
}

bool IsListKind(char kind) { return kind == 0 || kind == 'C' || kind == 'L' || kind == 'A'; }

// Fills the default text, the list of choices and the default answer.
void SetDefault(std::string default_text, bool guarded, TWizardQuestion& q) {
  if (IsListKind(q.kind) && default_text.find('|') != std::string::npos) {
    if (!guarded && !default_text.empty() && default_text.front() == '=') {
      default_text.erase(0, 1);
      q.limit_to_list = true;
    }
    bool first_selected = false;
    std::vector<std::string> selected;
    for (auto& entry : SplitText(default_text, '|')) {
      TWizardChoice c;
      if (!entry.empty() && entry.front() == '_') {
        entry.erase(0, 1);
        c.preselected = q.kind == 'A' || !first_selected;
        first_selected = true;
      }
      size_t sep = entry.find("^=");
      c.display = entry.substr(0, sep);
      c.value = sep == std::string::npos ? c.display : ExpandCaretEscapes(entry.substr(sep + 2));
      if (c.preselected) selected.push_back(c.display);
      q.choices.push_back(std::move(c));
    }
    if (q.kind == 0 && q.limit_to_list) q.kind = 'L';
    if (q.kind == 'L' || q.kind == 'A') q.limit_to_list = true;
    std::string joined;
    for (size_t i = 0; i < selected.size(); ++i) joined += (i ? ";" : "") + selected[i];
    q.default_value = joined;
    return;
  }
  q.default_value = q.kind == 'M' || q.kind == 'W' ? ExpandCaretEscapes(default_text) : default_text;
}

std::string FileAttributeText(const std::string& path, bool lower_case) {
  if (path.empty() || FolderExists(path)) return "";
  std::string ext = FileExtLower(path);
  std::string pattern;
  if (ext == "gif" || ext == "bmp" || ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "png") {
    pattern = "SRC=\"^*\" WIDTH=\"^1\" HEIGHT=\"^2\"";
    TImageInfo info;
    try {
      GetImageInfo(path, info);
    } catch (...) {
      info.valid = false;
    }
    pattern = ReplaceAll(pattern, "^1", info.valid ? std::to_string(info.width) : "");
    pattern = ReplaceAll(pattern, "^2", info.valid ? std::to_string(info.height) : "");
  } else {
    pattern = "HREF=\"^*\"";
  }
  if (lower_case) pattern = LowerAscii(pattern);
  return ReplaceAll(pattern, "^*", PathToUrl(path));
}

std::string ChoiceValue(const TWizardQuestion& q, const std::string& display) {
  for (const auto& c : q.choices)
    if (EqualsNoCase(c.display, display)) return c.value;
  return display;
}

}  // namespace

std::string ExpandCaretEscapes(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '^' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    switch (text[i + 1]) {
      case '^': out += '^'; break;
      case 'B': out += '\f'; break;
      case 'C': out += '\r'; break;
      case 'P': out += "\r\n"; break;
      case 'L': out += '\n'; break;
      case 'T': out += '\t'; break;
      default: out += '^'; continue;
    }
    ++i;
  }
  return out;
}

TWizardScan ScanFillInMarkers(const std::string& text) {
  TWizardScan scan;
  std::vector<bool> bare{false};  // by question id: made by a bare "^?" marker
  std::string literal;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t hit = text.find("^?", pos);
    if (hit == std::string::npos) break;
    literal.append(text, pos, hit - pos);
    size_t end = hit + 2;
    std::string question_text;
    bool has_question_text = false;
    if (end < text.size() && text[end] == '[') {
      size_t close = MatchingClose(text, end, '[', ']');
      if (close != std::string::npos) {
        question_text = text.substr(end + 1, close - end - 1);
        has_question_text = true;
        end = close + 1;
      }
    }
    TWizardQuestion q;
    std::string options, default_text;
    bool guarded = false;
    if (has_question_text) {
      std::string rest = question_text;
      if (!rest.empty() && rest.front() == '(') {
        size_t close = MatchingClose(rest, 0, '(', ')');
        if (close != std::string::npos) {
          options = rest.substr(1, close - 1);
          rest.erase(0, close + 1);
        }
      }
      size_t eq = rest.find('=');
      q.prompt = rest.substr(0, eq);
      if (eq != std::string::npos) {
        if (rest.compare(eq, 4, "==^&") == 0) {
          default_text = rest.substr(eq + 4);
          guarded = true;
        } else if (rest.compare(eq, 3, "=^&") == 0) {
          default_text = rest.substr(eq + 3);
          guarded = true;
        } else {
          default_text = rest.substr(eq + 1);
        }
      }
    } else {
      q.prompt = "Complete the field";
    }
    int id = 0;
    if (has_question_text) {
      for (const auto& existing : scan.questions)
        if (!bare[static_cast<size_t>(existing.id)] && EqualsNoCase(existing.prompt, q.prompt)) {
          id = existing.id;
          break;
        }
    }
    if (id == 0) {
      if (static_cast<int>(scan.questions.size()) >= kMaxQuestions) {
        literal.append(text, hit, end - hit);  // no room for another question
        pos = end;
        continue;
      }
      q.id = static_cast<int>(scan.questions.size()) + 1;
      ParseOptions(options, q);
      SetDefault(default_text, guarded, q);
      id = q.id;
      bare.push_back(!has_question_text);
      scan.questions.push_back(std::move(q));
    }
    if (!literal.empty()) scan.pieces.push_back({std::move(literal), 0});
    literal.clear();
    scan.pieces.push_back({"", id});
    pos = end;
  }
  literal.append(text, pos, std::string::npos);
  if (!literal.empty()) scan.pieces.push_back({std::move(literal), 0});
  return scan;
}

std::string WizardAnswerText(const TWizardQuestion& q, const std::string& control_text) {
  switch (q.kind) {
    case 'D':
      return control_text.empty() || control_text.back() == '/' ? control_text : control_text + "/";
    case 'O':
    case 'S':
      return FolderExists(control_text) ? "" : control_text;
    case 'T':
      return FileAttributeText(control_text, q.lower_case);
    case 'A': {
      std::string out;
      auto parts = SplitText(control_text, ';');
      for (size_t i = 0; i < parts.size() && !control_text.empty(); ++i)
        out += (i ? ";" : "") + ChoiceValue(q, parts[i]);
      return out;
    }
    default:
      return q.choices.empty() ? control_text : ChoiceValue(q, control_text);
  }
}

std::string WizardListError(const TWizardQuestion& q, const std::string& control_text) {
  if (q.kind != 'C' || !q.limit_to_list) return "";
  for (const auto& c : q.choices)
    if (EqualsNoCase(c.display, control_text)) return "";
  return "Error, \"" + control_text + "\" is not in the list. Please choose an existing item";
}

bool CompleteFields(std::string& text, TUserInterface& ui) {
  if (text.find("^?") == std::string::npos) return true;
  TWizardScan scan = ScanFillInMarkers(text);
  if (scan.questions.empty()) return true;

  std::vector<TWizardQuestion> asked = scan.questions;
  bool numbered = std::any_of(asked.begin(), asked.end(), [](auto& q) { return q.order >= 0; });
  if (numbered) {
    std::stable_sort(asked.begin(), asked.end(), [](const auto& a, const auto& b) {
      int ka = a.order >= 0 ? a.order : a.id + 300;
      int kb = b.order >= 0 ? b.order : b.id + 300;
      return ka < kb;
    });
  }
  for (auto& q : asked) q.answer = q.default_value;
  bool ok = ui.AskWizard(asked);

  std::vector<std::string> answers(scan.questions.size() + 1);
  if (ok)
    for (const auto& q : asked) answers[static_cast<size_t>(q.id)] = WizardAnswerText(q, q.answer);
  std::string out;
  for (const auto& piece : scan.pieces)
    out += piece.question_id ? answers[static_cast<size_t>(piece.question_id)] : piece.text;
  text = std::move(out);
  return ok;
}

}  // namespace pictavo
