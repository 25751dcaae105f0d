#pragma once
// TBuildHost: what a build needs from the main window besides its boxes (the
// picture list, the sort and custom order state, the album list, the template
// editor). The desktop window implements it over its grid and stores; the CLI
// and the tests use TGridBuildHost (build/grid_build_host.h). Every default
// does nothing.
#include <optional>
#include <string>
#include <vector>

#include "pictures/picture_item.h"
#include "template/album_options.h"

namespace pictavo {

class TBuildHost : public TAlbumOptionsWindow {
 public:
  // The picture records in display order (what the merge walks).
  virtual std::vector<TPictureItem> Pictures() const { return {}; }
  // Full paths of all rows in display order.
  virtual std::vector<std::string> PictureOrder() const { return {}; }
  // The file names excluded by hand.
  virtual std::vector<std::string> HandExcludedNames() const { return {}; }
  virtual void SetHandExcludedNames(const std::vector<std::string>& /*names*/) {}
  // The selected sort entry (0-based) and selecting one again.
  virtual int SortEntryIndex() const { return -1; }
  virtual void SelectSortEntryIndex(int /*index*/) {}
  // The custom-order flag (a custom order exists and is in force).
  virtual bool CustomOrderFlag() const { return false; }
  virtual void SetCustomOrderFlag(bool /*value*/) {}
  // The manual-picking box was set back to manual (true) or folder mode:
  // the mode switch runs.
  virtual void SetPickManually(bool /*manual*/) {}
  // Fills the picture list from paths in this order, after emptying it.
  virtual void FillPictureList(const std::vector<std::string>& /*paths*/) {}
  // Rebuilds the picture list from folder, filter and exclusion filter.
  virtual void RebuildPictureList(const std::string& /*folder*/, const std::string& /*filter*/,
                                  const std::string& /*exclusion*/) {}
  // Adds the folder tree's folder to the previously used folders.
  virtual void RememberPictureFolder(bool /*select*/) {}
  // Commits a pending edit of the description box.
  virtual void CommitDescriptionEdit() {}

  // Album settings change tracking: the changed mark, and suspending the
  // tracking while a build runs.
  virtual bool SettingsChanged() const { return false; }
  virtual void SetSettingsChanged(bool /*value*/) {}
  virtual void SuspendChangeTracking(bool /*suspend*/) {}
  // The picture filter box neither expands nor adds entries while suspended.
  virtual void SuspendFilterHistory(bool /*suspend*/) {}

  // The template editor's current text when it is the template being built
  // (the editor page is shown and holds it); nullopt otherwise.
  virtual std::optional<std::string> EditorTemplateText(const std::string& /*template_path*/) {
    return std::nullopt;
  }

  // The album list: registers a built album under title; removes the entries
  // of pages that were deleted again (publishing brings the album list).
  virtual void RegisterBuiltAlbum(const std::string& /*title*/,
                                  const std::string& /*contents_page*/) {}
  virtual void RemoveAlbumListEntries(const std::vector<std::string>& /*pages*/) {}

  // Starts the preview of the contents page (Quick Build with automatic
  // preview).
  virtual void PreviewAlbum(const std::string& /*contents_page*/) {}
};

}  // namespace pictavo
