#pragma once
// Picture codecs: one reader and writer per file format behind one interface.
//
// Every decoder takes the whole file as a byte span (so tests and fuzzers feed
// memory), checks the format's magic bytes, reads the header and checks the
// picture's size against the limits of TDecodeOptions before it allocates any
// pixels. Decoded pictures are 8-bit RGB (TRaster); transparent areas (PNG,
// ICO, CUR, TGA, TIFF, 32-bit BMP) are composed onto TDecodeOptions::background.
//
// Errors: DecodeImage and EncodeImage throw ECodec (derived from EPictavo).
// Its message names the file (TDecodeOptions::file_name, when given) and the
// fault ("beach.jpg: JPEG: premature end of data"); the converter turns any
// ECodec from a decoder into its own ": file corrupted or format not
// supported" report. ReadImageHeader never throws: an unreadable header is
// std::nullopt.
//
// Size limit: a picture whose header declares more than max_pixels pixels
// (width x height, default 100 megapixels) or a side longer than max_side
// (default 65535) is refused before any pixel memory is allocated.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imaging/raster.h"
#include "pictures/image_info.h"
#include "platform/errors.h"

namespace pictavo {

// A picture that cannot be decoded or encoded.
class ECodec : public EPictavo {
 public:
  explicit ECodec(const std::string& message) : EPictavo(message) {}
};

inline constexpr int64_t kDefaultMaxPixels = 100'000'000;  // 100 megapixels
inline constexpr int kDefaultMaxSide = 65535;

struct TDecodeOptions {
  // Colour that transparent and uncovered areas are composed onto (the
  // converter's Background, white by default).
  TRgb background{255, 255, 255};
  // Size the caller will reduce the picture to; 0 x 0 means full size (a
  // side of 0 does not constrain). A JPEG at least about four times as large
  // as this in both dimensions is decoded at a reduced DCT scale (1/2, 1/4 or
  // 1/8): the smallest scale whose result (sides rounded up, as libjpeg does)
  // is still at least twice target_width x target_height. The DCT scaling is
  // a coarse block reduction, so the last factor of two is left to the
  // resampler's filter. The result then is smaller than the picture: callers
  // resample from the raster's own size. Other formats ignore it. (A caller
  // that turns the picture by 90 degrees afterwards swaps the target's sides
  // itself.)
  int target_width = 0;
  int target_height = 0;
  // Pictures over these limits are refused (ECodec) before allocating.
  int64_t max_pixels = kDefaultMaxPixels;
  int max_side = kDefaultMaxSide;
  // Named in error messages; empty gives messages without a file name.
  std::string file_name;
};

// What a header tells without decoding pixels.
struct TImageHeader {
  TImageFileType type = iftUnknown;
  int width = 0;  // of the stored picture (JPEG: before any DCT scaling)
  int height = 0;
  int bits_per_sample = 8;    // 1, 2, 4, 8 or 16
  int samples_per_pixel = 3;  // 1 grey/palette, 2 grey+alpha, 3 RGB, 4 RGBA/CMYK
};

// An extra JPEG marker segment: APP0..APP15 (0xE0..0xEF) or COM (0xFE), its
// payload without marker and length bytes.
struct TJpegMarker {
  int code = 0;
  std::string data;
  bool operator==(const TJpegMarker&) const = default;
};

struct TEncodeOptions {
  // JPEG quality 1..100 (values outside are clamped). JPEG 2000 uses it as
  // its rate: quality 100 is lossless, lower values give a compression ratio
  // of 100 / quality (quality 80 -> 1.25:1 ... quality 1 -> 100:1) applied to
  // the 24-bit picture.
  int quality = 80;
  // Depth of the source, kept where the format can hold it: 1 sample writes
  // grey (JPEG, PNG, TIFF, PNM, JPEG 2000, BMP as an 8-bit grey palette);
  // 1 bit per sample with 1 sample writes black and white (PBM "P4", BMP,
  // TIFF, PNG). WBMP is always 1 bit. Anything else writes 8-bit RGB.
  int bits_per_sample = 8;
  int samples_per_pixel = 3;
  // Marker segments a JPEG writer writes after its JFIF header, in order
  // (e.g. the source's EXIF APP1 from ReadJpegMarkers). Ignored by the other
  // formats.
  std::vector<TJpegMarker> jpeg_markers;
};

// The formats with a decoder and an encoder here. GIF has a header reader
// only (GIF sources are copied, never converted); WMF and EMF have header
// readers only (no Debian library renders them well enough, so they report
// themselves as not decodable).
bool CanDecode(TImageFileType type);
bool CanEncode(TImageFileType type);

// The format that the first bytes show, or iftUnknown. JPEG 2000 gives iftJp2
// for the boxed file and iftJ2k for a bare code stream; the portable
// bitmap/greymap/pixmap family gives iftPxm.
TImageFileType DetectImageType(std::span<const uint8_t> bytes);

// Width, height and depth from the header of the given type, or nullopt when
// the bytes are not that format or the header is damaged. With iftUnknown the
// type is detected from the bytes first. Never throws, never decodes pixels.
std::optional<TImageHeader> ReadImageHeader(std::span<const uint8_t> bytes, TImageFileType type);

// Decodes a whole picture. type is the type the file name claims; when the
// bytes are plainly another decodable format (a PNG named ".jpg") that format
// is decoded instead. header, when given, receives the stored picture's
// header (its original size and depth, before DCT scaling). Throws ECodec.
TRaster DecodeImage(std::span<const uint8_t> bytes, TImageFileType type,
                    const TDecodeOptions& options = {}, TImageHeader* header = nullptr);

// Encodes a picture in the given format. Throws ECodec for a format without
// an encoder or an empty raster.
std::vector<uint8_t> EncodeImage(const TRaster& raster, TImageFileType type,
                                 const TEncodeOptions& options = {});

// File helpers: read the file (ECodec naming the file when it cannot be read)
// and decode it; encode (ECodec naming the file) and write through
// WriteFileAtomic (EPictavo when the file cannot be written).
TRaster LoadImageFile(const std::string& path, TImageFileType type, TDecodeOptions options = {},
                      TImageHeader* header = nullptr);
void SaveImageFile(const std::string& path, const TRaster& raster, TImageFileType type,
                   const TEncodeOptions& options = {});

// ---- JPEG specifics ---------------------------------------------------------

// The extra marker segments of a JPEG (APPn except the JFIF APP0 and the
// Adobe APP14, which the encoder writes itself when needed, and COM), in file
// order, up to the start of scan. Empty when the bytes are not a JPEG.
std::vector<TJpegMarker> ReadJpegMarkers(std::span<const uint8_t> bytes);

// The payload of the first EXIF APP1 segment (starting with "Exif\0\0"), for
// libexif's exif_data_new_from_data; nullopt when there is none.
std::optional<std::string> ReadJpegExif(std::span<const uint8_t> bytes);

// Lossless JPEG transforms (no recompression).
enum class TJpegTransform {
  None,
  Rotate90,  // clockwise
  Rotate180,
  Rotate270,  // clockwise (90 anticlockwise)
  FlipHorizontal,
  FlipVertical,
  Transpose,
  Transverse,
};

// Transforms a JPEG without recompressing it; all markers are copied. Partial
// MCU blocks at the edges that would land on the wrong side are trimmed
// (TJXOPT_TRIM), so the result may be up to 15 pixels narrower or lower than
// the source in the dimension that moves; this is what lossless turns can do.
// With TJpegTransform::None the bytes are returned unchanged. Pictures over
// max_pixels (or a side over kDefaultMaxSide) are refused. Throws ECodec,
// naming file_name.
std::vector<uint8_t> TransformJpeg(std::span<const uint8_t> bytes, TJpegTransform transform,
                                   const std::string& file_name = {},
                                   int64_t max_pixels = kDefaultMaxPixels);

// The DCT scale denominator (1, 2, 4 or 8) that DecodeImage uses for a
// width x height JPEG with the given target size.
int JpegScaleDenominator(int width, int height, int target_width, int target_height);

}  // namespace pictavo
