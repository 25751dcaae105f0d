#pragma once
// TAlbumFields: the window's album fields, taken before a build and put back
// after it, so that what a template's options change in the window lasts one
// build only.
#include <optional>
#include <string>
#include <vector>

#include "template/ftp_info.h"

namespace pictavo {

struct TWindowState;
class TBuildHost;

struct TAlbumFields {
  TFtpInfoRec Ftp;  // passive flag, host, user id, password, HTML and media folders
  bool IncludeSubFolders = false;
  bool PickManually = false;
  std::string PictureFolder;
  std::string PictureFilter;
  std::string ExclusionFilter;
  // Full paths in display order; taken when the custom order or manual
  // picking is in force and the list is not empty.
  std::optional<std::vector<std::string>> PictureOrder;
  // Names excluded by hand (always taken, so that names a template's
  // "exclude" option added during the build are dropped again).
  std::optional<std::vector<std::string>> ExcludedNames;
  int SortIndex = -1;
  bool CustomOrder = false;
  std::string MaxImages;
  std::string OutputName;  // lower-cased when lower-case URLs are on
  std::string OutputDir;   // likewise
};

// The snapshot of the window's album fields.
TAlbumFields TakeAlbumFields(const TWindowState& window, const TBuildHost& host);

// Puts the snapshot back, each box only when its content differs; the
// picture list is filled again from the snapshot's order, or rebuilt when the
// folder or a filter changed. Errors while restoring are ignored.
void RestoreAlbumFields(const TAlbumFields& fields, TWindowState& window, TBuildHost& host);

}  // namespace pictavo
