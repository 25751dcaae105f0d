// The album folder and image folder fields: where their browse dialog starts
// and what a chosen folder puts into them.
#include "publish/folder_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pictavo {
namespace {

constexpr char kAlbums[] = "/home/ann/Pictavo/Albums";

TEST(FolderFields, ChosenFolderIsRelativeBelowTheAlbumsFoldersTopFolder) {
  struct Case {
    const char* albums;
    const char* chosen;
    const char* field;
  };
  for (const Case& c : std::vector<Case>{
           {kAlbums, "/home/ann/Pictavo/Web", "../Web"},
           {kAlbums, "/home/ann/Pictavo/Albums/2024/Summer", "2024/Summer"},
           {kAlbums, "/home/ann/Pictavo/Albums/2024/", "2024"},
           {kAlbums, "/home/bob/site", "../../../bob/site"},
           {kAlbums, "/home/ann/Pictavo/Albums", "."},
           {"/home/ann/Pictavo/Albums/", "/home/ann/Pictavo/Albums/", "."},
           // Outside the top folder ("/home/"): the full path.
           {kAlbums, "/media/ann/USB/web", "/media/ann/USB/web"},
           {kAlbums, "/homework/web", "/homework/web"},
           {kAlbums, "/home", "/home"},
           // Paths compare exactly.
           {kAlbums, "/Home/ann/web", "/Home/ann/web"},
           // An albums folder right below the root: only folders inside it.
           {"/Albums", "/Albums/x", "x"},
           {"/Albums", "/Web", "/Web"},
           {kAlbums, "", ""},
       }) {
    EXPECT_EQ(FolderFieldValue(c.chosen, c.albums), c.field) << c.albums << " " << c.chosen;
  }
}

TEST(FolderFields, BrowseStartsAtTheFieldResolvedAgainstTheAlbumsFolder) {
  struct Case {
    const char* field;
    const char* start;
  };
  for (const Case& c : std::vector<Case>{
           {"", kAlbums},
           {"0001", "/home/ann/Pictavo/Albums/0001"},
           {"../Web", "/home/ann/Pictavo/Web"},
           {".", kAlbums},
           {"/srv/www/album", "/srv/www/album"},
           {"/srv/www/../album", "/srv/album"},
       }) {
    EXPECT_EQ(FolderFieldStartFolder(c.field, kAlbums), c.start) << c.field;
  }
  // A value the field received comes back as the folder that was chosen.
  for (const char* chosen : {"/home/ann/Pictavo/Web", "/home/ann/Pictavo/Albums",
                             "/home/ann/Pictavo/Albums/a/b", "/opt/web"}) {
    EXPECT_EQ(FolderFieldStartFolder(FolderFieldValue(chosen, kAlbums), kAlbums), chosen);
  }
}

}  // namespace
}  // namespace pictavo
