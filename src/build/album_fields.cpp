#include "build/album_fields.h"

#include <exception>

#include "build/build_host.h"
#include "platform/case_fold.h"
#include "platform/paths.h"
#include "settings/window_state.h"

namespace pictavo {

namespace {

// A file name or folder as the lower-case URLs option writes it: only the
// last part of a path is lower-cased, the folders above it keep their case
// (Linux names are case-sensitive).
std::string LowerName(const std::string& text) {
  const size_t slash = text.rfind('/');
  if (slash == std::string::npos) return LowerAscii(text);
  return text.substr(0, slash + 1) + LowerAscii(text.substr(slash + 1));
}

}  // namespace

TAlbumFields TakeAlbumFields(const TWindowState& window, const TBuildHost& host) {
  TAlbumFields f;
  f.Ftp.PassiveMode = window.cbxPassiveMode;
  f.Ftp.Host = window.edtHostName;
  f.Ftp.UserId = window.edtUserId;
  f.Ftp.Password = window.edtPassword;
  f.Ftp.HtmlDir = window.edtHtmlFolder;
  f.Ftp.ImageDir = window.edtMediaFolder;
  f.IncludeSubFolders = window.cbxIncludeSubFolders;
  f.PickManually = window.cbxPickManually;
  f.PictureFolder = window.vclShellTree;
  f.PictureFilter = window.cmbFileFilters;
  f.ExclusionFilter = window.edtExclusionFilters;
  if (host.CustomOrderFlag() || window.cbxPickManually) {
    std::vector<std::string> order = host.PictureOrder();
    if (!order.empty()) f.PictureOrder = std::move(order);
  }
  // Taken also when empty: an "exclude" album option excludes pictures by
  // name during the build, and those must be included again afterwards.
  f.ExcludedNames = host.HandExcludedNames();
  f.SortIndex = host.SortEntryIndex();
  f.CustomOrder = host.CustomOrderFlag();
  f.MaxImages = window.edtMaxImages;
  f.OutputName = window.cbxLowercaseURLs ? LowerName(window.edtOutputName) : window.edtOutputName;
  f.OutputDir = window.cbxLowercaseURLs ? LowerName(window.edtOutputDir) : window.edtOutputDir;
  return f;
}

void RestoreAlbumFields(const TAlbumFields& f, TWindowState& window, TBuildHost& host) {
  try {
    if (window.cbxPassiveMode != f.Ftp.PassiveMode) window.cbxPassiveMode = f.Ftp.PassiveMode;
    if (window.edtHostName != f.Ftp.Host) window.edtHostName = f.Ftp.Host;
    if (window.edtUserId != f.Ftp.UserId) window.edtUserId = f.Ftp.UserId;
    if (window.edtPassword != f.Ftp.Password) window.edtPassword = f.Ftp.Password;
    if (window.edtHtmlFolder != f.Ftp.HtmlDir) window.edtHtmlFolder = f.Ftp.HtmlDir;
    if (window.edtMediaFolder != f.Ftp.ImageDir) window.edtMediaFolder = f.Ftp.ImageDir;
    if (window.cbxIncludeSubFolders != f.IncludeSubFolders) {
      window.cbxIncludeSubFolders = f.IncludeSubFolders;
    }
    if (window.cbxPickManually != f.PickManually) {
      window.cbxPickManually = f.PickManually;
      host.SetPickManually(f.PickManually);
    }

    bool changed = false;
    if (window.vclShellTree != f.PictureFolder) {
      window.vclShellTree = f.PictureFolder;
      host.FolderShown(f.PictureFolder);
      host.RememberPictureFolder(false);
      changed = true;
    }
    if (window.cmbFileFilters != f.PictureFilter) {
      window.cmbFileFilters = f.PictureFilter;
      changed = true;
    }
    if (window.edtExclusionFilters != f.ExclusionFilter) {
      window.edtExclusionFilters = f.ExclusionFilter;
      changed = true;
    }
    if (f.ExcludedNames) host.SetHandExcludedNames(*f.ExcludedNames);
    if (f.SortIndex >= 0 && host.SortEntryIndex() != f.SortIndex) {
      host.SelectSortEntryIndex(f.SortIndex);
    }
    if (host.CustomOrderFlag() != f.CustomOrder) host.SetCustomOrderFlag(f.CustomOrder);
    if (f.PictureOrder) {
      host.FillPictureList(*f.PictureOrder);
    } else if (changed) {
      host.RebuildPictureList(window.vclShellTree, window.cmbFileFilters,
                              window.edtExclusionFilters);
    }
    if (window.edtMaxImages != f.MaxImages) window.edtMaxImages = f.MaxImages;
    if (!EqualsNoCase(window.edtOutputName, f.OutputName)) window.edtOutputName = f.OutputName;
    if (!EqualsNoCase(window.edtOutputDir, f.OutputDir)) window.edtOutputDir = f.OutputDir;
  } catch (const std::exception&) {
    // The build has ended; a box that cannot be put back stays as it is.
  }
}

}  // namespace pictavo
