#include "publish/ftp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

#include <fmt/format.h>

namespace pictavo {

namespace {

// Waits for the events on fd; false on time-out. Restarts after signals with
// the time that is left.
bool WaitFor(int fd, short events, int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    pollfd p{fd, events, 0};
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    int ms = left.count() < 0 ? 0 : static_cast<int>(left.count());
    int rc = ::poll(&p, 1, ms);
    if (rc > 0) return true;
    if (rc == 0) return false;
    if (errno != EINTR) return true;  // let the following call report the error
  }
}

[[noreturn]] void ThrowErrno(const std::string& what, int err) {
  int code = SocketErrorFromErrno(err);
  throw ESocketError(SocketErrorMessage(what, code), code);
}

[[noreturn]] void ThrowTimeout(const std::string& what) {
  ThrowErrno(what + " timed out", ETIMEDOUT);
}

void SetNonBlocking(int fd) {
  int flags = ::fcntl(fd, F_GETFL, 0);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

}  // namespace

int SocketErrorFromErrno(int err) {
  switch (err) {
    case EACCES:
      return -10013;
    case EFAULT:
      return -10014;
    case EINVAL:
      return -10022;
    case EDESTADDRREQ:
      return -10039;
    case EOPNOTSUPP:
      return -10045;
    case ENETDOWN:
      return -10050;
    case ENETUNREACH:
      return -10051;
    case ENETRESET:
      return -10052;
    case ECONNRESET:
      return -10054;
    case EPIPE:
      return -10054;  // the peer went away while we were sending
    case ENOTCONN:
      return -10057;
    case ETIMEDOUT:
      return -10060;
    case ECONNREFUSED:
      return -10061;
    case EHOSTDOWN:
      return -10064;
    case EHOSTUNREACH:
      return -10065;
    case EADDRINUSE:
      return -10048;
    case EADDRNOTAVAIL:
      return -10049;
    case ECONNABORTED:
      return -10053;
    case EMFILE:
      return -10024;
    default:
      return err > 0 ? -(10000 + err) : -10000;
  }
}

int SocketErrorFromResolver(int gai_error) {
  switch (gai_error) {
    case EAI_AGAIN:
      return -11002;
    case EAI_FAIL:
      return -11003;
    default:
      return -11001;  // EAI_NONAME, EAI_NODATA, EAI_FAMILY ...
  }
}

std::string SocketErrorMessage(const std::string& text, int code) {
  return fmt::format("{} (socket error # {})", text, -code);
}

std::optional<THostPort> ParseHostPort(std::string_view text, int default_port) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  THostPort result;
  result.port = default_port;
  std::string_view port_text;
  bool has_port = false;
  if (!text.empty() && text.front() == '[') {
    size_t close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    result.host = std::string(text.substr(1, close - 1));
    std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return std::nullopt;
      port_text = rest.substr(1);
      has_port = true;
    }
  } else {
    size_t first = text.find(':');
    size_t last = text.rfind(':');
    if (first != std::string_view::npos && first == last) {
      result.host = std::string(text.substr(0, first));
      port_text = text.substr(first + 1);
      has_port = true;
    } else {
      result.host = std::string(text);  // a name, or a bare IPv6 address
    }
  }
  if (result.host.empty()) return std::nullopt;
  if (has_port) {
    if (port_text.empty() || port_text.size() > 5) return std::nullopt;
    int port = 0;
    for (char c : port_text) {
      if (c < '0' || c > '9') return std::nullopt;
      port = port * 10 + (c - '0');
    }
    result.port = port;
  }
  if (result.port < 1 || result.port > 65535) return std::nullopt;
  return result;
}

int TSockAddress::Port() const {
  if (storage.ss_family == AF_INET)
    return ntohs(reinterpret_cast<const sockaddr_in*>(&storage)->sin_port);
  if (storage.ss_family == AF_INET6)
    return ntohs(reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_port);
  return 0;
}

void TSockAddress::SetPort(int port) {
  if (storage.ss_family == AF_INET)
    reinterpret_cast<sockaddr_in*>(&storage)->sin_port = htons(static_cast<uint16_t>(port));
  else if (storage.ss_family == AF_INET6)
    reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port = htons(static_cast<uint16_t>(port));
}

std::string TSockAddress::Host() const {
  char text[INET6_ADDRSTRLEN] = {};
  if (storage.ss_family == AF_INET)
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&storage)->sin_addr, text,
                sizeof text);
  else if (storage.ss_family == AF_INET6)
    ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_addr, text,
                sizeof text);
  return text;
}

TSocket& TSocket::operator=(TSocket&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.Release();
  }
  return *this;
}

int TSocket::Release() {
  int fd = fd_;
  fd_ = -1;
  return fd;
}

void TSocket::Close() noexcept {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

void TSocket::Reset() noexcept {
  if (fd_ >= 0) {
    linger l{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    Close();
  }
}

void TSocket::SendAll(std::string_view data, int timeout_ms) {
  if (fd_ < 0) ThrowErrno("Send failed", ENOTCONN);
  while (!data.empty()) {
    ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
    if (n > 0) {
      data.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!WaitFor(fd_, POLLOUT, timeout_ms)) ThrowTimeout("Send");
      continue;
    }
    ThrowErrno("Send failed", n < 0 ? errno : EPIPE);
  }
}

size_t TSocket::Receive(char* buffer, size_t size, int timeout_ms) {
  if (fd_ < 0) ThrowErrno("Receive failed", ENOTCONN);
  for (;;) {
    ssize_t n = ::recv(fd_, buffer, size, 0);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (!WaitFor(fd_, POLLIN, timeout_ms)) ThrowTimeout("Receive");
      continue;
    }
    ThrowErrno("Receive failed", errno);
  }
}

void TSocket::ShutdownSend() {
  if (fd_ >= 0 && ::shutdown(fd_, SHUT_WR) != 0 && errno != ENOTCONN)
    ThrowErrno("Shutdown failed", errno);
}

TSockAddress TSocket::LocalAddress() const {
  TSockAddress address;
  address.length = sizeof address.storage;
  if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&address.storage), &address.length) != 0)
    ThrowErrno("Cannot read the local address", errno);
  return address;
}

TSockAddress TSocket::PeerAddress() const {
  TSockAddress address;
  address.length = sizeof address.storage;
  if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&address.storage), &address.length) != 0)
    ThrowErrno("Cannot read the peer address", errno);
  return address;
}

TSocket ConnectTcp(const TSockAddress& address, int timeout_ms) {
  TSocket socket(::socket(address.Family(), SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.Valid()) ThrowErrno("Cannot create a socket", errno);
  SetNonBlocking(socket.fd());
  std::string where = address.Family() == AF_INET6
                          ? fmt::format("[{}]:{}", address.Host(), address.Port())
                          : fmt::format("{}:{}", address.Host(), address.Port());
  int rc =
      ::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address.storage), address.length);
  if (rc != 0 && errno != EINPROGRESS && errno != EINTR)
    ThrowErrno("Cannot connect to " + where, errno);
  if (rc != 0) {
    if (!WaitFor(socket.fd(), POLLOUT, timeout_ms))
      ThrowErrno("Cannot connect to " + where, ETIMEDOUT);
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
    if (err != 0) ThrowErrno("Cannot connect to " + where, err);
  }
  int one = 1;
  ::setsockopt(socket.fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return socket;
}

TSocket ConnectTcp(const std::string& host, int port, int timeout_ms) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG;
  addrinfo* found = nullptr;
  std::string service = std::to_string(port);
  int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  if (rc == EAI_ADDRFAMILY || (rc != 0 && rc != EAI_SYSTEM)) {
    // Loopback-only machines answer AI_ADDRCONFIG queries with nothing; ask again plainly.
    hints.ai_flags = 0;
    rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  }
  if (rc != 0) {
    int code = rc == EAI_SYSTEM ? SocketErrorFromErrno(errno) : SocketErrorFromResolver(rc);
    throw ESocketError(SocketErrorMessage("Cannot find the host \"" + host + "\"", code), code);
  }
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(found, &::freeaddrinfo);
  std::optional<ESocketError> last;
  for (addrinfo* a = found; a; a = a->ai_next) {
    if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
    TSockAddress address;
    std::memcpy(&address.storage, a->ai_addr, a->ai_addrlen);
    address.length = static_cast<socklen_t>(a->ai_addrlen);
    try {
      return ConnectTcp(address, timeout_ms);
    } catch (const ESocketError& e) {
      last = e;
    }
  }
  if (last) throw *last;
  int code = SocketErrorFromResolver(EAI_NONAME);
  throw ESocketError(SocketErrorMessage("Cannot find the host \"" + host + "\"", code), code);
}

TSocket ListenTcp(const TSockAddress& address, int backlog) {
  TSocket socket(::socket(address.Family(), SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.Valid()) ThrowErrno("Cannot create a socket", errno);
  int one = 1;
  ::setsockopt(socket.fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&address.storage), address.length) != 0)
    ThrowErrno("Cannot bind a listening socket", errno);
  if (::listen(socket.fd(), backlog) != 0) ThrowErrno("Cannot listen", errno);
  SetNonBlocking(socket.fd());
  return socket;
}

TSocket AcceptTcp(const TSocket& listener, int timeout_ms) {
  for (;;) {
    int fd = ::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) return TSocket(fd);
    if (errno == EINTR || errno == ECONNABORTED) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (!WaitFor(listener.fd(), POLLIN, timeout_ms))
        ThrowTimeout("Accepting the data connection");
      continue;
    }
    ThrowErrno("Accepting the data connection failed", errno);
  }
}

std::optional<std::string> TLineReader::ReadLine(TSocket& socket, int timeout_ms) {
  bool overflow = false;
  std::string line;
  for (;;) {
    size_t lf = buffer_.find('\n');
    if (lf != std::string::npos) {
      if (!overflow) line = buffer_.substr(0, lf);
      buffer_.erase(0, lf + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    if (buffer_.size() > max_line_) {
      // Keep the start of an overlong line and drop the rest of it.
      if (!overflow) line = buffer_.substr(0, max_line_);
      overflow = true;
      buffer_.clear();
    }
    char chunk[4096];
    size_t n = socket.Receive(chunk, sizeof chunk, timeout_ms);
    if (n == 0) {
      if (buffer_.empty() && !overflow) return std::nullopt;
      if (!overflow) line = buffer_;
      buffer_.clear();
      return line;
    }
    buffer_.append(chunk, n);
  }
}

}  // namespace pictavo
