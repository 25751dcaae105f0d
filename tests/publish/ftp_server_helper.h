#pragma once
// Test helpers of the FTP tests: a real FTP server (pure-ftpd) started on a
// free loopback port with its own user database and a home folder in a
// temporary folder, and a fault-injecting TCP proxy between client and server.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

#include "publish/ftp_socket.h"
#include "support/test_support.h"

namespace pictavo::test {

// A port on 127.0.0.1 that was free a moment ago.
int FreeLoopbackPort();

class TFtpTestServer {
 public:
  static constexpr const char* kUser = "alice";
  static constexpr const char* kPassword = "Pw-s3cr3t-xyz";

  // The server program, or "" when it is not installed.
  static std::string ServerProgram();
  // Why the server cannot run here ("" when it can): not installed, or not
  // root (the Debian build switches to its FTP user with setgroups, which
  // needs root; CI runs as root).
  static std::string Unavailable();
  // Starts the server; throws std::runtime_error with the reason on failure.
  TFtpTestServer();
  ~TFtpTestServer();

  int port() const { return port_; }
  // "127.0.0.1:port"
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  // The user's home folder (the login folder "/") on disk.
  std::string home() const { return root_.path() + "/home"; }
  std::string DiskPath(const std::string& remote) const { return home() + remote; }

 private:
  TTempDir root_;
  int port_ = 0;
  pid_t pid_ = -1;
};

// Forwards loopback FTP connections to a server. It rewrites the passive
// replies so that data connections run through it too, can refuse EPSV (to
// show the PASV fall-back) and can cut data connections after a number of
// bytes sent by the client.
class TFtpProxy {
 public:
  explicit TFtpProxy(int upstream_port);
  ~TFtpProxy();
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }

  std::atomic<bool> reject_epsv{false};
  // Cut the next cuts_left data connections (-1: all) once the client has
  // sent cut_after bytes: the client side is reset, the server side closed
  // in order (the server then sees a shorter, complete-looking file) or,
  // with reset_upstream, reset too.
  std::atomic<long> cut_after{0};
  std::atomic<int> cuts_left{0};
  std::atomic<bool> reset_upstream{false};
  std::atomic<int> data_connections{0};

 private:
  void AcceptLoop();
  void ControlRelay(TSocket client);
  void DataRelay(TSocket listener, int upstream_data_port);
  void Spawn(std::thread thread);

  int upstream_port_;
  int port_ = 0;
  TSocket listener_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::thread> threads_;
  std::thread accept_thread_;
};

// A loopback listener that accepts connections and never says a word (so a
// client's greeting read times out); counts the connections.
class TSilentServer {
 public:
  TSilentServer();
  ~TSilentServer();
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  int accepted() const { return accepted_.load(); }

 private:
  TSocket listener_;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> accepted_{0};
  std::vector<TSocket> held_;
  std::thread thread_;
};

}  // namespace pictavo::test
