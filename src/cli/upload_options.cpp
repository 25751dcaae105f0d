#include "cli/upload_options.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <map>

#include "build/build_album.h"
#include "build/progress_log.h"
#include "platform/case_fold.h"
#include "platform/paths.h"
#include "platform/user_interface.h"
#include "publish/ftp_profiles.h"
#include "publish/upload_job.h"
#include "settings/reg_or_ini.h"
#include "settings/window_state.h"

namespace pictavo::cli {

namespace {

const char* const kUploadKeys[] = {"host",        "userid",      "password", "htmlfolder",
                                   "mediafolder", "passivemode", "profile"};

// Splits "Upload.Key=Value" into the lower-cased key and the value.
bool SplitUploadArgument(const std::string& arg, std::string& key, std::string& value) {
  const size_t eq = arg.find('=');
  if (eq == std::string::npos || arg.size() < 7 || !EqualsNoCase(arg.substr(0, 7), "Upload.")) {
    return false;
  }
  key = LowerAscii(arg.substr(7, eq - 7));
  value = arg.substr(eq + 1);
  return !key.empty();
}

std::atomic<bool>* g_abort_flag = nullptr;

extern "C" void OnUploadSignal(int) {
  if (g_abort_flag != nullptr) g_abort_flag->store(true);
}

}  // namespace

TUploadSignals::TUploadSignals(TUploadJob& job) {
  g_abort_flag = &job.AbortRequested;
  old_int_ = std::signal(SIGINT, OnUploadSignal);
  old_term_ = std::signal(SIGTERM, OnUploadSignal);
}

TUploadSignals::~TUploadSignals() {
  std::signal(SIGINT, old_int_);
  std::signal(SIGTERM, old_term_);
  g_abort_flag = nullptr;
}

bool IsUploadArgument(const std::string& arg) {
  std::string key, value;
  return SplitUploadArgument(arg, key, value);
}

std::string CheckUploadArguments(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    std::string key, value;
    if (!SplitUploadArgument(arg, key, value)) return arg + ": not an Upload.Key=Value argument";
    bool known = false;
    for (const char* k : kUploadKeys) known = known || key == k;
    if (!known) {
      return arg +
             ": unknown upload field (Host, UserId, Password, HtmlFolder, MediaFolder, "
             "PassiveMode, Profile)";
    }
    if (key == "passivemode" && value != "0" && value != "1") {
      return arg + ": the value must be 0 or 1";
    }
  }
  return {};
}

int RunBuildUpload(const std::vector<std::string>& args, TAlbumBuilder& builder,
                   TWindowState& window, TRegOrIni& store, TProgressLog& log, TUserInterface& ui) {
  if (std::string why = CheckUploadArguments(args); !why.empty()) {
    std::cerr << "pictavo-cli build: " << why << "\n";
    return 2;
  }
  std::map<std::string, std::string> fields;
  for (const std::string& arg : args) {
    std::string key, value;
    SplitUploadArgument(arg, key, value);
    fields[key] = value;
  }

  // The panel: saved values, a profile, the command line's values.
  LoadFtpProfiles(window, store);
  if (auto it = fields.find("profile"); it != fields.end()) {
    window.cmbProfileName = it->second;
    window.cmbProfileNameIndex = -1;
    for (size_t i = 0; i < window.cmbProfileNameItems.size(); ++i) {
      if (EqualsNoCase(window.cmbProfileNameItems[i], it->second)) {
        window.cmbProfileNameIndex = static_cast<int>(i);
      }
    }
    if (window.cmbProfileNameIndex < 0) {
      std::cerr << "pictavo-cli build: no upload profile named \"" << it->second << "\"\n";
      return 2;
    }
    LoadProfile(window, store);
  }
  TUploadTarget panel;
  panel.host = window.edtHostName;
  panel.user_id = window.edtUserId;
  panel.password = window.edtPassword;
  // A password given on the command line is visible to every user in the
  // process list; the environment is not.
  if (const char* password = std::getenv("PICTAVO_UPLOAD_PASSWORD")) panel.password = password;
  panel.html_folder = window.edtHtmlFolder;
  panel.media_folder = window.edtMediaFolder;
  panel.passive = window.cbxPassiveMode;
  for (const auto& [key, value] : fields) {
    if (key == "host") panel.host = value;
    if (key == "userid") panel.user_id = value;
    if (key == "password") panel.password = value;
    if (key == "htmlfolder") panel.html_folder = value;
    if (key == "mediafolder") panel.media_folder = value;
    if (key == "passivemode") panel.passive = value == "1";
  }
  const bool template_host =
      !builder.Options.FtpInfos.empty() && !builder.Options.FtpInfos.front().Info.Host.empty();
  if (panel.host.empty() && !template_host) {
    std::cerr << "pictavo-cli build: --upload needs a host or local folder (Upload.Host=...)\n";
    return 2;
  }
  // On the command line a relative folder is taken against the current folder.
  if (IsLocalTarget(panel.host) && !IsAbsolutePath(panel.host)) {
    panel.host = AbsolutePath(panel.host);
  }

  TUploadJob job(log, ui);
  job.Log().AddPassword(panel.password);
  job.UploadNewOnly = window.cbxUploadNewOnly;
  job.LowercaseURLs = window.cbxLowercaseURLs;
  TUploadSource source{&builder.AlbumFiles, &builder.Options.FtpInfos, builder.ContentsPage,
                       builder.ContentsPage};
  TTransferResult result;
  {
    TUploadSignals signals(job);
    result = job.StartTransfer(&panel, source);
  }
  if (!result.success && !result.local) {
    std::cerr << "pictavo-cli build: the upload did not finish; resume it with: pictavo-cli "
                 "resume \""
              << ResumeLogPath(builder.ContentsPage) << "\"\n";
  }
  if (result.success && !job.RemoteAlbumUrl.empty()) std::cout << job.RemoteAlbumUrl << "\n";
  return result.success ? 0 : 1;
}

}  // namespace pictavo::cli
