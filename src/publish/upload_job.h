#pragma once
// The upload job: publishes the album of the last build, either to an FTP
// server through TEnhFtpClient or by copying it into a local folder. Pages go
// to the HTML folder, media files (pictures, thumbnails, other linked files)
// to the media folder, and pages are rewritten on the way so that their links
// reach the media folder. An FTP transfer that fails leaves a resume log (the
// "FTP script", see resume_log.h) beside the album's main page; ResumeUpload
// sends what is left.
//
// Remote folders: the login folder is the root of every remote path, as the
// FTP session walks it. "www" and "/www" both name the folder www inside the
// login folder, whatever folder the server reports at login. Inside a path,
// "name/.." pairs are removed before anything is sent; a path that would still
// climb above the login folder fails its line (nothing is sent for it).
//
// Local targets: a relative folder name is taken against the folder of the
// album's main page ("copy" copies the album into <album folder>/copy).
// With "LowercaseURLs" on, the folders below the target folder and the file
// names are lower-cased, never the target folder itself (Linux file names
// are case-sensitive).
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "build/build_album.h"
#include "publish/password_hiding_log.h"
#include "publish/resume_log.h"
#include "template/ftp_info.h"

namespace pictavo {

class TEnhFtpClient;
class TProgressLog;
class TUserInterface;

// The texts of the job.
inline constexpr char kTransferFinished[] = "Finished transfering album";
inline constexpr char kTransferInterrupted[] = "Album transfer interrupted!";
inline constexpr char kAbortUploadQuestion[] =
    "Are you sure you want to abort the uploading of your album?";

// The upload panel's fields (edtHostName, edtUserId, edtPassword,
// edtHtmlFolder, edtMediaFolder, cbxPassiveMode), or the CLI's Upload.* values.
struct TUploadTarget {
  std::string host;  // FTP host (host or host:port, optionally with a path) or local folder
  std::string user_id;
  std::string password;
  std::string html_folder;
  std::string media_folder;
  bool passive = false;
};

// What a transfer takes from the last build.
struct TUploadSource {
  const std::vector<TAlbumFile>* album_files = nullptr;  // AlbumFiles
  const TFtpInfos* ftp_infos = nullptr;                  // FtpInfos
  std::string contents_page;                             // ContentsPage
  std::string album_page_path;                           // see AlbumPagePath
};

struct TTransferResult {
  bool success = false;
  bool local = false;  // the target was a local folder
};

// True when the host text names a local folder: it begins with "/", or the
// part before its first "/" holds ".." or fewer than two "." (a plain name
// such as album, "./copy", "../copy"). A name with two or more dots (a host
// name, an IP address), a text with "://" and a name:port are hosts; an
// empty text is not local.
bool IsLocalTarget(const std::string& host);

// The album page path of a transfer: the album file name joined to the album
// folder (the build's album folder when that field is empty), or, with an
// empty name, the page path the last build recorded; made absolute against
// the albums folder.
std::string AlbumPagePath(const std::string& output_name, const std::string& output_dir,
                          const std::string& build_album_folder, const std::string& last_page_path,
                          const std::string& albums_folder);

// The web address of the album's main page: "http://" + host (nothing in
// front when the host holds "://"), "/" + HTML folder when it is not empty,
// "/" + file name of the main page, no doubled "/", blanks turned into "_";
// the path lower-cased with lowercase_urls (as the files were sent).
std::string RemoteAlbumAddress(const std::string& host, const std::string& html_folder,
                               const std::string& main_page, bool lowercase_urls);

// The link prefix that leads from pages in html_folder to files in
// media_folder: media_folder itself when html_folder is empty or "/",
// otherwise the relative path ("www" -> "www/img" gives "img/", "www" ->
// "media" gives "../media/", equal folders give "").
std::string MediaLinkPrefix(const std::string& html_folder, const std::string& media_folder);

// The page text with its links pointed into the destination folders: links
// to media files get the media prefix, other local links the plain file name
// (blanks turned into "_", lower-cased with lowercase_urls).
std::string RewritePageLinks(const std::string& text, const std::string& page_folder,
                             const std::string& media_folder, const std::string& html_folder,
                             bool lowercase_urls);

// A remote path with "name/.." pairs removed and blanks turned into "_";
// nullopt when it climbs above the login folder.
std::optional<std::string> NormalizeRemotePath(const std::string& path);

class TUploadJob {
 public:
  // Everything the job reports goes to log, through a filter that hides
  // every password the job has seen.
  TUploadJob(TProgressLog& log, TUserInterface& ui);
  ~TUploadJob();
  TUploadJob(const TUploadJob&) = delete;
  TUploadJob& operator=(const TUploadJob&) = delete;

  // ---- state of the main window for the job
  // Reaches the FTP layer (the running store is aborted) and stops the loops
  // before their next file; set by Cancel and by the CLI's signal handler.
  std::atomic<bool> AbortRequested{false};
  bool TransferRunning = false;  // clearing it stops the transfer before its next file
  bool ResumeMode = false;       // the upload button reads "Resume" (tag 1)
  std::string RemoteAlbumUrl;
  bool UrlToCheck = false;
  bool UploadNewOnly = false;  // "Upload new &media files only" (cbxUploadNewOnly)
  bool LowercaseURLs = true;   // cbxLowercaseURLs
  // The transfer list of the last TransferAlbum with rebuild; "Resume" sends
  // what is left of it.
  TTransferList Transfer;
  // LockUploadFields of the panel (optional).
  std::function<void(bool lock)> OnLockFields;

  // The button "Upload" or "Resume": TransferAlbum (rebuild unless in resume
  // mode); success leaves resume mode, a failed FTP upload enters it.
  TTransferResult StartTransfer(const TUploadTarget* panel, const TUploadSource& source);
  // Cancel during a transfer: asks kAbortUploadQuestion; Yes aborts the
  // running store and stops the loop before its next line. Without a running
  // transfer: leaves resume mode. True when a transfer was aborted.
  bool Cancel();

  // The transfer: works out the settings in force (the first FtpInfos
  // record, the panel filling its empty fields, the panel's passive mode),
  // with rebuild turns the build's files into transfer lines, and copies
  // (local target) or uploads (FTP). panel may be null.
  TTransferResult TransferAlbum(bool rebuild, const TUploadTarget* panel,
                                const TUploadSource& source);
  // Sends the FTP-form lines not yet marked, pages first and media files
  // second, marking each line sent with ";". Failure writes the list to
  // log_path (the resume log); success deletes it.
  bool UploadList(TTransferList& list, const std::string& log_path);
  bool UploadItem(const std::string& line);
  // Copies the local-form lines in list order into target.
  bool CopyList(TTransferList& list, const std::string& target, const std::string& media_folder,
                const std::string& html_folder);
  bool CopyItem(const std::string& line);
  // Sends what a resume log lists; the log gets the new marks on failure
  // and is deleted on success. A log that cannot be read or holds a line
  // that is not a transfer line is reported and kept; the answer is false.
  bool ResumeUpload(const std::string& log_path);

  // The FTP session (created on first use).
  TEnhFtpClient& Ftp();
  TPasswordHidingLog& Log() { return log_; }

 private:
  void LockFields(bool lock);
  std::string LocalTransferLine(const std::string& path, const std::string& target,
                                const std::string& folder, bool media) const;
  std::string LowerBelowTarget(const std::string& folder) const;

  TPasswordHidingLog log_;
  TUserInterface& ui_;
  std::unique_ptr<TEnhFtpClient> ftp_;
  // UploadList/UploadItem
  std::string current_host_;
  // CopyList/CopyItem
  std::string copy_target_;
  std::string copy_media_folder_;
  std::string copy_html_folder_;
};

}  // namespace pictavo
