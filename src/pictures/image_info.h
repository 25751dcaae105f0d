#pragma once
// The image header reader: file size, type and pixel size of a picture, read
// from a few header bytes without decoding any pixels.
#include <cstdint>
#include <span>
#include <string>

#include "pictures/byte_source.h"

namespace pictavo {

// Image file type codes, shared by the header reader and the converter.
enum TImageFileType : int {
  iftUnknown = 0,
  iftTiff = 1,
  iftGif = 2,
  iftJpeg = 3,
  iftPcx = 4,
  iftBmp = 5,
  iftIco = 6,
  iftCur = 7,
  iftPng = 8,
  iftWmf = 9,
  iftEmf = 10,
  iftTga = 11,
  iftPxm = 12,
  iftJp2 = 13,
  iftJ2k = 14,
  iftWbmp = 16,
};

struct TImageInfo {
  bool valid = false;                     // width and height were read from the file
  TImageFileType file_type = iftUnknown;  // from the extension
  uint8_t reserved[8] = {};
  int64_t file_size = 0;  // -1 when the file does not exist
  int32_t width = 0;
  int32_t height = 0;
  std::string reserved_text[6];
};

// Type code from the file name's extension (compared in lower case).
TImageFileType ImageTypeFromExt(const std::string& file_name);

// Fills info for the file. Throws EPictavo when a GIF, JPEG, BMP or PNG file
// exists but cannot be opened; every other failure leaves valid false.
// A JPEG whose EXIF orientation turns it by 90 degrees (5 to 8) reports its
// displayed size, width and height swapped.
void GetImageInfo(const std::string& file_name, TImageInfo& info);

// GetImageInfo for bytes in memory: the file type is given, the file size is
// the number of bytes. Serves tests and fuzzing; reads exactly as for a file.
void GetImageInfoFromBytes(std::span<const uint8_t> bytes, TImageFileType type, TImageInfo& info);

// Reads width and height from the source by info.file_type (already set, as
// is info.file_size) and sets valid when both were read.
void ReadImageDimensions(TByteSource& source, TImageInfo& info);

// A picture's parameters read from its header alone, its format detected from
// its content (never from a name): TIFF, GIF, JPEG, BMP, PNG, PCX, ICO, CUR,
// WMF (placeable), EMF, TGA, PBM/PGM/PPM, JP2, J2K/JPC and WBMP.
struct TImageParams {
  TImageFileType format = iftUnknown;  // iftUnknown: not a format that can be read
  int32_t width = 0;                   // both positive when format is known
  int32_t height = 0;
};
TImageParams ReadImageParameters(TByteSource& source);

}  // namespace pictavo
