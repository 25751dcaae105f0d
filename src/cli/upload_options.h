#pragma once
// The upload part of pictavo-cli: `build ... --upload` with the upload panel's
// fields as Upload.Host=..., Upload.UserId=..., Upload.Password=...,
// Upload.HtmlFolder=..., Upload.MediaFolder=..., Upload.PassiveMode=0|1 or
// Upload.Profile=NAME (a saved profile, the other Upload.* values applied on
// top of it), and `resume FILE.ftp`. Without Upload.* values the panel's
// values saved in the INI file are used. The environment variable
// PICTAVO_UPLOAD_PASSWORD, when set, gives the password unless
// Upload.Password names one. A local folder as host copies the
// album there (a relative folder is taken against the current folder). The
// progress log goes to standard output with every password hidden.
// Ctrl+C (SIGINT) or SIGTERM stops the transfer before its next file.
#include <string>
#include <vector>

namespace pictavo {
class TAlbumBuilder;
class TProgressLog;
class TRegOrIni;
class TUserInterface;
struct TWindowState;
}  // namespace pictavo

namespace pictavo {
class TUploadJob;
}

namespace pictavo::cli {

// While it lives, SIGINT and SIGTERM set the job's AbortRequested: the
// running store is aborted and the transfer stops before its next file.
class TUploadSignals {
 public:
  explicit TUploadSignals(TUploadJob& job);
  ~TUploadSignals();
  TUploadSignals(const TUploadSignals&) = delete;
  TUploadSignals& operator=(const TUploadSignals&) = delete;

 private:
  void (*old_int_)(int);
  void (*old_term_)(int);
};

// True when the argument has the form Upload.Key=Value (any case).
bool IsUploadArgument(const std::string& arg);

// Checks the Upload.* arguments; "" when they are fine, otherwise the reason
// (an unknown key, a PassiveMode that is not 0 or 1).
std::string CheckUploadArguments(const std::vector<std::string>& args);

// Uploads (or copies) the album the builder has just built. The panel comes
// from the store's saved upload settings, then Upload.Profile, then
// PICTAVO_UPLOAD_PASSWORD, then the other Upload.* values. Returns the exit status: 0 success, 1 failure (for an FTP
// upload the resume log then lies beside the album's main page), 2 for bad
// usage (an unknown profile, no host).
int RunBuildUpload(const std::vector<std::string>& args, TAlbumBuilder& builder,
                   TWindowState& window, TRegOrIni& store, TProgressLog& log, TUserInterface& ui);

}  // namespace pictavo::cli
