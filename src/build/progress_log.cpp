#include "build/progress_log.h"

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/text_lines.h"

namespace pictavo {

void TProgressLog::LogLine(const std::string& text) noexcept {
  try {
    DoAddLine(text);
  } catch (...) {
  }
}

void TProgressLog::LogAppend(const std::string& text) noexcept {
  try {
    if (Empty()) {
      DoAddLine(text);
    } else {
      DoAppendToLast(text);
    }
  } catch (...) {
  }
}

void TProgressLog::LogSeparator() noexcept {
  try {
    if (!Empty()) DoAddLine(std::string());
  } catch (...) {
  }
}

void TProgressLog::LogReplaceLast(const std::string& text) noexcept {
  try {
    if (!Empty()) DoReplaceLast(text);
  } catch (...) {
  }
}

void TProgressLog::Clear() noexcept {
  try {
    DoClear();
  } catch (...) {
  }
}

std::string TProgressLog::Text() const {
  return JoinLinesCrLf(Lines());
}

void TProgressLog::SaveToFile(const std::string& file_name) const {
  WriteFileAtomic(file_name, Text());
}

// A line break between lines counts as two characters, as in the box.
void TMemoryProgressLog::DoAddLine(const std::string& text) {
  const size_t added = text.size() + (lines_.empty() ? 0 : 2);
  if (CharCount() + added > limit_) throw EPictavo("The progress log is full");
  lines_.push_back(text);
  size_ += text.size();
}

void TMemoryProgressLog::DoAppendToLast(const std::string& text) {
  if (CharCount() + text.size() > limit_) throw EPictavo("The progress log is full");
  lines_.back() += text;
  size_ += text.size();
}

void TMemoryProgressLog::DoReplaceLast(const std::string& text) {
  const size_t old_size = lines_.back().size();
  if (CharCount() - old_size + text.size() > limit_) throw EPictavo("The progress log is full");
  lines_.back() = text;
  size_ = size_ - old_size + text.size();
}

void TMemoryProgressLog::DoClear() {
  lines_.clear();
  size_ = 0;
}

}  // namespace pictavo
