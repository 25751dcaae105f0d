#pragma once
// A progress log that hides passwords: every line, appended text and
// replacement passes through it to another log with each known password
// turned into as many "*" as it has characters. The upload job writes all
// its lines through one, so neither the FTP traffic nor an error message that
// quotes a value can show a password, whatever the front end does with the
// log. (The FTP log sink separately masks everything after "> PASS ".)
#include <string>
#include <vector>

#include "build/progress_log.h"

namespace pictavo {

class TPasswordHidingLog : public TProgressLog {
 public:
  // Passwords shorter than this are hidden only in the "> PASS " line: a
  // password of one or two characters would otherwise blank out ordinary
  // words of the log.
  static constexpr size_t kMinHiddenLength = 3;

  explicit TPasswordHidingLog(TProgressLog& target) : target_(target) {}

  // Adds a password to hide from now on (empty and short ones are ignored).
  void AddPassword(const std::string& password);
  // The text with every known password replaced by "*" characters (the
  // longest first, so a password that contains another is hidden whole).
  std::string Hide(const std::string& text) const;

  std::vector<std::string> Lines() const override { return target_.Lines(); }
  bool Empty() const override { return target_.Empty(); }
  TProgressLog& target() { return target_; }

 protected:
  void DoAddLine(const std::string& text) override { target_.LogLine(Hide(text)); }
  void DoAppendToLast(const std::string& text) override { target_.LogAppend(Hide(text)); }
  void DoReplaceLast(const std::string& text) override { target_.LogReplaceLast(Hide(text)); }
  void DoClear() override { target_.Clear(); }

 private:
  TProgressLog& target_;
  std::vector<std::string> passwords_;  // longest first
};

}  // namespace pictavo
