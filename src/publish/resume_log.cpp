#include "publish/resume_log.h"

#include <sys/stat.h>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/text_lines.h"

namespace pictavo {

namespace {

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != text.npos;
}

bool Writable(std::string_view value) {
  return value.find(';') == value.npos && !HasLineBreak(value);
}

}  // namespace

std::optional<std::string> FormatFtpTransferLine(const TFtpTransferLine& line) {
  if (line.local_path.empty() || line.local_path.find('=') != std::string::npos ||
      HasLineBreak(line.local_path)) {
    return std::nullopt;
  }
  for (const std::string* value : {&line.host, &line.user_id, &line.scrambled_password,
                                   &line.html_folder, &line.media_folder}) {
    if (!Writable(*value)) return std::nullopt;
  }
  std::string text = line.done ? ";" : "";
  text += line.local_path;
  text += '=';
  text += line.host + ';' + line.user_id + ';' + line.scrambled_password + ';';
  text += line.media ? "1;" : "0;";
  text += line.html_folder + ';' + line.media_folder + ';';
  text += line.passive ? "1" : "0";
  return text;
}

std::optional<TFtpTransferLine> ParseFtpTransferLine(std::string_view text) {
  if (text.size() > kMaxTransferLineBytes || HasLineBreak(text)) return std::nullopt;
  TFtpTransferLine line;
  if (!text.empty() && text[0] == ';') {
    line.done = true;
    text.remove_prefix(1);
  }
  const size_t eq = text.find('=');
  if (eq == text.npos || eq == 0) return std::nullopt;
  line.local_path = std::string(text.substr(0, eq));
  const std::vector<std::string> fields = SplitText(text.substr(eq + 1), ';');
  if (fields.size() != 7 || fields[0].empty()) return std::nullopt;
  line.host = fields[0];
  line.user_id = fields[1];
  line.scrambled_password = fields[2];
  line.media = fields[3] != "0";
  line.html_folder = fields[4];
  line.media_folder = fields[5];
  line.passive = fields[6] != "0";
  return line;
}

std::string ResumeLogPath(const std::string& main_page_path) {
  return ChangeFileExt(main_page_path, ".ftp");
}

std::string ResumeLogText(const TTransferList& list) {
  std::string text;
  for (const TTransferEntry& entry : list) {
    if (entry.text.empty()) continue;
    text += entry.text;
    text += "\r\n";
  }
  return text;
}

void WriteResumeLog(const std::string& path, const TTransferList& list) {
  WriteFileAtomic(path, ResumeLogText(list), 0600);
  // A file made by hand keeps its permissions through the rename: the log
  // holds a password, so it is made private in any case.
  if (::chmod(path.c_str(), 0600) != 0) {
    throw EPictavo("The FTP script \"" + path + "\" cannot be made private");
  }
}

std::optional<TTransferList> ParseResumeLog(std::string_view text, std::string& error) {
  if (text.size() > kMaxResumeLogBytes) {
    error = "the file is larger than " + std::to_string(kMaxResumeLogBytes) + " bytes";
    return std::nullopt;
  }
  TTransferList list;
  size_t number = 0;
  for (const std::string& line : SplitLines(text)) {
    ++number;
    if (line.empty()) continue;
    if (!ParseFtpTransferLine(line)) {
      error = "line " + std::to_string(number) + " is not a transfer line";
      return std::nullopt;
    }
    list.push_back({line, 0});
  }
  if (list.empty()) {
    error = "the file holds no transfer line";
    return std::nullopt;
  }
  return list;
}

std::optional<TTransferList> ReadResumeLog(const std::string& path, std::string& error) {
  const auto stat = StatPath(path);
  if (!stat || stat->is_dir) {
    error = "the file does not exist";
    return std::nullopt;
  }
  if (stat->size > static_cast<int64_t>(kMaxResumeLogBytes)) {
    error = "the file is larger than " + std::to_string(kMaxResumeLogBytes) + " bytes";
    return std::nullopt;
  }
  const auto text = TryReadFileBytes(path);
  if (!text) {
    error = "the file cannot be read";
    return std::nullopt;
  }
  return ParseResumeLog(*text, error);
}

}  // namespace pictavo
