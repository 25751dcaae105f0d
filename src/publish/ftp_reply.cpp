#include "publish/ftp_reply.h"

#include <cctype>

namespace pictavo {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::string TFtpReply::Text() const {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += '\n';
    text += lines[i];
  }
  return text;
}

std::optional<int> ReplyCodeOf(std::string_view line) {
  if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2]))
    return std::nullopt;
  if (line.size() > 3 && line[3] != ' ' && line[3] != '-') return std::nullopt;
  return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

bool TFtpReplyParser::AddLine(std::string_view line) {
  if (line.size() > kMaxLineLength) line = line.substr(0, kMaxLineLength);
  if (complete_) {
    // A new reply starts.
    reply_ = TFtpReply{};
    reply_.lines.emplace_back(line);
    auto code = ReplyCodeOf(line);
    if (!code) {
      complete_ = true;
      multi_line_ = false;
      return true;
    }
    reply_.code = *code;
    multi_line_ = line.size() > 3 && line[3] == '-';
    complete_ = !multi_line_;
    return complete_;
  }
  if (reply_.lines.size() < kMaxLines) reply_.lines.emplace_back(line);
  auto code = ReplyCodeOf(line);
  if (code && *code == reply_.code && (line.size() == 3 || line[3] == ' ')) {
    if (reply_.lines.size() >= kMaxLines) reply_.lines.back() = std::string(line);
    complete_ = true;
    multi_line_ = false;
  }
  return complete_;
}

std::vector<TFtpReply> ParseFtpReplies(std::string_view text) {
  std::vector<TFtpReply> replies;
  TFtpReplyParser parser;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    std::string_view line = text.substr(pos, end == std::string_view::npos ? text.npos : end - pos);
    if (parser.AddLine(line)) replies.push_back(parser.reply());
    if (end == std::string_view::npos) break;
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
  if (!parser.Complete()) replies.push_back(parser.reply());
  return replies;
}

std::optional<TPassiveAddress> ParsePasvReply(std::string_view text) {
  // Skip the reply code, then find the first run of six comma-separated numbers.
  size_t start = ReplyCodeOf(text) ? 3 : 0;
  for (size_t i = start; i < text.size(); ++i) {
    if (!IsDigit(text[i]) || (i > 0 && IsDigit(text[i - 1]))) continue;
    int numbers[6];
    size_t pos = i;
    int count = 0;
    for (; count < 6; ++count) {
      size_t digits = 0;
      int value = 0;
      while (pos < text.size() && IsDigit(text[pos]) && digits < 4) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
      }
      if (digits == 0 || digits > 3 || value > 255) break;
      if (pos < text.size() && IsDigit(text[pos])) break;
      numbers[count] = value;
      if (count < 5) {
        if (pos >= text.size() || text[pos] != ',') {
          ++count;
          break;
        }
        ++pos;
      }
    }
    if (count != 6) continue;
    int port = numbers[4] * 256 + numbers[5];
    if (port == 0) return std::nullopt;
    TPassiveAddress address;
    address.host = std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
                   std::to_string(numbers[2]) + "." + std::to_string(numbers[3]);
    address.port = port;
    return address;
  }
  return std::nullopt;
}

std::optional<int> ParseEpsvReply(std::string_view text) {
  size_t open = text.find('(');
  if (open == std::string_view::npos || open + 1 >= text.size()) return std::nullopt;
  char delim = text[open + 1];
  if (delim < 33 || delim > 126 || IsDigit(delim)) return std::nullopt;
  // (<d><d><d>port<d>)
  size_t pos = open + 1;
  for (int i = 0; i < 3; ++i, ++pos) {
    if (pos >= text.size() || text[pos] != delim) return std::nullopt;
  }
  long port = 0;
  size_t digits = 0;
  while (pos < text.size() && IsDigit(text[pos]) && digits < 6) {
    port = port * 10 + (text[pos] - '0');
    ++pos;
    ++digits;
  }
  if (digits == 0 || digits > 5 || pos >= text.size() || text[pos] != delim) return std::nullopt;
  if (port < 1 || port > 65535) return std::nullopt;
  return static_cast<int>(port);
}

std::optional<std::string> ParseQuotedPath(std::string_view text) {
  size_t open = text.find('"');
  if (open == std::string_view::npos) return std::nullopt;
  std::string path;
  for (size_t i = open + 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      if (i + 1 < text.size() && text[i + 1] == '"') {
        path += '"';
        ++i;
        continue;
      }
      return path;
    }
    path += text[i];
  }
  return std::nullopt;  // no closing quote
}

}  // namespace pictavo
