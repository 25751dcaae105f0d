#pragma once
// The FTP session of the upload job: one connection to one host at a time,
// opened with retries, walking to remote folders (creating the missing ones),
// asking whether a file exists, storing streams, files and texts, aborting
// and closing. Everything it does is reported through OnLog as lines with
// "> " (command sent), "< " (reply received) and "! " (failure) in front.
//
// The login folder is the root of every remote path: "/a/b" and "a/b" both
// name the folder a/b inside it. A path whose ".." names climb above the
// login folder is refused with the error "The folder "..." lies above the
// login folder" (the session could not know where the server would put the
// files, so nothing is sent).
#include <atomic>
#include <functional>
#include <istream>
#include <memory>
#include <string>

#include "publish/ftp_client.h"

namespace pictavo {

class TProgressLog;
class TUserInterface;

// The message of a failed connect as the session shows it: the first CR of a
// text becomes "." with a blank after it (a following LF becomes that blank);
// otherwise a known negative code appends ". " and its text ("Connection
// refused" for -10061 ...); otherwise the text stays as it is.
std::string FormatConnectError(const std::string& text, int code);

class TEnhFtpClient {
 public:
  // text, sent flag; an empty text stands for a blank separator line.
  using TLogEvent = std::function<void(const std::string& text, bool sent)>;

  // abort_requested is the process-wide abort flag of uploads, only read
  // here; ui (optional) processes pending events between steps and shows
  // "FTP error: " boxes when no OnLog handler is attached.
  explicit TEnhFtpClient(const std::atomic<bool>& abort_requested, TUserInterface* ui = nullptr);
  ~TEnhFtpClient();
  TEnhFtpClient(const TEnhFtpClient&) = delete;
  TEnhFtpClient& operator=(const TEnhFtpClient&) = delete;

  int MaxAttempts = 3;
  std::string RemoteDir;  // "" (login folder) or "/a/b" from the login folder
  bool Binary = false;
  bool Quiet = false;
  TLogEvent OnLog;
  TFtpTimeouts Timeouts;  // applied at every connect
  // Anonymous password when both user id and password are empty.
  static constexpr const char* kAnonymousPassword = "pictavo@example.com";

  // host may carry a port ("ftp.example.com:2121", "[::1]:2121").
  bool OpenHost(const std::string& host, const std::string& user_id, bool passive,
                const std::string& password);
  bool Reopen();
  bool ChangeDir(const std::string& path, bool create, bool announce);
  bool FileExists(const std::string& path);
  bool PutStream(std::istream& stream, const std::string& remote_path, bool binary);
  bool PutFile(const std::string& local_path, const std::string& remote_path, bool binary);
  bool PutText(const std::string& text, const std::string& remote_path);
  void AbortTransfer() noexcept;
  void CloseHost() noexcept;
  void ForgetDir() { RemoteDir.clear(); }
  bool CheckAbort();
  void ReportError(const std::string& message);

  const std::string& LoginDir() const { return login_dir_; }
  bool Connected() const { return client_ && client_->Connected(); }
  bool Failed() const { return failed_; }
  // The protocol client (null before the first OpenHost).
  TFtpClient* Client() { return client_.get(); }

 private:
  void Log(const std::string& text, bool sent = false);
  // Logs the announcement and connects and logs in; false on failure.
  bool Connect(const std::string& announcement);
  void ConnectStep();
  void HookLine(const std::string& line, bool sent);

  const std::atomic<bool>& abort_requested_;
  TUserInterface* ui_;
  std::unique_ptr<TFtpClient> client_;
  std::string login_dir_;
  bool failed_ = false;
};

// The upload job's log sink: every line goes to log.LogLine (an empty text
// as an empty line); a sent line that begins with "> pass " (any case) keeps
// those seven characters and shows "*" for each following character.
TEnhFtpClient::TLogEvent FtpProgressLogSink(TProgressLog& log);

}  // namespace pictavo
