#include "publish/album_list_build_host.h"

#include "publish/album_list.h"

namespace pictavo {

void TAlbumListBuildHost::RegisterBuiltAlbum(const std::string& title,
                                             const std::string& contents_page) {
  album_list_.RegisterBuiltAlbum(title, contents_page);
}

void TAlbumListBuildHost::RemoveAlbumListEntries(const std::vector<std::string>& pages) {
  album_list_.RemoveAlbumPages(pages);
}

}  // namespace pictavo
