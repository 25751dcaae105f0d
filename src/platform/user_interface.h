#pragma once
// Everything the core needs from a person goes through this interface. The Qt
// program shows real dialogs, the CLI answers from its arguments, tests answer
// from a script and record what was asked.
#include <optional>
#include <string>
#include <vector>

namespace pictavo {

enum class TAnswer { Yes, No, Cancel };

// One question of the completion wizard, as the dialog shows it. The
// interface fills `answer`: the text typed, or for list kinds the display
// text of the chosen entry (several ticked entries joined by ";"); the core
// turns displays into their values. `default_value` is what the control shows
// first, so an interface that keeps every default answers with it.
struct TWizardChoice {
  std::string display;
  std::string value;
  bool preselected = false;
};

struct TWizardQuestion {
  int id = 0;                  // 1, 2, 3 ... in order of first appearance
  std::string prompt;
  char kind = 0;               // 0 (plain), 'E', 'M', 'W', 'C', 'L', 'A', 'D', 'O', 'S', 'T'
  int order = -1;              // position asked for by a leading number, or -1
  int height = 0;              // "H=" lines, 0 when not given
  int max_length = 0;          // "S=" n, 0 when not given
  bool multiple_files = false; // "S=M" for kind O
  bool lower_case = false;     // "C=L" for kind T
  std::string mask;            // M="..."
  std::string filter;          // F="..."
  std::vector<TWizardChoice> choices;
  bool limit_to_list = false;
  std::string default_value;
  std::string answer;
};

// What a file dialog shows: title, filter ("Caption|masks|..."), default
// extension, start folder and proposed name; save or open.
struct TFileDialog {
  std::string title;
  std::string filter;
  std::string default_ext;
  std::string folder;
  std::string file_name;
  bool save = false;
  bool must_exist = false;
};

class TUserInterface {
 public:
  virtual ~TUserInterface() = default;
  // Error box: warning beep, the message, OK.
  virtual void ShowError(const std::string& message) = 0;
  // Information box (OK).
  virtual void ShowMessage(const std::string& message) = 0;
  // Yes/No question; with_cancel adds Cancel.
  virtual TAnswer Ask(const std::string& question, bool with_cancel) = 0;
  // Input box; nullopt when cancelled.
  virtual std::optional<std::string> InputText(const std::string& caption,
                                               const std::string& prompt,
                                               const std::string& initial) = 0;
  // Status bar text.
  virtual void ShowStatus(const std::string& text) = 0;
  // Lets the window process pending events during long work.
  virtual void ProcessEvents() = 0;
  // True while the user holds Ctrl and Alt (the build's stop request).
  virtual bool IsCtrlAltHeld() = 0;
  // Completion wizard: fills each question's answer; false when cancelled.
  virtual bool AskWizard(std::vector<TWizardQuestion>& questions) = 0;
  // A file dialog; nullopt when cancelled. An interface without dialogs
  // cancels.
  virtual std::optional<std::string> ChooseFile(const TFileDialog& dialog) {
    (void)dialog;
    return std::nullopt;
  }
};

// An interface that asks nobody: errors and messages are kept, questions take
// their default answer, the wizard keeps every default.
class TSilentUserInterface : public TUserInterface {
 public:
  explicit TSilentUserInterface(TAnswer default_answer = TAnswer::Yes)
      : default_answer_(default_answer) {}
  void ShowError(const std::string& message) override { errors.push_back(message); }
  void ShowMessage(const std::string& message) override { messages.push_back(message); }
  TAnswer Ask(const std::string& question, bool) override {
    questions.push_back(question);
    return default_answer_;
  }
  std::optional<std::string> InputText(const std::string&, const std::string&,
                                       const std::string& initial) override {
    return initial;
  }
  void ShowStatus(const std::string& text) override { status = text; }
  void ProcessEvents() override {}
  bool IsCtrlAltHeld() override { return false; }
  bool AskWizard(std::vector<TWizardQuestion>& qs) override {
    for (auto& q : qs) q.answer = q.default_value;
    return true;
  }

  std::vector<std::string> errors, messages, questions;
  std::string status;

 private:
  TAnswer default_answer_;
};

}  // namespace pictavo
