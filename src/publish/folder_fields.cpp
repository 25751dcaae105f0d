#include "publish/folder_fields.h"

#include "platform/paths.h"

namespace pictavo {

namespace {

// The albums folder's top-level folder with its trailing "/": "/home/" for
// /home/ann/Pictavo/Albums; the albums folder itself for /Albums.
std::string TopFolder(const std::string& albums_folder) {
  const std::string folder = IncludeTrailingSlash(albums_folder);
  const size_t slash = folder.find('/', 1);
  return slash == std::string::npos ? folder : folder.substr(0, slash + 1);
}

}  // namespace

std::string FolderFieldStartFolder(const std::string& field, const std::string& albums_folder) {
  if (field.empty()) return albums_folder;
  if (!IsAbsolutePath(field) || field.find("..") != std::string::npos) {
    return ExcludeTrailingSlash(AbsolutePath(field, albums_folder));
  }
  return field;
}

std::string FolderFieldValue(const std::string& chosen, const std::string& albums_folder) {
  if (chosen.empty() || !IsAbsolutePath(chosen) || !IsAbsolutePath(albums_folder)) return chosen;
  const std::string folder = ExcludeTrailingSlash(AbsolutePath(chosen));
  const std::string albums = ExcludeTrailingSlash(AbsolutePath(albums_folder));
  if (folder == albums) return ".";
  const std::string top = TopFolder(albums);
  if (folder.compare(0, top.size(), top) != 0) return folder;
  return ExcludeTrailingSlash(RelativePath(albums, folder));
}

}  // namespace pictavo
