#pragma once
// The album as it lies on the local disk after a build: "&Calculate Album
// Size" (does it fit the web space?) and "&Delete Local Album" (remove the
// pages the build wrote; pictures and thumbnails stay).
#include <cstdint>
#include <string>
#include <vector>

namespace pictavo {

class TAlbumBuilder;
class TAlbumList;
class TReferencedFiles;
class TUserInterface;

// How numbers are written: the thousands separator ("" for none), the decimal
// separator and the digit grouping (as localeconv gives it: each byte a group
// size from the right, the last one repeating, CHAR_MAX or 0 ending it).
struct TNumberFormat {
  std::string thousands = ",";
  std::string decimal = ".";
  std::string grouping = "\3";
};
// The number format of the process locale (LC_NUMERIC).
TNumberFormat LocaleNumberFormat();
// A whole number with thousands separators.
std::string FormatInteger(int64_t value, const TNumberFormat& format);
// bytes / 1024 with thousands separators and two decimals (halves round to
// the even neighbour).
std::string FormatKilobytes(int64_t bytes, const TNumberFormat& format);

// Bytes of the album's files on disk: every page written and every local file
// the pages refer to, each file once; a file that is missing counts 0.
int64_t AlbumSize(const std::vector<std::string>& written_pages,
                  const TReferencedFiles& referenced_files);
// "Main album page: index.html\n\nTotal album size: 3,048 bytes (2.98 KB)".
std::string AlbumSizeReport(const std::string& contents_page, int64_t total_bytes,
                            const TNumberFormat& format);

// "&Calculate Album Size": shows the report in an information box and gives
// the total.
int64_t CalculateAlbumSize(const std::string& contents_page,
                           const std::vector<std::string>& written_pages,
                           const TReferencedFiles& referenced_files, TUserInterface& ui);
int64_t CalculateAlbumSize(const TAlbumBuilder& build, TUserInterface& ui);

// "&Delete Local Album" (and the build after a failed or interrupted build):
// deletes the written pages from the last to the first and removes their
// album-list entries (album_list may be null), clears the pages, the contents
// page and the referenced files, and removes created_album_folder when it is
// empty. A file or folder that cannot be deleted is left without a message.
// Gives the number of pages deleted.
int DeleteLocalAlbum(std::vector<std::string>& written_pages, std::string& contents_page,
                     TReferencedFiles& referenced_files, const std::string& created_album_folder,
                     TAlbumList* album_list);
// The same on a build's lists; also disables "&Preview Album", "&Calculate
// Album Size", "&Delete Local Album" and "&Upload Album".
int DeleteLocalAlbum(TAlbumBuilder& build, TAlbumList* album_list);

}  // namespace pictavo
