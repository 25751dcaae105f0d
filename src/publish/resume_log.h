#pragma once
// Transfer lines and the resume log (the "FTP script") of an upload.
//
// A transfer line names one file of the album and where it goes:
//   [";"] local path "=" host ";" user id ";" scrambled password ";"
//   media flag ";" HTML folder ";" media folder ";" passive flag
// (flags "1" or "0"; a leading ";" marks a line already transferred). The
// resume log holds the transfer lines of one FTP transfer, one per line,
// each ended by CR LF, in transfer-list order. It lies beside the album's
// main page with the extension ".ftp", is written through a temporary file
// and a rename, and is created with mode 0600 (it holds a scrambled password).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

// One entry of a transfer list: before the first transfer of a build the
// local path of the file, then its transfer line. tag >= 0: a page; < 0: a
// media file; the magnitude names the FTP settings record (1: none from
// templates). Lines read from a resume log carry tag 0.
struct TTransferEntry {
  std::string text;
  int tag = 0;
};
using TTransferList = std::vector<TTransferEntry>;

// The FTP form of a transfer line, split.
struct TFtpTransferLine {
  bool done = false;  // the line began with ";"
  std::string local_path;
  std::string host;
  std::string user_id;
  std::string scrambled_password;
  bool media = false;
  std::string html_folder;
  std::string media_folder;
  bool passive = false;
};

// The limits of the reader (a resume log is outside input).
inline constexpr size_t kMaxResumeLogBytes = 16 * 1024 * 1024;
inline constexpr size_t kMaxTransferLineBytes = 64 * 1024;

// The line as the upload writes it; nullopt when a value cannot be written
// unambiguously (a local path holding "=", or a host, user id, password or
// folder holding ";", or any value holding a line break).
std::optional<std::string> FormatFtpTransferLine(const TFtpTransferLine& line);

// Splits a line: the local path up to the first "=", then at each ";" host,
// user id, scrambled password, media flag (true unless "0"), HTML folder,
// media folder, passive flag (true unless "0"). nullopt unless the line has
// a non-empty local path, exactly seven fields and a non-empty host. The
// folders are returned as written.
std::optional<TFtpTransferLine> ParseFtpTransferLine(std::string_view line);

// The path of the resume log of an album: the main page path with the
// extension ".ftp" (index.html -> index.ftp).
std::string ResumeLogPath(const std::string& main_page_path);

// The resume log's text: every non-empty entry text followed by CR LF.
std::string ResumeLogText(const TTransferList& list);
// Writes the resume log (temporary file and rename, mode 0600 whatever the
// old file had). Throws EPictavo when it cannot be written.
void WriteResumeLog(const std::string& path, const TTransferList& list);

// Reads the text of a resume log into a list (all tags 0), accepting CR LF,
// LF and CR line ends and skipping empty lines. A text that is too large, or
// a line that is not a transfer line (a truncated or hand-edited file), gives
// nullopt and a message naming the line in error.
std::optional<TTransferList> ParseResumeLog(std::string_view text, std::string& error);
// ParseResumeLog of a file; nullopt and a message when it cannot be read.
std::optional<TTransferList> ReadResumeLog(const std::string& path, std::string& error);

}  // namespace pictavo
