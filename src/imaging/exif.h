#pragma once
// EXIF tags of a picture (read through libexif) and the one change the
// converter makes to kept EXIF data: the orientation set to 1.
#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>

namespace pictavo {

struct TExifInfo {
  bool present = false;  // an EXIF block was found and parsed
  std::string
      date_time_original;  // Sets the orientation in the first EXIF APP1 segment of JPEG bytes, in
  // place; false when there is none or it has no orientation tag.
  bool SetJpegExifOrientation(std::span<uint8_t> jpeg, int orientation);

  // "yyyy:mm:dd hh:nn:ss" as stored; "" when missing
  double exposure_time = 0;  // seconds; 0 when missing
  double f_number = 0;       // 0 when missing
  int orientation = 1;       // 1..8; 1 when missing or out of range
};

// Parses an EXIF block: the APP1 payload starting with "Exif\0\0" (or a bare
// TIFF structure). Malformed data gives present = false or missing tags.
TExifInfo ParseExif(std::span<const uint8_t> block);
// EXIF of a JPEG file's bytes (its first EXIF APP1 segment).
TExifInfo ReadJpegExifInfo(std::span<const uint8_t> jpeg);
// EXIF of a picture file; only JPEG files carry EXIF here. Reads at most the
// file's first 256 KB; an unreadable file gives present = false.
TExifInfo ReadExifFile(const std::string& path);

// Sets the orientation tag of IFD0 in an EXIF APP1 payload (in place, all
// other bytes unchanged). Returns false when the block has no orientation tag
// or is malformed (the block is then left as it was).
bool SetExifOrientation(std::string& block, int orientation);

// Sets the orientation in the first EXIF APP1 segment of JPEG bytes, in
// place; false when there is none or it has no orientation tag.
bool SetJpegExifOrientation(std::span<uint8_t> jpeg, int orientation);

// "yyyy:mm:dd hh:nn:ss" as a local time; false when it cannot be read.
bool ExifDateToTime(std::string_view text, std::time_t& out);

}  // namespace pictavo
