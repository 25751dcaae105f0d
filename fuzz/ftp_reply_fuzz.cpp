// FTP server replies: the reply parser, the passive-mode readers and the
// quoted-folder reader take any bytes without crashing, and keep their limits.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "publish/enh_ftp_client.h"
#include "publish/ftp_reply.h"
#include "publish/ftp_socket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pictavo;
  if (size > 1 << 16) return 0;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const TFtpReply& reply : ParseFtpReplies(text)) {
    if (reply.code < 0 || reply.code > 999) std::abort();
    if (reply.lines.empty() || reply.lines.size() > TFtpReplyParser::kMaxLines) std::abort();
    for (const auto& line : reply.lines)
      if (line.size() > TFtpReplyParser::kMaxLineLength) std::abort();
    std::string joined = reply.Text();
    if (auto pasv = ParsePasvReply(joined)) {
      if (pasv->port < 1 || pasv->port > 65535) std::abort();
    }
    if (auto port = ParseEpsvReply(joined)) {
      if (*port < 1 || *port > 65535) std::abort();
    }
    (void)ParseQuotedPath(joined);
    (void)FormatConnectError(joined, -reply.code);
  }
  if (auto host = ParseHostPort(text, 21)) {
    if (host->host.empty() || host->port < 1 || host->port > 65535) std::abort();
  }
  return 0;
}
