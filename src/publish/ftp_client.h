#pragma once
// The FTP protocol client: one control connection with its replies, login,
// the commands publishing needs, and data connections in passive mode (EPSV
// first, PASV when the server refuses it; the client remembers which works)
// or active mode (EPRT, PORT when refused). Every command line and reply line
// goes to a log hook; the password never does (PASS is passed on with one "*"
// per character).
#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "publish/ftp_reply.h"
#include "publish/ftp_socket.h"

namespace pictavo {

// A failed FTP operation. reply_code() is the code of the reply that refused
// it (0 when none did); socket_error() the negated socket error number of a
// socket failure (0 otherwise).
class EFtpError : public EPictavo {
 public:
  EFtpError(const std::string& message, int reply_code, int socket_error = 0)
      : EPictavo(message), reply_code_(reply_code), socket_error_(socket_error) {}
  int reply_code() const { return reply_code_; }
  int socket_error() const { return socket_error_; }

 private:
  int reply_code_;
  int socket_error_;
};

// Time-outs in milliseconds.
struct TFtpTimeouts {
  int connect_ms = 15000;  // the socket connect of the control and data connections
  int reply_ms = 60000;    // waiting for a reply line
  int data_ms = 60000;     // no progress on a data connection
};

class TFtpClient {
 public:
  // Every command line sent (sent = true) and reply line received; the first
  // line of a reply that the command does not accept, or that begins with
  // "-ERR", comes with "! " in front.
  using TLogHook = std::function<void(const std::string& line, bool sent)>;
  // Called repeatedly while data moves; an answer of true aborts the transfer.
  using TWorkHook = std::function<bool()>;
  using TStateHook = std::function<void(bool connected)>;

  TFtpClient() = default;
  ~TFtpClient();
  TFtpClient(const TFtpClient&) = delete;
  TFtpClient& operator=(const TFtpClient&) = delete;

  // Settings of the next Connect. Host may carry a port: "name:2121",
  // "[::1]:2121".
  std::string Host;
  std::string Username;
  std::string Password;
  bool Passive = true;
  TFtpTimeouts Timeouts;
  TLogHook OnLog;
  TWorkHook OnWork;
  TStateHook OnStateChange;

  // Connects, reads the greeting and logs in with USER and PASS. Throws
  // EFtpError; ConnectErrorCode() then tells what failed.
  void Connect();
  // Closes the control connection without QUIT.
  void Disconnect() noexcept;
  // Sends QUIT (errors ignored) and closes.
  void Quit() noexcept;
  bool Connected() const { return control_.Valid(); }
  // After a failed Connect: the code of a refusing greeting, the negated
  // socket error number of a failed socket connect (host not found, refused,
  // timed out ...), or 0 (for example a refused login).
  int ConnectErrorCode() const { return connect_error_code_; }
  int LastReplyCode() const { return last_reply_.code; }
  const TFtpReply& LastReply() const { return last_reply_; }

  // Sends one command line and reads its reply; throws EFtpError when the
  // reply code is not among accepted (an empty list accepts 1xx-3xx).
  TFtpReply SendCommand(const std::string& line, const std::vector<int>& accepted);
  // PWD: the reply's text (257 "folder" ...).
  TFtpReply Pwd();
  void Cwd(const std::string& folder);
  void Cdup();
  TFtpReply Mkd(const std::string& folder);
  // TYPE I or TYPE A, sent only when it differs from the current type.
  void SetBinary(bool binary);
  // NLST path: the lines of the listing (an empty listing gives none).
  std::vector<std::string> Nlst(const std::string& path);
  // STOR name with the stream's bytes from its current position to its end.
  // A data connection that breaks before every byte reached the server is a
  // failure even when the server then reports success. Returns the number of
  // bytes sent.
  uint64_t Stor(const std::string& name, std::istream& data);
  // ABOR: stops the running transfer (from the work hook) or asks the
  // server to abort; errors are ignored.
  void Abort() noexcept;

  // Whether EPSV worked on this host: unknown until the first passive transfer.
  enum class TEpsvState { Unknown, Works, Refused };
  TEpsvState EpsvState() const { return epsv_state_; }
  // Whether the server accepted EPRT in active mode.
  TEpsvState EprtState() const { return eprt_state_; }

 private:
  void Log(const std::string& line, bool sent);
  void SendLine(const std::string& line);
  TFtpReply ReadReply(const std::vector<int>& accepted);
  bool IsAccepted(int code, const std::vector<int>& accepted) const;
  void Fail(const std::string& message, int reply_code, int socket_error = 0);
  void ConnectionLost() noexcept;
  // Opens the data connection before the transfer command; active mode
  // returns the listener in listener (connected later by Accept).
  TSocket OpenPassiveData();
  TSocket OpenActiveListener();
  TSocket StartTransfer(const std::string& command, TSocket& listener);
  void CheckArgument(std::string_view text) const;
  // True when reply text arrives within timeout_ms (or is buffered already).
  bool ReplyPending(int timeout_ms);
  // After ABOR: reads the replies that follow (the one ending the transfer
  // and the one to ABOR; some servers send a third) until none comes.
  void DrainAbortReplies(bool transfer) noexcept;

  TSocket control_;
  TLineReader reader_{TFtpReplyParser::kMaxLineLength};
  TFtpReply last_reply_;
  int connect_error_code_ = 0;
  char type_ = 0;  // 'A', 'I' or 0 when unknown
  std::string epsv_host_;
  TEpsvState epsv_state_ = TEpsvState::Unknown;
  TEpsvState eprt_state_ = TEpsvState::Unknown;
  bool abort_pending_ = false;
  bool transferring_ = false;
  TSocket* data_ = nullptr;  // the running transfer's data connection
};

}  // namespace pictavo
