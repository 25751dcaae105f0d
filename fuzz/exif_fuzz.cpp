// EXIF blocks and the JPEG segments that carry them: parsing through libexif,
// and setting the orientation in place.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/exif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 256 * 1024) return 0;
  std::span<const uint8_t> bytes(data, size);
  // As a bare APP1 payload.
  pictavo::TExifInfo info = pictavo::ParseExif(bytes);
  (void)info;
  std::string block(reinterpret_cast<const char*>(data), size);
  pictavo::SetExifOrientation(block, 1);
  // As a JPEG file.
  pictavo::TExifInfo jpeg_info = pictavo::ReadJpegExifInfo(bytes);
  (void)jpeg_info;
  std::vector<uint8_t> jpeg(data, data + size);
  pictavo::SetJpegExifOrientation(jpeg, 1);
  std::time_t t;
  pictavo::ExifDateToTime(block, t);
  return 0;
}
