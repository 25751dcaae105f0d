#include "publish/upload_job.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "build/progress_log.h"
#include "platform/case_fold.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/text_lines.h"
#include "platform/user_interface.h"
#include "publish/enh_ftp_client.h"
#include "publish/ftp_profiles.h"
#include "template/html_links.h"
#include "template/web_file_type.h"

namespace pictavo {

namespace {

// Folder names of a path, empty names left out.
std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (std::string& name : SplitText(folder, '/')) {
    if (!name.empty()) names.push_back(std::move(name));
  }
  return names;
}

// "\" is the separator of folder names written on other systems.
std::string Slashes(std::string text) {
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

std::string DropLeadingSlash(const std::string& folder) {
  return !folder.empty() && folder[0] == '/' ? folder.substr(1) : folder;
}

// "name:1234": a host with a port.
bool IsHostWithPort(const std::string& text) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
  return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(colon) + 1, text.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// A folder joined to a base with exactly one "/" (an empty name gives the base).
std::string JoinFolder(const std::string& base, const std::string& name) {
  const std::string rest = DropLeadingSlash(name);
  return rest.empty() ? base : JoinPath(base, rest);
}

// Merges a record: its passive flag always, its strings when not empty.
void MergeFtpInfo(TFtpInfoRec& into, const TFtpInfoRec& from) {
  into.PassiveMode = from.PassiveMode;
  for (auto [to, value] :
       {std::pair{&into.Host, &from.Host}, std::pair{&into.UserId, &from.UserId},
        std::pair{&into.Password, &from.Password}, std::pair{&into.HtmlDir, &from.HtmlDir},
        std::pair{&into.ImageDir, &from.ImageDir}}) {
    if (!value->empty()) *to = *value;
  }
}

// An FTP host may carry a scheme and a path ("ftp://host/public_html"): the
// scheme is dropped, the host cut at the first "/", and the path (with a "/"
// at its end) put in front of both folders.
void SplitHostPath(TFtpInfoRec& record) {
  size_t slash = record.Host.find('/');
  if (slash == std::string::npos) return;
  if (slash > 0 && record.Host.compare(slash - 1, 3,
                                       ":/"
                                       "/") == 0) {
    record.Host.erase(0, slash + 2);
    slash = record.Host.find('/');
    if (slash == std::string::npos) return;
  }
  std::string path = Trim(record.Host.substr(slash + 1));
  record.Host.erase(slash);
  if (path.empty()) return;
  if (path.back() != '/') path += '/';
  record.HtmlDir = path + DropLeadingSlash(Slashes(record.HtmlDir));
  record.ImageDir = path + DropLeadingSlash(Slashes(record.ImageDir));
}

// The file's last-write time given to another file.
void CopyFileTime(const std::string& from, const std::string& to) {
  const auto stat = StatPath(from);
  if (!stat) return;
  timespec times[2];
  times[0].tv_sec = stat->mtime;
  times[0].tv_nsec = static_cast<long>(stat->mtime_nsec);
  times[1] = times[0];
  ::utimensat(AT_FDCWD, to.c_str(), times, 0);
}

// The path on the server of a path from the login folder. The session walks
// its paths from the login folder, but a listing takes its argument from the
// server's current folder; the full path asks the same place either way.
std::string ServerPath(const TEnhFtpClient& ftp, const std::string& path) {
  const std::string base = ftp.LoginDir().empty() ? "/" : IncludeTrailingSlash(ftp.LoginDir());
  return base + DropLeadingSlash(path);
}

}  // namespace

bool IsLocalTarget(const std::string& host) {
  if (host.empty()) return false;
  if (host.find("://") != std::string::npos) return false;
  if (host[0] == '/') return true;
  const std::string first = host.substr(0, host.find('/'));
  if (IsHostWithPort(first)) return false;
  if (first.find("..") != std::string::npos) return true;
  return std::count(first.begin(), first.end(), '.') < 2;
}

std::string AlbumPagePath(const std::string& output_name, const std::string& output_dir,
                          const std::string& build_album_folder, const std::string& last_page_path,
                          const std::string& albums_folder) {
  std::string path;
  if (output_name.empty()) {
    path = last_page_path;
  } else {
    path = JoinPath(output_dir.empty() ? build_album_folder : output_dir, output_name);
  }
  if (path.empty()) return path;
  return AbsolutePath(path, albums_folder);
}

std::string RemoteAlbumAddress(const std::string& host, const std::string& html_folder,
                               const std::string& main_page, bool lowercase_urls) {
  std::string address = host.find("://") != std::string::npos ? host : "http://" + host;
  std::string path;
  const std::string folder = Slashes(html_folder);
  if (!folder.empty()) path = DropLeadingSlash(folder);
  const std::string name = NamePart(main_page);
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  if (lowercase_urls) path = LowerAscii(path);
  if (!address.empty() && address.back() == '/') address.pop_back();
  address += '/';
  address += path;
  std::replace(address.begin(), address.end(), ' ', '_');
  return address;
}

std::string MediaLinkPrefix(const std::string& html_folder, const std::string& media_folder) {
  const std::string html = Slashes(html_folder);
  const std::string media = Slashes(media_folder);
  if (html.empty() || html == "/") return media;
  const std::vector<std::string> from = FolderNames(html);
  const std::vector<std::string> to = FolderNames(media);
  size_t common = 0;
  while (common < from.size() && common < to.size() && EqualsNoCase(from[common], to[common])) {
    ++common;
  }
  std::string prefix;
  for (size_t i = common; i < from.size(); ++i) prefix += "../";
  for (size_t i = common; i < to.size(); ++i) prefix += to[i] + "/";
  return prefix;
}

std::string RewritePageLinks(const std::string& text, const std::string& page_folder,
                             const std::string& media_folder, const std::string& html_folder,
                             bool lowercase_urls) {
  if (text.empty()) return text;
  THtmlLinkInfo info;
  info.relative = true;
  info.publish = true;
  info.keep_folders = false;
  info.lower_case = lowercase_urls;
  info.template_folder = page_folder;
  info.media_folder = MediaLinkPrefix(html_folder, media_folder);
  return ScanHtmlLinks(text, info, false);
}

std::optional<std::string> NormalizeRemotePath(const std::string& path) {
  const bool absolute = !path.empty() && path[0] == '/';
  const bool folder = !path.empty() && path.back() == '/';
  std::vector<std::string> names;
  for (const std::string& name : SplitText(path, '/')) {
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (names.empty()) return std::nullopt;  // above the login folder
      names.pop_back();
    } else {
      names.push_back(name);
    }
  }
  std::string out = absolute ? "/" : "";
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += '/';
    out += names[i];
  }
  if (folder && !names.empty()) out += '/';
  std::replace(out.begin(), out.end(), ' ', '_');
  return out;
}

TUploadJob::TUploadJob(TProgressLog& log, TUserInterface& ui) : log_(log), ui_(ui) {}

TUploadJob::~TUploadJob() = default;

TEnhFtpClient& TUploadJob::Ftp() {
  if (!ftp_) {
    ftp_ = std::make_unique<TEnhFtpClient>(AbortRequested, &ui_);
    ftp_->OnLog = FtpProgressLogSink(log_);
  }
  return *ftp_;
}

void TUploadJob::LockFields(bool lock) {
  if (OnLockFields) OnLockFields(lock);
}

TTransferResult TUploadJob::StartTransfer(const TUploadTarget* panel, const TUploadSource& source) {
  TransferRunning = true;
  AbortRequested = false;
  const bool rebuild = !ResumeMode;
  RemoteAlbumUrl.clear();
  TTransferResult result = TransferAlbum(rebuild, panel, source);
  if (result.success) {
    ResumeMode = false;
  } else if (!result.local && rebuild) {
    ResumeMode = true;
    LockFields(true);
  }
  TransferRunning = false;
  return result;
}

bool TUploadJob::Cancel() {
  if (!TransferRunning) {
    ResumeMode = false;
    return false;
  }
  if (ui_.Ask(kAbortUploadQuestion, false) != TAnswer::Yes) return false;
  AbortRequested = true;
  if (ftp_) ftp_->AbortTransfer();
  TransferRunning = false;
  return true;
}

std::string TUploadJob::LocalTransferLine(const std::string& path, const std::string& target,
                                          const std::string& folder, bool media) const {
  return path + "=" + JoinFolder(target, Slashes(folder)) + "?" + (media ? "1" : "0");
}

TTransferResult TUploadJob::TransferAlbum(bool rebuild, const TUploadTarget* panel,
                                          const TUploadSource& source) {
  TTransferResult result;
  static const TFtpInfos kNoInfos;
  const TFtpInfos& infos = source.ftp_infos != nullptr ? *source.ftp_infos : kNoInfos;

  // The settings in force.
  TFtpInfoRec record;
  size_t current = 1;
  if (rebuild && !infos.empty()) {
    record = infos[0].Info;
    current = 2;
  }
  if (rebuild && panel != nullptr) {
    record.PassiveMode = panel->passive;
    if (record.Host.empty()) record.Host = panel->host;
    if (record.UserId.empty()) record.UserId = panel->user_id;
    if (record.Password.empty()) record.Password = panel->password;
    if (record.HtmlDir.empty()) record.HtmlDir = panel->html_folder;
    if (record.ImageDir.empty()) record.ImageDir = panel->media_folder;
  }
  record.Host = Trim(record.Host);
  log_.AddPassword(record.Password);
  result.local = IsLocalTarget(record.Host);
  if (!result.local) SplitHostPath(record);

  const std::string target =
      result.local ? AbsolutePath(record.Host, FolderPart(source.album_page_path)) : "";

  // The transfer lines of the build's files.
  if (rebuild) {
    Transfer.clear();
    if (source.album_files != nullptr) {
      for (const TAlbumFile& file : *source.album_files) {
        const size_t k = static_cast<size_t>(std::abs(file.destination));
        if (k > current && k - 1 <= infos.size()) {
          current = k;
          MergeFtpInfo(record, infos[k - 2].Info);
          log_.AddPassword(record.Password);
        }
        const bool media = file.destination < 0;
        if (file.path.find('=') != std::string::npos) {
          log_.LogSeparator();
          log_.LogLine("Error: the file name \"" + file.path +
                       "\" holds \"=\" and cannot be transferred");
          return result;
        }
        if (result.local) {
          Transfer.push_back({LocalTransferLine(file.path, target,
                                                media ? record.ImageDir : record.HtmlDir, media),
                              file.destination});
          continue;
        }
        TFtpTransferLine line;
        line.local_path = file.path;
        line.host = record.Host;
        line.user_id = record.UserId;
        line.scrambled_password = ScramblePassword(record.Password);
        line.media = media;
        line.html_folder = record.HtmlDir;
        line.media_folder = record.ImageDir;
        line.passive = record.PassiveMode;
        const std::optional<std::string> text = FormatFtpTransferLine(line);
        if (!text) {
          log_.LogSeparator();
          log_.LogLine("Error: the host, user ID or a folder of \"" + file.path +
                       "\" holds \";\" and cannot be written into a transfer line");
          return result;
        }
        Transfer.push_back({*text, file.destination});
        if (!media && EqualsNoCase(file.path, source.contents_page)) {
          RemoteAlbumUrl =
              RemoteAlbumAddress(record.Host, record.HtmlDir, source.contents_page, LowercaseURLs);
          UrlToCheck = !RemoteAlbumUrl.empty();
        }
      }
    }
  }

  if (result.local) {
    result.success = CopyList(Transfer, target, record.ImageDir, record.HtmlDir);
  } else {
    // Without an album page there is no place for a resume log.
    const std::string log_path =
        source.album_page_path.empty() ? std::string() : ResumeLogPath(source.album_page_path);
    result.success = UploadList(Transfer, log_path);
    if (result.success) Ftp().ForgetDir();
  }
  return result;
}

bool TUploadJob::UploadList(TTransferList& list, const std::string& log_path) {
  current_host_.clear();
  TEnhFtpClient& ftp = Ftp();
  LockFields(true);
  log_.LogSeparator();

  bool ok = true;
  for (int pass = 0; pass < 2 && ok; ++pass) {
    for (TTransferEntry& entry : list) {
      if ((pass == 0) != (entry.tag >= 0)) continue;
      if (!TransferRunning || AbortRequested) {
        ok = false;
        break;
      }
      ui_.ProcessEvents();
      if (entry.text.empty() || entry.text[0] == ';') continue;
      if (!UploadItem(entry.text) || !TransferRunning) {
        TransferRunning = false;
        ok = false;
        break;
      }
      entry.text.insert(0, ";");
    }
  }
  if (!current_host_.empty()) ftp.CloseHost();
  current_host_.clear();
  LockFields(false);

  if (ok) {
    if (!log_path.empty() && FileExists(log_path)) DeleteFile(log_path);
    return true;
  }
  if (log_path.empty()) return false;
  try {
    WriteResumeLog(log_path, list);
  } catch (const std::exception& e) {
    log_.LogLine("! The FTP script \"" + log_path + "\" cannot be written: " + e.what());
  }
  return false;
}

bool TUploadJob::UploadItem(const std::string& text) {
  TEnhFtpClient& ftp = Ftp();
  const std::optional<TFtpTransferLine> line = ParseFtpTransferLine(text);
  if (!line) {
    ftp.ReportError("Not a transfer line: " + text.substr(0, text.find('=')));
    return false;
  }
  const std::string password = UnscramblePassword(line->scrambled_password);
  log_.AddPassword(password);
  const std::string html_folder = Slashes(Trim(line->html_folder));
  const std::string media_folder = Slashes(Trim(line->media_folder));

  std::string remote = line->media ? media_folder : html_folder;
  if (!remote.empty() && remote.back() != '/') remote += '/';
  remote += NamePart(line->local_path);
  if (LowercaseURLs) remote = LowerAscii(remote);

  if (line->host != current_host_) {
    if (!current_host_.empty()) ftp.CloseHost();
    current_host_ = line->host;
    if (!ftp.OpenHost(line->host, line->user_id, line->passive, password)) return false;
  }

  const std::optional<std::string> remote_path = NormalizeRemotePath(remote);
  const std::optional<std::string> remote_media = NormalizeRemotePath(media_folder);
  const std::optional<std::string> remote_html = NormalizeRemotePath(html_folder);
  if (!remote_path || !remote_media || !remote_html) {
    ftp.ReportError("The remote path \"" + remote + "\" lies above the login folder");
    return false;
  }

  const bool text_type = IsWebFileType(FileExt(line->local_path));
  if (!line->media && text_type) {
    const std::optional<std::string> page = TryReadFileBytes(line->local_path);
    if (!page) {
      ftp.ReportError("Cannot read \"" + line->local_path + "\"");
      return false;
    }
    const std::string rewritten = RewritePageLinks(*page, FolderPart(line->local_path),
                                                   *remote_media, *remote_html, LowercaseURLs);
    if (!TransferRunning) return false;
    return ftp.PutText(rewritten, *remote_path);
  }
  if (!TransferRunning) return false;
  if (UploadNewOnly && ftp.FileExists(ServerPath(ftp, *remote_path))) return true;
  return ftp.PutFile(line->local_path, *remote_path, !text_type);
}

std::string TUploadJob::LowerBelowTarget(const std::string& folder) const {
  // The folders below the target as the rewritten links name them: blanks
  // as "_", lower-cased with LowercaseURLs. The target folder stays as given.
  const std::string base = IncludeTrailingSlash(copy_target_);
  if (folder.compare(0, base.size(), base) != 0) return folder;
  std::string rest = folder.substr(base.size());
  std::replace(rest.begin(), rest.end(), ' ', '_');
  if (LowercaseURLs) rest = LowerAscii(rest);
  return base + rest;
}

bool TUploadJob::CopyList(TTransferList& list, const std::string& target,
                          const std::string& media_folder, const std::string& html_folder) {
  copy_target_ = ExcludeTrailingSlash(target);
  copy_media_folder_ = media_folder;
  copy_html_folder_ = html_folder;
  LockFields(true);
  log_.LogSeparator();
  ForceFolders(LowerBelowTarget(JoinFolder(copy_target_, Slashes(html_folder))));
  ForceFolders(LowerBelowTarget(JoinFolder(copy_target_, Slashes(media_folder))));

  bool ok = true;
  for (TTransferEntry& entry : list) {
    if (!TransferRunning || AbortRequested) {
      ok = false;
      break;
    }
    ui_.ProcessEvents();
    if (entry.text.empty() || entry.text[0] == ';') continue;
    if (!CopyItem(entry.text)) {
      ok = false;
      break;
    }
    entry.text.insert(0, ";");
  }
  LockFields(false);
  log_.LogLine(ok ? kTransferFinished : kTransferInterrupted);
  return ok;
}

bool TUploadJob::CopyItem(const std::string& line) {
  const size_t eq = line.find('=');
  const size_t question = line.rfind('?');
  if (eq == std::string::npos || eq == 0 || question == std::string::npos || question < eq) {
    log_.LogLine("Error: not a copy line: " + line);
    return false;
  }
  const std::string local_path = line.substr(0, eq);
  const bool media = line.substr(question + 1) != "0";
  const std::string folder =
      LowerBelowTarget(AbsolutePath(line.substr(eq + 1, question - eq - 1), copy_target_));
  if (!ForceFolders(folder)) {
    // The folder of the file cannot be made: said once, clearly.
    log_.LogLine("Error: the folder \"" + folder + "\" cannot be created");
    return false;
  }
  // Blanks become "_" as in the rewritten links that name the file.
  std::string name = NamePart(local_path);
  std::replace(name.begin(), name.end(), ' ', '_');
  if (LowercaseURLs) name = LowerAscii(name);
  const std::string target_file = JoinPath(folder, name);
  log_.LogLine("Copying " + target_file + "...");

  bool ok = false;
  try {
    // Only pages of a text type are rewritten; a picture that a page links
    // to (listed with the pages) is copied as it is, never scanned as text.
    if (media || !IsWebFileType(FileExt(local_path))) {
      CopyFileAtomic(local_path, target_file);
      ok = true;
    } else if (const std::optional<std::string> page = TryReadFileBytes(local_path)) {
      const std::string rewritten = RewritePageLinks(
          *page, FolderPart(local_path), copy_media_folder_, copy_html_folder_, LowercaseURLs);
      WriteGeneratedFile(target_file, rewritten);
      CopyFileTime(local_path, target_file);
      ok = true;
    }
  } catch (const std::exception& e) {
    ui_.ShowError(e.what());
    ok = false;
  }
  if (!log_.Empty()) {
    log_.LogReplaceLast("Copying " + target_file + (ok ? " [OK]" : " [ERROR]"));
  }
  return ok;
}

bool TUploadJob::ResumeUpload(const std::string& log_path) {
  std::string error;
  std::optional<TTransferList> list = ReadResumeLog(log_path, error);
  ResumeMode = false;
  if (!list) {
    log_.LogSeparator();
    log_.LogLine("! The FTP script \"" + log_path + "\" cannot be resumed: " + error);
    return false;
  }
  TransferRunning = true;
  AbortRequested = false;
  const bool ok = UploadList(*list, log_path);
  if (ok) Ftp().ForgetDir();
  TransferRunning = false;
  return ok;
}

}  // namespace pictavo
