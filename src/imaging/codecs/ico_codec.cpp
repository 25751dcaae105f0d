// ICO and CUR: the largest entry of the directory (then the deepest), stored
// as a DIB (with its AND mask as transparency) or as a PNG. Written as one
// 32-bit DIB entry, or as one PNG entry when a side exceeds 256 pixels.
#include <algorithm>
#include <cstring>

#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/formats.h"

namespace pictavo::codecs {

namespace {

struct TIconEntry {
  int width = 0, height = 0, bits = 0;
  uint32_t size = 0, offset = 0;
};

// type 1 (icon) or 2 (cursor); 0 accepts either, as some writers put 1 in
// cursor files.
bool MatchesIcon(TBytes bytes, int type) {
  if (bytes.size() < 22) return false;
  TByteReader r(bytes);
  const uint16_t reserved = r.u16le();
  const uint16_t kind = r.u16le();
  const uint16_t count = r.u16le();
  if (reserved != 0 || count == 0) return false;
  if (type == 0 ? (kind != 1 && kind != 2) : kind != type) return false;
  const uint8_t entry_reserved = bytes[9];
  return entry_reserved == 0 || entry_reserved == 255;
}

bool MatchesIco(TBytes bytes) {
  return MatchesIcon(bytes, 1);
}
bool MatchesCur(TBytes bytes) {
  return MatchesIcon(bytes, 2);
}

std::optional<TIconEntry> LargestEntry(TBytes bytes) {
  TByteReader r(bytes, 4);
  const int count = r.u16le();
  std::optional<TIconEntry> best;
  for (int i = 0; i < count && r.has(16); ++i) {
    TIconEntry e;
    e.width = r.u8();
    e.height = r.u8();
    if (e.width == 0) e.width = 256;
    if (e.height == 0) e.height = 256;
    r.skip(4);           // colour count, reserved, planes or hot spot x
    e.bits = r.u16le();  // bit count (ICO) or hot spot y (CUR)
    e.size = r.u32le();
    e.offset = r.u32le();
    if (e.offset >= bytes.size() || e.size == 0) continue;
    // The size field lies sometimes; the entry ends at the end of the file.
    if (e.size > bytes.size() - e.offset) e.size = static_cast<uint32_t>(bytes.size() - e.offset);
    const int64_t area = static_cast<int64_t>(e.width) * e.height;
    const int64_t best_area = best ? static_cast<int64_t>(best->width) * best->height : -1;
    if (!best || area > best_area || (area == best_area && e.bits > best->bits)) best = e;
  }
  return best;
}

bool IsPng(TBytes data) {
  static const uint8_t sig[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  return data.size() >= 8 && std::memcmp(data.data(), sig, 8) == 0;
}

std::optional<TImageHeader> ReadIconHeader(TBytes bytes, TImageFileType type) {
  if (!MatchesIcon(bytes, 0)) return std::nullopt;
  std::optional<TIconEntry> e = LargestEntry(bytes);
  if (!e) return std::nullopt;
  TBytes data = bytes.subspan(e->offset, e->size);
  TImageHeader h;
  h.type = type;
  if (IsPng(data)) {
    std::optional<TImageHeader> png = PngFormat().read_header(data);
    if (!png) return std::nullopt;
    h = *png;
    h.type = type;
    return h;
  }
  std::optional<TDibInfo> dib = ReadDibInfo(data, true);
  if (!dib) return std::nullopt;
  h.width = dib->width;
  h.height = dib->height / 2;
  h.bits_per_sample = dib->bit_count <= 8 ? dib->bit_count : 8;
  h.samples_per_pixel = dib->bit_count <= 8 ? 1 : dib->bit_count == 32 ? 4 : 3;
  if (h.height <= 0) return std::nullopt;
  return h;
}

std::optional<TImageHeader> ReadIcoHeader(TBytes bytes) {
  return ReadIconHeader(bytes, iftIco);
}
std::optional<TImageHeader> ReadCurHeader(TBytes bytes) {
  return ReadIconHeader(bytes, iftCur);
}

TRaster DecodeIcon(TBytes bytes, const TDecodeOptions& options, TImageHeader& header,
                   TImageFileType type) {
  const char* name = type == iftIco ? "ICO" : "CUR";
  if (!MatchesIcon(bytes, 0)) ThrowCodecError(options, name, "no icon directory");
  std::optional<TIconEntry> e = LargestEntry(bytes);
  if (!e) ThrowCodecError(options, name, "no usable entry");
  TBytes data = bytes.subspan(e->offset, e->size);
  if (IsPng(data)) {
    TRaster raster = PngFormat().decode(data, options, header);
    header.type = type;
    return raster;
  }
  std::optional<TDibInfo> dib = ReadDibInfo(data, true);
  if (!dib || dib->height < 2) ThrowCodecError(options, name, "damaged entry");
  dib->height /= 2;  // the stored height counts the AND mask too
  header = *ReadIconHeader(bytes, type);
  const size_t pixels =
      dib->palette_offset + static_cast<size_t>(dib->palette_count) * dib->palette_entry_size;
  TRgbaBuffer rgba = DecodeDib(data, *dib, pixels, true, options, name);
  return ComposeOnto(rgba, options.background, false);
}

TRaster DecodeIco(TBytes bytes, const TDecodeOptions& options, TImageHeader& header) {
  return DecodeIcon(bytes, options, header, iftIco);
}
TRaster DecodeCur(TBytes bytes, const TDecodeOptions& options, TImageHeader& header) {
  return DecodeIcon(bytes, options, header, iftCur);
}

std::vector<uint8_t> EncodeIcon(const TRaster& raster, const TEncodeOptions& options, int type) {
  const bool large = raster.width > 256 || raster.height > 256;
  std::vector<uint8_t> data =
      large ? PngFormat().encode(raster, TEncodeOptions{}) : EncodeDib(raster, options, true);
  std::vector<uint8_t> out;
  PutU16le(out, 0);
  PutU16le(out, static_cast<uint32_t>(type));
  PutU16le(out, 1);
  out.push_back(static_cast<uint8_t>(raster.width >= 256 ? 0 : raster.width));
  out.push_back(static_cast<uint8_t>(raster.height >= 256 ? 0 : raster.height));
  out.push_back(0);
  out.push_back(0);
  PutU16le(out, type == 1 ? 1 : 0);   // planes, or hot spot x
  PutU16le(out, type == 1 ? 32 : 0);  // bit count, or hot spot y
  PutU32le(out, static_cast<uint32_t>(data.size()));
  PutU32le(out, 22);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

std::vector<uint8_t> EncodeIco(const TRaster& raster, const TEncodeOptions& options) {
  return EncodeIcon(raster, options, 1);
}
std::vector<uint8_t> EncodeCur(const TRaster& raster, const TEncodeOptions& options) {
  return EncodeIcon(raster, options, 2);
}

}  // namespace

const TCodecFormat& IcoFormat() {
  static const TCodecFormat format{iftIco, "ICO", MatchesIco, ReadIcoHeader, DecodeIco, EncodeIco};
  return format;
}

const TCodecFormat& CurFormat() {
  static const TCodecFormat format{iftCur, "CUR", MatchesCur, ReadCurHeader, DecodeCur, EncodeCur};
  return format;
}

}  // namespace pictavo::codecs
