#include "publish/enh_ftp_client.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "build/progress_log.h"
#include "platform/case_fold.h"
#include "platform/user_interface.h"

namespace pictavo {

namespace {

const char* ConnectErrorText(int code) {
  switch (code) {
    case -11003:
      return "Non-recoverable error";
    case -11002:
      return "Non-authoritative host not found";
    case -11001:
      return "Host not found";
    case -10091:
      return "Network subsystem is unavailable";
    case -10065:
      return "No route to host";
    case -10064:
      return "Host is down";
    case -10061:
      return "Connection refused";
    case -10060:
      return "Connection timed out";
    case -10057:
      return "Socket is not connected";
    case -10054:
      return "Connection reset by peer";
    case -10052:
      return "Network dropped connection on reset";
    case -10051:
      return "Network is unreachable";
    case -10050:
      return "Network is down";
    case -10045:
      return "Operation not supported";
    case -10039:
      return "Destination address required";
    case -10022:
      return "Invalid argument";
    case -10014:
      return "Bad address";
    case -10013:
      return "Permission denied";
    case -93:
      return "Request rejected because the client program and identd report different user-ids";
    case -92:
      return "Request rejected because SOCKS server cannot connect to identd on the client";
    case -91:
      return "Request rejected or failed";
    default:
      return nullptr;
  }
}

// Transient socket failures worth another connect attempt.
bool IsRetryable(int code) {
  return code == -10064 || code == -10060 || code == -10057 || code == -10054 || code == -10051;
}

std::vector<std::string> SplitNames(const std::string& path) {
  std::vector<std::string> names;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    if (slash > pos) names.push_back(path.substr(pos, slash - pos));
    pos = slash + 1;
  }
  return names;
}

}  // namespace

std::string FormatConnectError(const std::string& text, int code) {
  size_t cr = text.find('\r');
  if (cr != std::string::npos) {
    std::string result = text;
    result[cr] = '.';
    if (cr + 1 < result.size() && result[cr + 1] == '\n') {
      result[cr + 1] = ' ';
    } else {
      result.insert(cr + 1, " ");
    }
    return result;
  }
  if (code < 0) {
    if (const char* extra = ConnectErrorText(code)) return text + ". " + extra;
  }
  return text;
}

TEnhFtpClient::TEnhFtpClient(const std::atomic<bool>& abort_requested, TUserInterface* ui)
    : abort_requested_(abort_requested), ui_(ui) {}

TEnhFtpClient::~TEnhFtpClient() {
  // The calls block, so no transfer runs here: dropping the connection is enough.
  if (client_) {
    client_->OnLog = nullptr;
    client_->OnWork = nullptr;
    client_->Disconnect();
  }
}

void TEnhFtpClient::Log(const std::string& text, bool sent) {
  if (Quiet || !OnLog) return;
  OnLog(text, sent);
}

void TEnhFtpClient::HookLine(const std::string& line, bool sent) {
  if (sent) {
    Log("> " + line, true);
  } else if (line.rfind("! ", 0) == 0) {
    Log(line, false);
  } else {
    Log("< " + line, false);
  }
}

void TEnhFtpClient::ReportError(const std::string& message) {
  if (Quiet) return;
  if (OnLog) {
    Log("! " + message);
  } else if (ui_) {
    ui_->ShowError("FTP error: " + message);
  }
}

bool TEnhFtpClient::CheckAbort() {
  if (abort_requested_.load()) {
    AbortTransfer();
    return true;
  }
  if (ui_) ui_->ProcessEvents();
  return false;
}

bool TEnhFtpClient::OpenHost(const std::string& host, const std::string& user_id, bool passive,
                             const std::string& password) {
  if (host.empty()) return false;
  if (client_) {
    CloseHost();
  } else {
    client_ = std::make_unique<TFtpClient>();
    client_->OnLog = [this](const std::string& line, bool sent) { HookLine(line, sent); };
    client_->OnWork = [this] { return CheckAbort(); };
  }
  client_->Host = host;
  if (!user_id.empty() || !password.empty()) {
    client_->Username = user_id.empty() ? "Anonymous" : user_id;
    client_->Password = password;
  } else {
    client_->Username = "Anonymous";
    client_->Password = kAnonymousPassword;
  }
  client_->Passive = passive;
  return Connect("Opening FTP connection to host...");
}

bool TEnhFtpClient::Reopen() {
  if (!client_ || client_->Connected()) return false;
  return Connect("Reopening FTP connection to host...");
}

bool TEnhFtpClient::Connect(const std::string& announcement) {
  Log("");
  Log(announcement);
  try {
    ConnectStep();
    return !failed_;
  } catch (const std::exception& e) {
    ReportError(e.what());
    return false;
  }
}

void TEnhFtpClient::ConnectStep() {
  failed_ = false;
  login_dir_.clear();
  client_->Timeouts = Timeouts;
  int attempts = 0;
  for (;;) {
    try {
      client_->Connect();
      break;
    } catch (const EFtpError& e) {
      int code = client_->ConnectErrorCode();
      std::string message = FormatConnectError(e.what(), code);
      if (!IsRetryable(code)) {
        Log("! " + message);
        throw;
      }
      ++attempts;
      if (attempts < MaxAttempts && !CheckAbort()) {
        Log("! Attempt #" + std::to_string(attempts) + "; " + message);
        continue;
      }
      Log("! " + message);
      throw;
    }
  }
  try {
    TFtpReply pwd = client_->Pwd();
    auto folder = ParseQuotedPath(pwd.lines.empty() ? std::string() : pwd.lines.front());
    login_dir_ = !folder ? "" : folder->empty() ? "/" : *folder;
  } catch (const EFtpError& e) {
    ReportError(e.what());
  }
  client_->SetBinary(Binary);
  if (!RemoteDir.empty()) {
    std::string kept = RemoteDir;
    RemoteDir.clear();
    failed_ = !ChangeDir(kept, true, true);
  } else {
    failed_ = false;
  }
}

bool TEnhFtpClient::ChangeDir(const std::string& path, bool create, bool announce) {
  // The target as names from the login folder; "." names are dropped and
  // ".." names go back one name, never above the login folder.
  std::vector<std::string> target;
  for (const std::string& name : SplitNames(path)) {
    if (name == ".") continue;
    if (name == "..") {
      if (target.empty()) {
        ReportError("The folder \"" + path + "\" lies above the login folder");
        return false;
      }
      target.pop_back();
      continue;
    }
    target.push_back(name);
  }
  std::string wanted;
  for (const std::string& name : target) wanted += "/" + name;
  if (EqualsNoCase(wanted, RemoteDir)) return true;
  if (!Connected() && !Reopen()) return false;
  if (announce) {
    Log("");
    Log("Changing remote directory...");
  }
  std::vector<std::string> current = SplitNames(RemoteDir);
  size_t common = 0;
  while (common < current.size() && common < target.size() &&
         EqualsNoCase(current[common], target[common]))
    ++common;
  try {
    for (size_t i = current.size(); i > common; --i) {
      client_->Cdup();
      size_t slash = RemoteDir.rfind('/');
      RemoteDir.erase(slash == std::string::npos ? 0 : slash);
    }
    for (size_t i = common; i < target.size(); ++i) {
      const std::string& name = target[i];
      try {
        client_->Cwd(name);
      } catch (const EFtpError& e) {
        if (e.reply_code() != 550 || !create) throw;
        TFtpReply made = client_->Mkd(name);
        auto quoted = ParseQuotedPath(made.lines.empty() ? std::string() : made.lines.front());
        client_->Cwd(quoted && !quoted->empty() ? *quoted : name);
      }
      RemoteDir += "/" + name;
    }
  } catch (const std::exception& e) {
    ReportError(e.what());
    return false;
  }
  return true;
}

bool TEnhFtpClient::FileExists(const std::string& path) {
  if (!Connected() && !Reopen()) return false;
  bool quiet = Quiet;
  Quiet = true;
  auto listed = [&](const std::string& what, const std::string& name) {
    try {
      for (const std::string& line : client_->Nlst(what))
        if (EqualsNoCase(line, path) || (!name.empty() && EqualsNoCase(line, name))) return true;
    } catch (const std::exception&) {
    }
    return false;
  };
  // Some servers list only folders; then the file's folder is listed (lines
  // are the path, or the bare name on servers that list names only).
  bool found = listed(path, "");
  size_t slash = path.rfind('/');
  if (!found && Connected() && slash != std::string::npos && slash + 1 < path.size()) {
    std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    found = listed(folder, path.substr(slash + 1));
  }
  Quiet = quiet;
  return found;
}

bool TEnhFtpClient::PutStream(std::istream& stream, const std::string& remote_path, bool binary) {
  if (remote_path.empty()) return false;
  if (!Connected() && !Reopen()) return false;
  if (failed_) return false;
  size_t slash = remote_path.rfind('/');
  std::string name = slash == std::string::npos ? remote_path : remote_path.substr(slash + 1);
  Log("");
  if (slash == std::string::npos) {
    Log("Uploading \"" + name + "\"...");
  } else {
    Log("Uploading \"" + name + "\" to \"" + remote_path.substr(0, slash + 1) + "\"...");
  }
  try {
    if (binary != Binary && Connected()) client_->SetBinary(binary);
    Binary = binary;
  } catch (const EFtpError& e) {
    Binary = binary;
    if (e.reply_code() == 0) ReportError(e.what());
    return false;
  }
  if (slash != std::string::npos && !ChangeDir(remote_path.substr(0, slash), true, false)) {
    failed_ = true;
    return false;
  }
  try {
    client_->Stor(name, stream);
    return true;
  } catch (const EFtpError& e) {
    if (e.reply_code() != 426) {
      // A refusing reply has been logged with "! " already; a socket failure has not.
      if (e.reply_code() == 0) ReportError(e.what());
      return false;
    }
  } catch (const std::exception& e) {
    ReportError(e.what());
    return false;
  }
  // 426: the connection was closed and the transfer aborted; once more from the start.
  if (CheckAbort()) return false;
  if (!Connected() && !Reopen()) return false;
  try {
    stream.clear();
    stream.seekg(0);
    if (!stream) throw EPictavo("Cannot rewind the data to send");
    client_->Stor(name, stream);
    return true;
  } catch (const std::exception& e) {
    ReportError(e.what());
    return false;
  }
}

bool TEnhFtpClient::PutFile(const std::string& local_path, const std::string& remote_path,
                            bool binary) {
  std::ifstream file(local_path, std::ios::binary);
  if (!file) {
    ReportError("Cannot open file \"" + local_path + "\". " + std::strerror(errno));
    return false;
  }
  return PutStream(file, remote_path, binary);
}

bool TEnhFtpClient::PutText(const std::string& text, const std::string& remote_path) {
  std::istringstream stream(text);
  return PutStream(stream, remote_path, false);
}

void TEnhFtpClient::AbortTransfer() noexcept {
  if (!Connected()) return;
  Log("");
  Log("Aborting FTP connection to host.");
  client_->Abort();
}

void TEnhFtpClient::CloseHost() noexcept {
  if (!Connected()) return;
  Log("");
  Log("Closing FTP connection to host.");
  client_->Disconnect();
}

TEnhFtpClient::TLogEvent FtpProgressLogSink(TProgressLog& log) {
  return [&log](const std::string& text, bool sent) {
    if (sent && text.size() >= 7 && StartsWithNoCase(text, "> pass ")) {
      log.LogLine(text.substr(0, 7) + std::string(text.size() - 7, '*'));
    } else {
      log.LogLine(text);
    }
  };
}

}  // namespace pictavo
