// pictavo-cli resume [--ini FILE] FILE.ftp
// Resumes an upload from its resume log (the "FTP script" an upload that did
// not finish leaves beside the album's main page), as "&Resume Upload..."
// does: the lines not yet marked are sent in file order; the log gets the new
// marks when the transfer fails again and is deleted when it finishes. The
// program options of the INI file ("LowercaseURLs", "UploadNewOnly") apply.
// The progress log goes to standard output with every password hidden.
// Exit status: 0 finished, 1 failed (the resume log is kept), 2 bad usage
// (no such file).
#include <iostream>
#include <memory>
#include <string>

#include "build/progress_log.h"
#include "cli/commands.h"
#include "cli/upload_options.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/user_interface.h"
#include "publish/upload_job.h"
#include "settings/program_folders.h"
#include "settings/program_options.h"
#include "settings/reg_or_ini.h"
#include "settings/window_state.h"

namespace pictavo::cli {
namespace {

// The log printed as it grows; a line is printed once the next one starts
// (or the log ends), so a line replaced meanwhile is printed as it ends up.
class TStdoutProgressLog : public TMemoryProgressLog {
 public:
  ~TStdoutProgressLog() override { Flush(); }
  void Flush() {
    if (!pending_) return;
    std::cout << lines().back() << "\n" << std::flush;
    pending_ = false;
  }

 protected:
  void DoAddLine(const std::string& text) override {
    Flush();
    TMemoryProgressLog::DoAddLine(text);
    pending_ = true;
  }
  void DoAppendToLast(const std::string& text) override {
    TMemoryProgressLog::DoAppendToLast(text);
    pending_ = true;
  }
  void DoClear() override {
    Flush();
    TMemoryProgressLog::DoClear();
  }

 private:
  bool pending_ = false;
};

// Errors and messages on standard error; questions take their default.
class TResumeUserInterface : public TSilentUserInterface {
 public:
  void ShowError(const std::string& message) override {
    std::cout.flush();
    std::cerr << "pictavo-cli: " << message << "\n";
  }
  void ShowMessage(const std::string& message) override {
    std::cout.flush();
    std::cerr << message << "\n";
  }
};

int RunResume(const std::string& ini_option, const std::string& file) {
  const std::string path = AbsolutePath(file);
  if (!FileExists(path)) {
    std::cerr << "pictavo-cli resume: no such file: " << path << "\n";
    return 2;
  }
  TWindowState window;
  const std::string program_folder = FindProgramFolder();
  const std::string ini_path = ResolveIniFileName(ini_option, program_folder);
  if (!ini_option.empty() && !FileExists(ini_path)) {
    std::cerr << "pictavo-cli resume: INI file not found: " << ini_path << "\n";
    return 2;
  }
  if (FileExists(ini_path)) {
    TRegOrIni store(ini_path, program_folder);
    store.StoreWritable = false;  // a resume changes no option
    LoadProgramOptions(store, ResolveProgramFolders(store), window);
  }

  TStdoutProgressLog log;
  TResumeUserInterface ui;
  TUploadJob job(log, ui);
  job.UploadNewOnly = window.cbxUploadNewOnly;
  job.LowercaseURLs = window.cbxLowercaseURLs;
  bool ok = false;
  {
    TUploadSignals signals(job);
    ok = job.ResumeUpload(path);
  }
  log.Flush();
  if (!ok && FileExists(path)) {
    std::cerr << "pictavo-cli resume: the upload did not finish; the resume log \"" << path
              << "\" holds what is left\n";
  }
  return ok ? 0 : 1;
}

}  // namespace

void RegisterResumeCommand(CLI::App& app, int& exit_code) {
  auto ini = std::make_shared<std::string>();
  auto file = std::make_shared<std::string>();
  CLI::App* cmd = app.add_subcommand(
      "resume",
      "Resumes an upload from its resume log (FILE.ftp beside the album's main page): sends "
      "what is left; exit 0 when it finished, 1 when the log still holds files to send.");
  cmd->add_option("--ini", *ini, "INI file of the program options");
  cmd->add_option("file", *file, "resume log (.ftp)")->required();
  cmd->callback([=, &exit_code] {
    try {
      exit_code = RunResume(*ini, *file);
    } catch (const std::exception& e) {
      std::cout.flush();
      std::cerr << "pictavo-cli resume: " << e.what() << "\n";
      exit_code = 1;
    }
  });
}

}  // namespace pictavo::cli
