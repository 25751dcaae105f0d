#pragma once
// FTP replies: the parser of the server's reply lines (single and multi-line
// replies), and the readers of the passive-mode and folder replies. Pure
// functions on text, so the fuzzer and the tests feed them directly.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

// One reply of the server: its three-digit code (0 when the first line does
// not begin with one) and its lines as received, without line breaks.
struct TFtpReply {
  int code = 0;
  std::vector<std::string> lines;
  // The lines joined with "\n".
  std::string Text() const;
  // 1 .. 5, the first digit of the code; 0 for a malformed reply.
  int Kind() const { return code / 100; }
};

// Collects reply lines until a reply is complete. A line "123-text" opens a
// multi-line reply that the first later line beginning with "123 " (or being
// just "123") closes; "123 text" or "123" alone is a reply of one line. A
// first line without a three-digit code is a malformed reply of one line with
// code 0. A reply keeps at most kMaxLines lines (later ones are dropped) and
// a line at most kMaxLineLength bytes, so a hostile server cannot make it grow
// without bound.
class TFtpReplyParser {
 public:
  static constexpr size_t kMaxLines = 1000;
  static constexpr size_t kMaxLineLength = 4096;

  // Adds one line (without its line break). True when the reply is complete;
  // the reply then stays available through reply() until the next AddLine.
  bool AddLine(std::string_view line);
  const TFtpReply& reply() const { return reply_; }
  bool Complete() const { return complete_; }

 private:
  TFtpReply reply_;
  bool complete_ = true;
  bool multi_line_ = false;
};

// Every complete reply in a text of lines (CR LF, LF or CR breaks); a reply
// left open at the end of the text is returned as well.
std::vector<TFtpReply> ParseFtpReplies(std::string_view text);

// The reply code at the start of a line: three digits followed by nothing,
// a blank or "-"; nullopt otherwise.
std::optional<int> ReplyCodeOf(std::string_view line);

// Address of a "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)" reply: the
// dotted host and the port. The six numbers may stand anywhere in the text,
// with or without brackets; each must be 0..255 and the port not 0.
struct TPassiveAddress {
  std::string host;
  int port = 0;
};
std::optional<TPassiveAddress> ParsePasvReply(std::string_view text);

// Port of a "229 Entering Extended Passive Mode (|||port|)" reply: the
// delimiter is the character after "(", any printable character from 33 to
// 126; the port must be 1..65535.
std::optional<int> ParseEpsvReply(std::string_view text);

// The folder name in double quotes in a 257 reply ("" inside stands for one
// quote); nullopt when the text quotes none.
std::optional<std::string> ParseQuotedPath(std::string_view text);

}  // namespace pictavo
