#pragma once
// The progress log: what builds and uploads report, line by line. The core
// writes to a sink; the main window shows one in its progress box, the CLI
// and the tests keep one in memory.
#include <cstddef>
#include <string>
#include <vector>

namespace pictavo {

// The log operations. The public calls never throw: a sink error (a full
// box, for example) loses the line and the work goes on.
class TProgressLog {
 public:
  virtual ~TProgressLog() = default;

  // Adds the text as a new line at the end.
  void LogLine(const std::string& text) noexcept;
  // Appends the text to the last line; on an empty log it becomes the first line.
  void LogAppend(const std::string& text) noexcept;
  // Adds an empty line, unless the log is empty.
  void LogSeparator() noexcept;
  // Replaces the last line; nothing on an empty log.
  void LogReplaceLast(const std::string& text) noexcept;
  // Empties the log.
  void Clear() noexcept;

  virtual std::vector<std::string> Lines() const = 0;
  virtual bool Empty() const = 0;
  // The whole text, lines joined with CR LF after each.
  std::string Text() const;
  // Writes the lines to a text file (CR LF after each line, through a
  // temporary file and a rename); throws EPictavo when it cannot be written.
  void SaveToFile(const std::string& file_name) const;

 protected:
  virtual void DoAddLine(const std::string& text) = 0;
  virtual void DoAppendToLast(const std::string& text) = 0;
  virtual void DoReplaceLast(const std::string& text) = 0;
  virtual void DoClear() = 0;
};

// A log kept in memory, limited like the progress box to 1,048,576
// characters (bytes here): text that would pass the limit is lost.
class TMemoryProgressLog : public TProgressLog {
 public:
  static constexpr size_t kDefaultLimit = 1048576;
  explicit TMemoryProgressLog(size_t limit = kDefaultLimit) : limit_(limit) {}

  std::vector<std::string> Lines() const override { return lines_; }
  bool Empty() const override { return lines_.empty(); }
  const std::vector<std::string>& lines() const { return lines_; }

 protected:
  void DoAddLine(const std::string& text) override;
  void DoAppendToLast(const std::string& text) override;
  void DoReplaceLast(const std::string& text) override;
  void DoClear() override;

 private:
  size_t CharCount() const { return size_ + (lines_.empty() ? 0 : 2 * (lines_.size() - 1)); }
  std::vector<std::string> lines_;
  size_t size_ = 0;  // bytes of all lines
  size_t limit_;
};

}  // namespace pictavo
