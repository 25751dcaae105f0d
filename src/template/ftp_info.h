#pragma once
// The FTP settings a template's album options carry (the ftp_ keys). The
// build collects one record per template with an options block in FtpInfos;
// the upload reads record k - 1 for the destination number k of a file.
#include <cstdint>
#include <string>
#include <vector>

namespace pictavo {

struct TFtpInfoRec {
  bool AutoConnect = false;  // ftp_autoconnect: carried, not acted upon
  bool PassiveMode = false;  // ftp_passivemode
  std::string Host;          // ftp_host: FTP host or local folder of the upload
  std::string UserId;        // ftp_userid
  std::string Password;      // ftp_password
  std::string HtmlDir;       // ftp_htmldir: remote folder for pages
  std::string ImageDir;      // ftp_imagedir: remote folder for media files
  uint8_t Reserved = 0;      // not used by the template engine
  bool operator==(const TFtpInfoRec&) const = default;
};

// One entry of FtpInfos.
struct TFtpInfoObj {
  TFtpInfoRec Info;
};

// FtpInfos: the records of one build, in the order the templates were built.
using TFtpInfos = std::vector<TFtpInfoObj>;

}  // namespace pictavo
