#pragma once
// The picture record: one picture of the album, one row of the picture list.
#include <cstdint>
#include <ctime>
#include <string>

namespace pictavo {

// Sort index base of excluded rows: they always sort after the included ones
// in the custom order.
inline constexpr int kExcludedSortIndex = 1073741823;

struct TPictureItem {
  int fldSortIndex = 0;         // position in the user's own ("custom") order
  std::string fldPathName;      // folder with trailing "/" (manual mode or subfolders), else ""
  std::string fldFileName;      // name without folder and extension (before the last dot)
  std::string fldFileType;      // extension without the dot, lower case
  std::time_t fldFileDate = 0;  // last-write time; 0 when the file is missing
  int64_t fldFileSize = -1;     // bytes; -1 when the file is missing
  int fldImageWidth = -1;       // pixels; -1 when unknown
  int fldImageHeight = -1;      // pixels; -1 when unknown
  std::string fldDescription;   // as the grid shows it (line breaks as "<br>")
  std::string fldFullName;      // path as listed or added: the key to picture and description
  int fldIndex = 0;             // fill number from 1; negative while the picture is excluded

  bool Included() const { return fldIndex > 0; }
};

// The record's fields as grid columns, in record order.
enum class TPictureField {
  SortIndex,
  PathName,
  FileName,
  FileType,
  FileDate,
  FileSize,
  ImageWidth,
  ImageHeight,
  Description,
  FullName,
  Index,
};

// Column title of a field ("Sort Index", "Path Name" ...).
const char* PictureFieldCaption(TPictureField field);
// True for the integer and date fields (compared numerically, right-aligned).
bool IsNumericPictureField(TPictureField field);
// The cell text the grid shows: dates as "yyyy/mm/dd" (local time, empty for a
// missing file), -1 sizes and dimensions as the empty text.
std::string PictureCellText(const TPictureItem& item, TPictureField field);

}  // namespace pictavo
