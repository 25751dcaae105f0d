#include "publish/ftp_server_helper.h"

#include <arpa/inet.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "publish/ftp_reply.h"

namespace pictavo::test {

namespace {

TSockAddress Loopback(int port) {
  TSockAddress address;
  auto* in = reinterpret_cast<sockaddr_in*>(&address.storage);
  in->sin_family = AF_INET;
  in->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  in->sin_port = htons(static_cast<uint16_t>(port));
  address.length = sizeof(sockaddr_in);
  return address;
}

bool CanConnect(int port) {
  try {
    ConnectTcp(Loopback(port), 200);
    return true;
  } catch (const ESocketError&) {
    return false;
  }
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

bool Readable(int fd, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeout_ms) > 0;
}

}  // namespace

int FreeLoopbackPort() {
  TSocket socket = ListenTcp(Loopback(0));
  return socket.LocalAddress().Port();
}

std::string TFtpTestServer::ServerProgram() {
  for (const char* path : {"/usr/sbin/pure-ftpd", "/usr/local/sbin/pure-ftpd"})
    if (::access(path, X_OK) == 0) return path;
  return HaveProgram("pure-ftpd") ? "pure-ftpd" : "";
}

std::string TFtpTestServer::Unavailable() {
  if (ServerProgram().empty())
    return "pure-ftpd is not installed (scripts/install-deps.sh installs it)";
  if (::geteuid() != 0)
    return "pure-ftpd logs users in only when started as root (CI runs as root)";
  return "";
}

TFtpTestServer::TFtpTestServer() {
  std::string program = ServerProgram();
  if (program.empty()) throw std::runtime_error("pure-ftpd is not installed");
  // The server's user must reach its home folder.
  ::chmod(root_.path().c_str(), 0755);
  std::filesystem::create_directories(home());
  bool root = ::geteuid() == 0;
  // The server refuses root as the owner of virtual users; nobody stands in.
  unsigned uid = root ? 65534 : ::geteuid();
  unsigned gid = root ? 65534 : ::getegid();
  if (root && ::chown(home().c_str(), uid, gid) != 0)
    throw std::runtime_error("cannot chown the FTP home folder");
  // A SHA-512 crypt hash keeps logins fast (the default hash of pure-pw takes seconds).
  int status = 0;
  std::string hash = CommandOutput(
      "perl -e 'print crypt($ARGV[0], q($6$pictavotest$))' " + ShellQuote(kPassword), &status);
  if (status != 0 || hash.rfind("$6$", 0) != 0)
    throw std::runtime_error("cannot make a password hash with perl");
  std::string passwd = root_.file("pureftpd.passwd");
  std::string pdb = root_.file("pureftpd.pdb");
  WriteFile(passwd, std::string(kUser) + ":" + hash + ":" + std::to_string(uid) + ":" +
                        std::to_string(gid) + "::" + home() + "/./::::::::::::\n");
  if (RunCommand("pure-pw mkdb " + ShellQuote(pdb) + " -f " + ShellQuote(passwd) + " >&2") != 0)
    throw std::runtime_error("pure-pw mkdb failed");

  for (int attempt = 0; attempt < 5; ++attempt) {
    port_ = FreeLoopbackPort();
    std::string bind = "127.0.0.1," + std::to_string(port_);
    std::string login = "puredb:" + pdb;
    std::vector<std::string> args = {program, "-S", bind, "-l", login, "-E", "-H", "-4"};
    if (root) args.push_back("-A");  // chroot: the login folder is "/"
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      ::setpgid(0, 0);
      // The server goes when the test program goes, even when it is killed.
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::execvp(argv[0], argv.data());
      ::_exit(127);
    }
    ::setpgid(pid_, pid_);
    for (int i = 0; i < 100; ++i) {
      if (CanConnect(port_)) return;
      int wstatus = 0;
      if (::waitpid(pid_, &wstatus, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (pid_ > 0) {
      ::kill(-pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }
  throw std::runtime_error("pure-ftpd did not start");
}

TFtpTestServer::~TFtpTestServer() {
  if (pid_ > 0) {
    ::kill(-pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    ::kill(-pid_, SIGKILL);  // any session process left in its group
  }
}

TFtpProxy::TFtpProxy(int upstream_port) : upstream_port_(upstream_port) {
  listener_ = ListenTcp(Loopback(0), 8);
  port_ = listener_.LocalAddress().Port();
  accept_thread_ = std::thread([this] { AcceptLoop(); });
}

TFtpProxy::~TFtpProxy() {
  stop_ = true;
  accept_thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& t : threads_) t.join();
}

void TFtpProxy::Spawn(std::thread thread) {
  std::lock_guard<std::mutex> lock(mutex_);
  threads_.push_back(std::move(thread));
}

void TFtpProxy::AcceptLoop() {
  while (!stop_) {
    if (!Readable(listener_.fd(), 50)) continue;
    try {
      TSocket client = AcceptTcp(listener_, 100);
      Spawn(std::thread([this, c = std::move(client)]() mutable { ControlRelay(std::move(c)); }));
    } catch (const ESocketError&) {
    }
  }
}

void TFtpProxy::ControlRelay(TSocket client) {
  TSocket server;
  try {
    server = ConnectTcp(Loopback(upstream_port_), 2000);
  } catch (const ESocketError&) {
    return;
  }
  std::string from_client, from_server;
  char buffer[4096];
  while (!stop_) {
    pollfd fds[2] = {{client.fd(), POLLIN, 0}, {server.fd(), POLLIN, 0}};
    if (::poll(fds, 2, 50) <= 0) continue;
    try {
      if (fds[0].revents) {
        size_t n = client.Receive(buffer, sizeof buffer, 100);
        if (n == 0) return;
        from_client.append(buffer, n);
        size_t lf;
        while ((lf = from_client.find('\n')) != std::string::npos) {
          std::string line = from_client.substr(0, lf + 1);
          from_client.erase(0, lf + 1);
          if (reject_epsv && line.rfind("EPSV", 0) == 0) {
            client.SendAll("500 Unknown command\r\n", 1000);
          } else {
            server.SendAll(line, 1000);
          }
        }
      }
      if (fds[1].revents) {
        size_t n = server.Receive(buffer, sizeof buffer, 100);
        if (n == 0) return;
        from_server.append(buffer, n);
        size_t lf;
        while ((lf = from_server.find('\n')) != std::string::npos) {
          std::string line = from_server.substr(0, lf + 1);
          from_server.erase(0, lf + 1);
          std::optional<int> upstream;
          bool epsv = line.rfind("229 ", 0) == 0;
          if (epsv) upstream = ParseEpsvReply(line);
          if (line.rfind("227 ", 0) == 0) {
            if (auto pasv = ParsePasvReply(line)) upstream = pasv->port;
          }
          if (upstream) {
            TSocket data_listener = ListenTcp(Loopback(0), 1);
            int port = data_listener.LocalAddress().Port();
            int up = *upstream;
            Spawn(std::thread([this, up, l = std::move(data_listener)]() mutable {
              DataRelay(std::move(l), up);
            }));
            line = epsv
                       ? "229 Entering Extended Passive Mode (|||" + std::to_string(port) + "|)\r\n"
                       : "227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) +
                             "," + std::to_string(port % 256) + ")\r\n";
          }
          client.SendAll(line, 1000);
        }
      }
    } catch (const ESocketError&) {
      return;
    }
  }
}

void TFtpProxy::DataRelay(TSocket listener, int upstream_data_port) {
  TSocket client;
  try {
    client = AcceptTcp(listener, 5000);
  } catch (const ESocketError&) {
    return;
  }
  listener.Close();
  TSocket server;
  try {
    server = ConnectTcp(Loopback(upstream_data_port), 2000);
  } catch (const ESocketError&) {
    return;
  }
  ++data_connections;
  bool cut = false;
  {
    int left = cuts_left.load();
    if (left != 0) {
      cut = true;
      if (left > 0) --cuts_left;
    }
  }
  long limit = cut_after.load();
  long forwarded = 0;
  bool client_open = true, server_open = true;
  char buffer[16384];
  while (!stop_ && (client_open || server_open)) {
    pollfd fds[2] = {{client_open ? client.fd() : -1, POLLIN, 0},
                     {server_open ? server.fd() : -1, POLLIN, 0}};
    if (::poll(fds, 2, 50) <= 0) continue;
    try {
      if (fds[0].revents) {
        size_t n = client.Receive(buffer, sizeof buffer, 100);
        if (n == 0) {
          client_open = false;
          server.ShutdownSend();
        } else {
          size_t pass = n;
          if (cut && forwarded + static_cast<long>(n) >= limit)
            pass = static_cast<size_t>(limit - forwarded);
          if (pass) server.SendAll(std::string_view(buffer, pass), 2000);
          forwarded += static_cast<long>(pass);
          if (cut && forwarded >= limit) {
            client.Reset();
            if (reset_upstream) {
              server.Reset();
            } else {
              server.ShutdownSend();
              // Let the server finish reading before the socket goes.
              char sink[256];
              while (server.Receive(sink, sizeof sink, 2000) > 0) {
              }
            }
            return;
          }
        }
      }
      if (fds[1].revents) {
        size_t n = server.Receive(buffer, sizeof buffer, 100);
        if (n == 0) {
          server_open = false;
          client.ShutdownSend();
        } else {
          client.SendAll(std::string_view(buffer, n), 2000);
        }
      }
    } catch (const ESocketError&) {
      return;
    }
  }
}

TSilentServer::TSilentServer() {
  listener_ = ListenTcp(Loopback(0), 8);
  port_ = listener_.LocalAddress().Port();
  thread_ = std::thread([this] {
    while (!stop_) {
      if (!Readable(listener_.fd(), 50)) continue;
      try {
        held_.push_back(AcceptTcp(listener_, 100));
        ++accepted_;
      } catch (const ESocketError&) {
      }
    }
  });
}

TSilentServer::~TSilentServer() {
  stop_ = true;
  thread_.join();
}

}  // namespace pictavo::test
