#pragma once
// TAlbumListBuildHost: the build's window operations over a picture grid (as
// TGridBuildHost) that also enter every built album into an album list and
// take the pages of a failed build out of it again. For the CLI and tests; the
// desktop window forwards the same two calls to its own album list.
#include <string>
#include <utility>
#include <vector>

#include "build/grid_build_host.h"

namespace pictavo {

class TAlbumList;

class TAlbumListBuildHost : public TGridBuildHost {
 public:
  TAlbumListBuildHost(TWindowState& window, TPictureGrid& grid, TPictureCollection& collection,
                      TAlbumList& album_list)
      : TGridBuildHost(window, grid, collection), album_list_(album_list) {}
  // With a backgrounds folder and the template information shown through ui.
  TAlbumListBuildHost(TWindowState& window, TPictureGrid& grid, TPictureCollection& collection,
                      TAlbumList& album_list, std::string backgrounds_folder, TUserInterface& ui)
      : TGridBuildHost(window, grid, collection, std::move(backgrounds_folder), ui),
        album_list_(album_list) {}

  // TAlbumList::RegisterBuiltAlbum.
  void RegisterBuiltAlbum(const std::string& title, const std::string& contents_page) override;
  // TAlbumList::RemoveAlbumPages.
  void RemoveAlbumListEntries(const std::vector<std::string>& pages) override;

 private:
  TAlbumList& album_list_;
};

}  // namespace pictavo
