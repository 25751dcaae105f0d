#include "publish/local_album.h"

#include <unistd.h>

#include <climits>
#include <clocale>
#include <string>
#include <unordered_set>
#include <vector>

#include "build/build_album.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/user_interface.h"
#include "publish/album_list.h"
#include "template/html_links.h"

namespace pictavo {

namespace {

// Puts the thousands separator into a run of digits.
std::string GroupDigits(const std::string& digits, const TNumberFormat& format) {
  if (format.thousands.empty() || format.grouping.empty()) return digits;
  // Where separators go, in digits counted from the right. Each grouping byte
  // is the size of the next group; past the last one it repeats, and CHAR_MAX
  // (or a negative byte) ends the grouping.
  std::vector<size_t> cuts;
  size_t pos = 0;
  int size = 0;
  for (size_t gi = 0;; ++gi) {
    if (gi < format.grouping.size()) {
      const char g = format.grouping[gi];
      if (g == CHAR_MAX || g < 0) break;
      if (g > 0) size = g;
    }
    if (size <= 0) break;
    pos += static_cast<size_t>(size);
    if (pos >= digits.size()) break;
    cuts.push_back(pos);
  }
  std::string out;
  out.reserve(digits.size() + cuts.size() * format.thousands.size());
  for (size_t i = 0; i < digits.size(); ++i) {
    const size_t from_right = digits.size() - i;
    for (size_t cut : cuts) {
      if (cut == from_right) {
        out += format.thousands;
        break;
      }
    }
    out += digits[i];
  }
  return out;
}

}  // namespace

TNumberFormat LocaleNumberFormat() {
  TNumberFormat format;
  const std::lconv* lc = std::localeconv();
  if (lc == nullptr) return format;
  format.thousands = lc->thousands_sep ? lc->thousands_sep : "";
  format.decimal = lc->decimal_point && *lc->decimal_point ? lc->decimal_point : ".";
  format.grouping = lc->grouping ? lc->grouping : "";
  return format;
}

std::string FormatInteger(int64_t value, const TNumberFormat& format) {
  const bool negative = value < 0;
  // Digits of the magnitude, safe for the smallest value too.
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string grouped = GroupDigits(std::to_string(magnitude), format);
  return negative ? "-" + grouped : grouped;
}

std::string FormatKilobytes(int64_t bytes, const TNumberFormat& format) {
  if (bytes < 0) bytes = 0;
  // Hundredths of a kilobyte, rounded half to even, in whole numbers.
  const uint64_t b = static_cast<uint64_t>(bytes);
  const uint64_t whole = b / 1024;
  const uint64_t rest = b % 1024;  // fraction rest / 1024
  uint64_t hundredths = rest * 100 / 1024;
  const uint64_t remainder = rest * 100 % 1024;
  if (remainder * 2 > 1024 || (remainder * 2 == 1024 && hundredths % 2 == 1)) ++hundredths;
  uint64_t units = whole;
  if (hundredths == 100) {
    ++units;
    hundredths = 0;
  }
  std::string text = GroupDigits(std::to_string(units), format) + format.decimal;
  if (hundredths < 10) text += '0';
  text += std::to_string(hundredths);
  return text;
}

int64_t AlbumSize(const std::vector<std::string>& written_pages,
                  const TReferencedFiles& referenced_files) {
  std::unordered_set<std::string> seen;
  int64_t total = 0;
  auto add = [&](const std::string& path) {
    if (!seen.insert(path).second) return;
    // Hidden and read-only files count like any other; a missing file or a
    // folder counts 0.
    const int64_t size = FileSize(path);
    if (size > 0) total += size;
  };
  for (const std::string& page : written_pages) add(page);
  for (const TReferencedFile& file : referenced_files.Items()) add(file.path);
  return total;
}

std::string AlbumSizeReport(const std::string& contents_page, int64_t total_bytes,
                            const TNumberFormat& format) {
  return "Main album page: " + NamePart(contents_page) +
         "\n\nTotal album size: " + FormatInteger(total_bytes, format) + " bytes (" +
         FormatKilobytes(total_bytes, format) + " KB)";
}

int64_t CalculateAlbumSize(const std::string& contents_page,
                           const std::vector<std::string>& written_pages,
                           const TReferencedFiles& referenced_files, TUserInterface& ui) {
  const int64_t total = AlbumSize(written_pages, referenced_files);
  ui.ShowMessage(AlbumSizeReport(contents_page, total, LocaleNumberFormat()));
  return total;
}

int64_t CalculateAlbumSize(const TAlbumBuilder& build, TUserInterface& ui) {
  return CalculateAlbumSize(build.ContentsPage, build.WrittenPages, build.ReferencedFiles, ui);
}

int DeleteLocalAlbum(std::vector<std::string>& written_pages, std::string& contents_page,
                     TReferencedFiles& referenced_files, const std::string& created_album_folder,
                     TAlbumList* album_list) {
  int deleted = 0;
  for (auto it = written_pages.rbegin(); it != written_pages.rend(); ++it) {
    if (DeleteFile(*it)) ++deleted;
    if (album_list != nullptr) album_list->RemoveAlbumPages({*it});
  }
  written_pages.clear();
  contents_page.clear();
  referenced_files.Clear();
  // Only an empty folder goes: rmdir refuses any other, so pictures,
  // thumbnails and files of the user's stay.
  if (!created_album_folder.empty()) ::rmdir(ExcludeTrailingSlash(created_album_folder).c_str());
  return deleted;
}

int DeleteLocalAlbum(TAlbumBuilder& build, TAlbumList* album_list) {
  const int deleted = DeleteLocalAlbum(build.WrittenPages, build.ContentsPage,
                                       build.ReferencedFiles, build.CreatedAlbumFolder, album_list);
  build.Commands.btnPreviewLocalEnabled = false;
  build.Commands.btnCalculateSizeEnabled = false;
  build.Commands.btnDeletePagesEnabled = false;
  // The upload would only name pages that are gone.
  build.Commands.btnUploadEnabled = false;
  return deleted;
}

}  // namespace pictavo
