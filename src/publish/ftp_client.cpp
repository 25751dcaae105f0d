#include "publish/ftp_client.h"

#include <poll.h>

#include <algorithm>
#include <memory>

#include <fmt/format.h>

#include "platform/case_fold.h"

namespace pictavo {

namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr size_t kMaxListing = 16 * 1024 * 1024;  // bytes of one NLST listing
constexpr int kAbortReplyMs = 3000;               // waiting for the first reply after ABOR
constexpr int kAbortMoreMs = 300;                 // waiting for each further one

// The text of a refusing reply for an error message: its first line, and its
// last one after a CR LF when it has several.
std::string ReplyMessage(const TFtpReply& reply) {
  if (reply.lines.empty()) return fmt::format("{} (empty reply)", reply.code);
  std::string text = reply.lines.front();
  if (reply.lines.size() > 1) text += "\r\n" + reply.lines.back();
  return text;
}

}  // namespace

TFtpClient::~TFtpClient() {
  OnStateChange = nullptr;
  Disconnect();
}

void TFtpClient::Log(const std::string& line, bool sent) {
  if (OnLog) OnLog(line, sent);
}

void TFtpClient::CheckArgument(std::string_view text) const {
  // A line break inside an argument would smuggle a second command onto the line.
  if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
    throw EFtpError("Invalid character (line break) in an FTP command argument", 0);
}

void TFtpClient::ConnectionLost() noexcept {
  if (!control_.Valid()) return;
  control_.Close();
  reader_.Clear();
  type_ = 0;
  if (OnStateChange) OnStateChange(false);
}

void TFtpClient::Fail(const std::string& message, int reply_code, int socket_error) {
  throw EFtpError(message, reply_code, socket_error);
}

void TFtpClient::SendLine(const std::string& line) {
  if (!control_.Valid()) Fail(SocketErrorMessage("Not connected", -10057), 0, -10057);
  // The password never reaches the log: one "*" per character stands for it.
  if (StartsWithNoCase(line, "PASS ")) {
    Log(line.substr(0, 5) + std::string(line.size() - 5, '*'), true);
  } else {
    Log(line, true);
  }
  try {
    control_.SendAll(line + "\r\n", Timeouts.reply_ms);
  } catch (const ESocketError& e) {
    ConnectionLost();
    Fail(e.what(), 0, e.code());
  }
}

bool TFtpClient::IsAccepted(int code, const std::vector<int>& accepted) const {
  if (accepted.empty()) return code >= 100 && code < 400;
  return std::find(accepted.begin(), accepted.end(), code) != accepted.end();
}

TFtpReply TFtpClient::ReadReply(const std::vector<int>& accepted) {
  TFtpReplyParser parser;
  bool first = true;
  bool bad = false;
  for (;;) {
    std::optional<std::string> line;
    try {
      line = reader_.ReadLine(control_, Timeouts.reply_ms);
    } catch (const ESocketError& e) {
      ConnectionLost();
      Fail(e.what(), 0, e.code());
    }
    if (!line) {
      ConnectionLost();
      Fail(SocketErrorMessage("Connection closed by the server", -10054), 0, -10054);
    }
    bool done = parser.AddLine(*line);
    if (first) {
      int code = parser.reply().code;
      bad = !IsAccepted(code, accepted) || StartsWithNoCase(*line, "-ERR");
      Log(bad ? "! " + *line : *line, false);
      first = false;
    } else {
      Log(*line, false);
    }
    if (done) break;
  }
  last_reply_ = parser.reply();
  // 421: the server is closing the control connection.
  if (last_reply_.code == 421) ConnectionLost();
  if (bad) Fail(ReplyMessage(last_reply_), last_reply_.code);
  return last_reply_;
}

TFtpReply TFtpClient::SendCommand(const std::string& line, const std::vector<int>& accepted) {
  CheckArgument(line);
  SendLine(line);
  return ReadReply(accepted);
}

void TFtpClient::Connect() {
  connect_error_code_ = 0;
  Disconnect();
  auto target = ParseHostPort(Host, 21);
  if (!target) {
    connect_error_code_ = -11001;
    Fail(SocketErrorMessage("Invalid host \"" + Host + "\"", -11001), 0, -11001);
  }
  if (!EqualsNoCase(Host, epsv_host_)) {
    epsv_host_ = Host;
    epsv_state_ = TEpsvState::Unknown;
    eprt_state_ = TEpsvState::Unknown;
  }
  CheckArgument(Username);
  CheckArgument(Password);
  try {
    control_ = ConnectTcp(target->host, target->port, Timeouts.connect_ms);
  } catch (const ESocketError& e) {
    connect_error_code_ = e.code();
    Fail(e.what(), 0, e.code());
  }
  reader_.Clear();
  type_ = 0;
  if (OnStateChange) OnStateChange(true);
  // The greeting: 120 (ready in a moment) may come before 220.
  try {
    TFtpReply greeting = ReadReply({120, 220});
    if (greeting.code == 120) ReadReply({220});
  } catch (const EFtpError& e) {
    connect_error_code_ = e.socket_error() ? e.socket_error() : e.reply_code();
    ConnectionLost();
    throw;
  }
  // A refused login is no connect failure: its code stays 0.
  TFtpReply user = SendCommand("USER " + Username, {230, 331});
  if (user.code == 331) SendCommand("PASS " + Password, {230, 202});
}

void TFtpClient::Disconnect() noexcept {
  abort_pending_ = false;
  ConnectionLost();
}

void TFtpClient::Quit() noexcept {
  if (!Connected()) return;
  try {
    SendCommand("QUIT", {221});
  } catch (const EPictavo&) {
  }
  Disconnect();
}

TFtpReply TFtpClient::Pwd() {
  return SendCommand("PWD", {257});
}

void TFtpClient::Cwd(const std::string& folder) {
  SendCommand("CWD " + folder, {200, 250});
}

void TFtpClient::Cdup() {
  SendCommand("CDUP", {200, 250});
}

TFtpReply TFtpClient::Mkd(const std::string& folder) {
  return SendCommand("MKD " + folder, {250, 257});
}

void TFtpClient::SetBinary(bool binary) {
  char want = binary ? 'I' : 'A';
  if (type_ == want) return;
  SendCommand(binary ? "TYPE I" : "TYPE A", {200});
  type_ = want;
}

TSocket TFtpClient::OpenPassiveData() {
  TSockAddress peer = control_.PeerAddress();
  // The data connection always goes to the host of the control connection:
  // an address that a PASV reply names is not trusted (it may be a private
  // address behind NAT, or a third host).
  if (epsv_state_ != TEpsvState::Refused) {
    std::optional<int> port;
    try {
      TFtpReply reply = SendCommand("EPSV", {229});
      port = ParseEpsvReply(reply.Text());
    } catch (const EFtpError& e) {
      if (e.reply_code() < 500 || e.reply_code() > 599) throw;
    }
    if (port) {
      epsv_state_ = TEpsvState::Works;
      TSockAddress address = peer;
      address.SetPort(*port);
      try {
        return ConnectTcp(address, Timeouts.connect_ms);
      } catch (const ESocketError& e) {
        Fail(e.what(), 0, e.code());
      }
    }
    epsv_state_ = TEpsvState::Refused;
  }
  if (peer.Family() != AF_INET)
    Fail("The server refuses EPSV, and PASV cannot reach it over IPv6", last_reply_.code);
  TFtpReply reply = SendCommand("PASV", {227});
  auto pasv = ParsePasvReply(reply.Text());
  if (!pasv) Fail("Malformed passive mode reply: " + ReplyMessage(reply), reply.code);
  TSockAddress address = peer;
  address.SetPort(pasv->port);
  try {
    return ConnectTcp(address, Timeouts.connect_ms);
  } catch (const ESocketError& e) {
    Fail(e.what(), 0, e.code());
  }
  return {};
}

TSocket TFtpClient::OpenActiveListener() {
  TSockAddress local = control_.LocalAddress();
  local.SetPort(0);
  TSocket listener;
  try {
    listener = ListenTcp(local, 1);
    local = listener.LocalAddress();
  } catch (const ESocketError& e) {
    Fail(e.what(), 0, e.code());
  }
  int port = local.Port();
  if (eprt_state_ != TEpsvState::Refused) {
    try {
      SendCommand(
          fmt::format("EPRT |{}|{}|{}|", local.Family() == AF_INET6 ? 2 : 1, local.Host(), port),
          {200});
      eprt_state_ = TEpsvState::Works;
      return listener;
    } catch (const EFtpError& e) {
      if (e.reply_code() < 500 || e.reply_code() > 599) throw;
      eprt_state_ = TEpsvState::Refused;
    }
  }
  if (local.Family() != AF_INET)
    Fail("The server refuses EPRT, and PORT cannot name an IPv6 address", last_reply_.code);
  std::string host = local.Host();
  std::replace(host.begin(), host.end(), '.', ',');
  SendCommand(fmt::format("PORT {},{},{}", host, port / 256, port % 256), {200});
  return listener;
}

TSocket TFtpClient::StartTransfer(const std::string& command, TSocket& listener) {
  CheckArgument(command);
  TSocket data;
  if (Passive) {
    data = OpenPassiveData();
    SendCommand(command, {125, 150});
  } else {
    listener = OpenActiveListener();
    SendCommand(command, {125, 150});
    try {
      data = AcceptTcp(listener, Timeouts.connect_ms);
      // Only the server of the control connection may connect.
      if (data.PeerAddress().Host() != control_.PeerAddress().Host())
        Fail("The data connection came from a foreign host", 0);
    } catch (const ESocketError& e) {
      Fail(e.what(), 0, e.code());
    }
    listener.Close();
  }
  return data;
}

std::vector<std::string> TFtpClient::Nlst(const std::string& path) {
  TSocket listener;
  TSocket data = StartTransfer(path.empty() ? "NLST" : "NLST " + path, listener);
  std::vector<std::string> lines;
  TLineReader reader(4096);
  size_t total = 0;
  try {
    while (auto line = reader.ReadLine(data, Timeouts.data_ms)) {
      total += line->size() + 1;
      if (total > kMaxListing) Fail("The listing is too long", 0);
      if (!line->empty()) lines.push_back(std::move(*line));
      if (OnWork && OnWork()) {
        abort_pending_ = true;
        break;
      }
    }
  } catch (const ESocketError& e) {
    data.Reset();
    ReadReply({226, 250});
    Fail(e.what(), 0, e.code());
  }
  data.Close();
  if (abort_pending_) {
    abort_pending_ = false;
    Abort();
    Fail("Transfer aborted", 426);
  }
  ReadReply({226, 250});
  return lines;
}

uint64_t TFtpClient::Stor(const std::string& name, std::istream& stream) {
  TSocket listener;
  TSocket data = StartTransfer("STOR " + name, listener);
  abort_pending_ = false;
  transferring_ = true;
  data_ = &data;
  uint64_t sent = 0;
  bool broken = false;
  bool read_failed = false;
  std::string failure;
  auto buffer = std::make_unique<char[]>(kChunk);
  try {
    for (;;) {
      stream.read(buffer.get(), kChunk);
      std::streamsize n = stream.gcount();
      if (n > 0) {
        data.SendAll(std::string_view(buffer.get(), static_cast<size_t>(n)), Timeouts.data_ms);
        sent += static_cast<uint64_t>(n);
      }
      if (OnWork && OnWork()) abort_pending_ = true;
      if (abort_pending_) break;
      if (stream.bad()) {
        read_failed = true;
        break;
      }
      if (n <= 0 || stream.eof()) break;
    }
    if (!abort_pending_ && !read_failed) {
      // End the stream and wait until the server has read it and closed its
      // side: a reset here means bytes were lost on the way.
      data.ShutdownSend();
      char sink[512];
      while (data.Receive(sink, sizeof sink, Timeouts.data_ms) > 0) {
      }
    }
  } catch (const ESocketError& e) {
    if (!abort_pending_) {
      broken = true;
      failure = e.what();
    }
  }
  data_ = nullptr;
  transferring_ = false;
  if (abort_pending_ || read_failed) {
    data.Reset();
  } else {
    data.Close();
  }

  if (abort_pending_) {
    abort_pending_ = false;
    try {
      SendLine("ABOR");
      DrainAbortReplies(true);
    } catch (const EFtpError&) {
    }
    Fail("Transfer aborted", 426);
  }
  if (read_failed) {
    try {
      ReadReply({226, 250});
    } catch (const EFtpError&) {
    }
    Fail("Cannot read the local file", 0);
  }
  ReadReply({226, 250});
  if (broken) {
    // The server saw the end of a shorter file and accepted it; it is not
    // stored as it should be.
    std::string message = fmt::format(
        "Data connection broken after {} bytes; the file was not stored completely ({})", sent,
        failure);
    Log("! " + message, false);
    Fail(message, 426);
  }
  return sent;
}

void TFtpClient::Abort() noexcept {
  if (transferring_) {
    abort_pending_ = true;
    if (data_) data_->Reset();
    return;
  }
  if (!Connected()) return;
  try {
    SendLine("ABOR");
    DrainAbortReplies(false);
  } catch (...) {
  }
}

bool TFtpClient::ReplyPending(int timeout_ms) {
  if (!control_.Valid()) return false;
  if (reader_.HasBufferedData()) return true;
  pollfd p{control_.fd(), POLLIN, 0};
  return ::poll(&p, 1, timeout_ms) > 0;
}

void TFtpClient::DrainAbortReplies(bool transfer) noexcept {
  // Idle, ABOR gets one reply. During a transfer the transfer's own reply
  // comes as well (some servers send a third); reading stops at a 225 or 226
  // that follows another reply, or when nothing more comes for a moment.
  int wait = kAbortReplyMs;
  int replies = 0;
  while (ReplyPending(wait)) {
    int code = 0;
    try {
      code = ReadReply({225, 226}).code;
    } catch (const EFtpError& e) {
      if (!Connected()) return;
      code = e.reply_code();
    } catch (...) {
      return;
    }
    ++replies;
    bool done = code == 225 || code == 226;
    if (done && (!transfer || replies >= 2)) return;
    wait = kAbortMoreMs;
  }
}

}  // namespace pictavo
