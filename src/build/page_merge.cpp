#include "build/page_merge.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

#include "pictures/picture_item.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/text_lines.h"
#include "platform/user_interface.h"

namespace pictavo {

namespace {

int DecimalDigits(int value) {
  int digits = 1;
  for (int v = value < 0 ? -value : value; v >= 10; v /= 10) ++digits;
  return digits;
}

std::string NumberFormat(int count) {
  return "%0." + std::to_string(DecimalDigits(count)) + "d";
}

// Formats n with a "%0.<digits>d" pattern: zero-padded to that many digits.
std::string FormatNumber(const std::string& format, int n) {
  int digits = 1;
  const size_t dot = format.find('.');
  if (dot != std::string::npos) {
    digits = 0;
    for (size_t i = dot + 1; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++i) {
      digits = digits * 10 + (format[i] - '0');
      if (digits > 20) break;
    }
  }
  std::string text = std::to_string(n < 0 ? -n : n);
  if (static_cast<int>(text.size()) < digits) {
    text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
  }
  return n < 0 ? "-" + text : text;
}

bool EndsWithLineBreak(const std::string& text) {
  return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

// True when the run must stop: the application is closing, or Ctrl and Alt
// are held and the user answers Yes to the stop question.
bool StopRequested(TFileMergeInfo& info) {
  if (info.is_closing && info.is_closing()) return true;
  if (info.ui != nullptr && info.ui->IsCtrlAltHeld()) {
    return info.ui->Ask(info.stop_question, false) == TAnswer::Yes;
  }
  return false;
}

void RaisePageEvent(TFileMergeInfo& info, int kind, const TPictureItem* picture,
                    const std::string& file_name) {
  if (info.page_callback) info.page_callback(kind, picture, file_name);
}

}  // namespace

void ComputePaging(TFileMergeInfo& info) {
  info.included_pictures.clear();
  if (info.pictures != nullptr) {
    for (const TPictureItem& item : *info.pictures) {
      if (item.fldIndex > 0) info.included_pictures.push_back(&item);
    }
  }
  const int n = static_cast<int>(info.included_pictures.size());
  info.picture_count = n;
  int& p = info.pictures_per_page;
  if (p == 1) {
    info.page_count = n;
  } else if (p > 1) {
    info.page_count = n / p + (n % p != 0 ? 1 : 0);
  } else {
    info.page_count = 1;
    p = n;
  }
  info.page_number_format = NumberFormat(info.page_count);
  info.picture_number_format = NumberFormat(n);
}

std::string PageFileName(const TFileMergeInfo& info, int n, bool full_path, bool use_page_names,
                         bool write) {
  std::string name;
  if (use_page_names && !info.page_names.empty()) {
    if (n >= 1 && static_cast<size_t>(n) <= info.page_names.size()) {
      name = info.page_names[static_cast<size_t>(n) - 1];
    }
  } else {
    name = (write || info.contents_base.empty()) ? info.file_name : info.contents_base;
    if (info.page_count >= 2 && (n >= 2 || info.number_first_page)) {
      const int page = n < 1 ? 1 : (n > info.page_count ? info.page_count : n);
      const std::string number = FormatNumber(info.page_number_format, page);
      const size_t name_start = name.rfind('/') == std::string::npos ? 0 : name.rfind('/') + 1;
      const size_t dot = name.rfind('.');
      if (dot != std::string::npos && dot >= name_start) {
        name.insert(dot, number);
      } else {
        name.append(number);
      }
    }
  }
  return full_path ? name : NamePart(name);
}

std::vector<TIndexObj> ExtractFieldTokens(std::vector<std::string>& lines) {
  std::vector<TIndexObj> tokens;
  for (size_t line = 0; line < lines.size(); ++line) {
    const std::string& source = lines[line];
    if (source.find('\x01') == std::string::npos) continue;
    std::string out;
    out.reserve(source.size());
    size_t pos = 0;
    for (;;) {
      const size_t start = source.find('\x01', pos);
      const size_t end =
          start == std::string::npos ? std::string::npos : source.find('\x02', start + 1);
      if (end == std::string::npos) {
        out.append(source, pos, std::string::npos);
        break;
      }
      out.append(source, pos, start - pos);
      // The id in decimal; anything else (or a number out of range) is 0.
      int id = 0;
      size_t i = start + 1;
      bool negative = false;
      if (i < end && source[i] == '-') {
        negative = true;
        ++i;
      }
      bool valid = i < end;
      int64_t value = 0;
      for (; i < end && valid; ++i) {
        const char c = source[i];
        if (c < '0' || c > '9') {
          valid = false;
        } else {
          value = value * 10 + (c - '0');
          if (value > 1000000) valid = false;
        }
      }
      if (valid) id = static_cast<int>(negative ? -value : value);
      if (id != 0) {
        tokens.push_back({static_cast<int>(line), static_cast<int>(out.size()) + 1, id});
      }
      pos = end + 1;
    }
    lines[line] = std::move(out);
  }
  return tokens;
}

std::string ExpandSectionLines(TFileMergeInfo& info, const TPictureItem* picture,
                               const std::vector<std::string>& lines,
                               const std::vector<TIndexObj>& tokens, bool strip_final_break) {
  info.current_picture = picture;
  std::string text;
  try {
    text = EvaluateSectionLines(
        lines, tokens,
        [&info](int id) {
          return info.field_callback ? info.field_callback(id, info) : std::string();
        },
        strip_final_break);
  } catch (...) {
    info.current_picture = nullptr;
    throw;
  }
  info.current_picture = nullptr;
  return text;
}

bool SavePageText(const std::string& text, const std::string& file_name, TUserInterface* ui) {
  const size_t zero = text.find('\0');
  const std::string_view bytes =
      zero == std::string::npos ? std::string_view(text) : std::string_view(text).substr(0, zero);
  try {
    WriteGeneratedFile(file_name, bytes);
  } catch (const std::exception& e) {
    if (ui != nullptr) ui->ShowError(e.what());
    return false;
  }
  const auto expected = static_cast<int64_t>(bytes.size());
  int64_t size = FileSize(file_name);
  for (int retry = 0; retry < 5 && size != expected; ++retry) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    size = FileSize(file_name);
  }
  if (size < expected) {
    // A missing file counts as empty.
    const int64_t missing = expected - (size < 0 ? 0 : size);
    if (ui != nullptr) {
      ui->ShowError("\"" + file_name +
                    "\"\r\nwas not correctly saved to disk. Size does not match (difference of " +
                    std::to_string(missing) + " bytes).");
    }
    return false;
  }
  return true;
}

bool MergePages(TFileMergeInfo& info, bool iterate, bool write, bool use_page_names,
                bool all_pages) {
  if (info.merge_mode) write = false;
  const int page_kind = write ? pekPageSaved : pekPageAddedToContents;

  ComputePaging(info);
  if (info.picture_count == 0) {
    info.head.clear();
    info.body.clear();
    info.tail.clear();
    return true;
  }
  info.running_picture = 0;
  info.current_page = 0;
  info.picture_on_page = 0;
  info.current_picture = nullptr;
  const bool strip_body = !EndsWithLineBreak(info.body);

  // Tokens are located once per run; the lines are copied per expansion.
  std::vector<std::string> head_lines = SplitLines(info.head);
  std::vector<std::string> body_lines = SplitLines(info.body);
  std::vector<std::string> tail_lines = SplitLines(info.tail);
  const std::vector<TIndexObj> head_tokens = ExtractFieldTokens(head_lines);
  const std::vector<TIndexObj> body_tokens = ExtractFieldTokens(body_lines);
  const std::vector<TIndexObj> tail_tokens = ExtractFieldTokens(tail_lines);

  bool stopped = false;
  size_t next_picture = 0;
  std::string text;
  while (!stopped && info.current_page < info.page_count) {
    ++info.current_page;
    const std::string page_file =
        PageFileName(info, info.current_page, true, use_page_names, write);
    if (write) text.clear();
    text += ExpandSectionLines(info, nullptr, head_lines, head_tokens, false);

    if (iterate) {
      while (info.picture_on_page < info.pictures_per_page) {
        if (StopRequested(info)) {
          stopped = true;
          break;
        }
        if (next_picture >= info.included_pictures.size()) {
          // The remaining slots stay empty; the counters still advance until
          // the page is full (in one step, however large the page is).
          const int64_t running = static_cast<int64_t>(info.running_picture) +
                                  (info.pictures_per_page - info.picture_on_page);
          info.running_picture = static_cast<int>(std::min<int64_t>(running, INT32_MAX));
          info.picture_on_page = info.pictures_per_page;
          break;
        }
        ++info.running_picture;
        ++info.picture_on_page;
        const TPictureItem* picture = info.included_pictures[next_picture++];
        RaisePageEvent(info, pekPictureAdded, picture, std::string());
        text += ExpandSectionLines(info, picture, body_lines, body_tokens, strip_body);
      }
    } else {
      text += ExpandSectionLines(info, nullptr, body_lines, body_tokens, strip_body);
      if (StopRequested(info)) stopped = true;
    }
    if (stopped) break;

    text += ExpandSectionLines(info, nullptr, tail_lines, tail_tokens, false);
    RaisePageEvent(info, page_kind, nullptr, page_file);
    if (write) {
      if (info.post_callback) info.post_callback(text);
      if (!SavePageText(text, page_file, info.ui)) {
        stopped = true;
        RaisePageEvent(info, pekSaveFailed, nullptr, page_file);
        break;
      }
    }
    info.picture_on_page = 0;
    if (!all_pages) break;
  }

  if (!write && !stopped) {
    if (info.post_callback) info.post_callback(text);
    info.body = std::move(text);
  }
  return !stopped;
}

}  // namespace pictavo
