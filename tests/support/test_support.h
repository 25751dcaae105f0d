#pragma once
// Shared test helpers: temporary folders on disk, file helpers and a scripted
// user interface that answers from a script and records what was asked.
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/user_interface.h"

namespace pictavo::test {

// A fresh folder under the system temporary folder, removed with its
// contents when the object goes away.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  // The folder, without trailing "/".
  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string file(std::string_view name) const;

 private:
  std::string path_;
};

// Writes bytes to a file, creating parent folders.
void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);
// Runs a shell command; returns its exit status. Output goes to the test log.
int RunCommand(const std::string& command);
// Runs a shell command and returns what it printed on standard output.
std::string CommandOutput(const std::string& command, int* status = nullptr);
// Folder of committed test files (tests/).
std::string TestDataDir();
// True when a program is on the PATH.
bool HaveProgram(const std::string& name);

// Answers questions from a script (default: the given answer) and records
// every call.
class TScriptedUserInterface : public TUserInterface {
 public:
  void ShowError(const std::string& message) override { errors.push_back(message); }
  void ShowMessage(const std::string& message) override { messages.push_back(message); }
  TAnswer Ask(const std::string& question, bool with_cancel) override;
  std::optional<std::string> InputText(const std::string& caption, const std::string& prompt,
                                       const std::string& initial) override;
  void ShowStatus(const std::string& text) override { statuses.push_back(text); }
  void ProcessEvents() override { ++events_processed; }
  bool IsCtrlAltHeld() override;
  bool AskWizard(std::vector<TWizardQuestion>& questions) override;
  std::optional<std::string> ChooseFile(const TFileDialog& dialog) override {
    dialogs.push_back(dialog);
    if (files.empty()) return std::nullopt;
    auto f = files.front();
    files.pop_front();
    return f;
  }

  std::deque<TAnswer> answers;            // taken in order; then default_answer
  TAnswer default_answer = TAnswer::Yes;
  std::deque<std::optional<std::string>> inputs;  // nullopt cancels
  // One entry per dialog: answers in the order the questions are shown
  // (missing ones keep their default); nullopt presses Cancel.
  std::deque<std::optional<std::vector<std::string>>> wizard_answers;
  std::deque<std::optional<std::string>> files;  // file dialog results; none left cancels
  std::vector<TFileDialog> dialogs;
  int ctrl_alt_after = -1;  // IsCtrlAltHeld turns true after this many calls

  std::vector<std::string> errors, messages, questions, statuses, input_prompts;
  std::vector<std::vector<TWizardQuestion>> wizards;
  int events_processed = 0;
  int ctrl_alt_calls = 0;
};

}  // namespace pictavo::test
