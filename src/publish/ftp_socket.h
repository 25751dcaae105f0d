#pragma once
// TCP sockets for the FTP client: RAII handles, connecting with a time-out,
// reading and writing with time-outs, host:port parsing, and the socket error
// numbers the FTP session reports (errno values mapped onto the classic
// socket error numbers, negated: ECONNREFUSED gives -10061).
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/errors.h"

namespace pictavo {

// A socket failure: the message names the operation and the socket error
// number ("... (socket error # 10061)"), code() is that number negated.
class ESocketError : public EPictavo {
 public:
  ESocketError(const std::string& message, int code) : EPictavo(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// The negated socket error number of an errno value (ETIMEDOUT -10060,
// ECONNREFUSED -10061, EHOSTDOWN -10064, ENOTCONN -10057, ECONNRESET -10054,
// ENETUNREACH -10051, EHOSTUNREACH -10065, ENETDOWN -10050 ...); errno values
// without a counterpart give -(10000 + errno)... never 0 for a real error.
int SocketErrorFromErrno(int err);
// The negated number of a getaddrinfo failure (host not found -11001, try
// again -11002, non-recoverable -11003).
int SocketErrorFromResolver(int gai_error);
// "text (socket error # 10061)".
std::string SocketErrorMessage(const std::string& text, int code);

// Host and port of a host text: "name", "name:port", "1.2.3.4:port",
// "[::1]:port" or a bare IPv6 address (more than one ":"). Blanks around the
// text are ignored. nullopt for an empty host or a port that is not 1..65535.
struct THostPort {
  std::string host;
  int port = 0;
};
std::optional<THostPort> ParseHostPort(std::string_view text, int default_port);

// A socket address of either family.
struct TSockAddress {
  sockaddr_storage storage{};
  socklen_t length = 0;
  int Family() const { return storage.ss_family; }
  int Port() const;
  // The numeric host ("127.0.0.1", "::1").
  std::string Host() const;
  void SetPort(int port);
};

// An owned socket; closed when the object goes away.
class TSocket {
 public:
  TSocket() = default;
  explicit TSocket(int fd) : fd_(fd) {}
  ~TSocket() { Close(); }
  TSocket(TSocket&& other) noexcept : fd_(other.Release()) {}
  TSocket& operator=(TSocket&& other) noexcept;
  TSocket(const TSocket&) = delete;
  TSocket& operator=(const TSocket&) = delete;

  int fd() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release();
  void Close() noexcept;
  // Closes with a reset instead of an orderly close (nothing unsent is kept).
  void Reset() noexcept;

  // Sends every byte; throws ESocketError on failure or when no progress is
  // possible for timeout_ms.
  void SendAll(std::string_view data, int timeout_ms);
  // Receives up to size bytes; 0 at the end of the stream; throws on failure
  // and on time-out.
  size_t Receive(char* buffer, size_t size, int timeout_ms);
  // Ends the sending side (the peer reads the end of the stream).
  void ShutdownSend();
  TSockAddress LocalAddress() const;
  TSockAddress PeerAddress() const;

 private:
  int fd_ = -1;
};

// Connects to host:port, trying every address the name resolves to, each
// with the time-out; throws ESocketError (-11001 when the name is unknown,
// -10061 when refused, -10060 on time-out ...).
TSocket ConnectTcp(const std::string& host, int port, int timeout_ms);
// Connects to one address.
TSocket ConnectTcp(const TSockAddress& address, int timeout_ms);
// A listening socket on the given address (port 0: any free port).
TSocket ListenTcp(const TSockAddress& address, int backlog = 1);
// Accepts one connection within timeout_ms; throws on failure or time-out.
TSocket AcceptTcp(const TSocket& listener, int timeout_ms);

// Reads CR LF (or LF) terminated lines from a socket. Lines longer than
// max_line bytes are cut; the rest of such a line is dropped.
class TLineReader {
 public:
  explicit TLineReader(size_t max_line = 4096) : max_line_(max_line) {}
  // The next line without its break; nullopt at the end of the stream.
  // Throws ESocketError on failure or time-out.
  std::optional<std::string> ReadLine(TSocket& socket, int timeout_ms);
  void Clear() { buffer_.clear(); }
  bool HasBufferedData() const { return !buffer_.empty(); }

 private:
  std::string buffer_;
  size_t max_line_;
};

}  // namespace pictavo
