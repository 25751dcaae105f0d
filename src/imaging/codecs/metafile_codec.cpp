// WMF and EMF: headers only. No library of this system renders metafiles
// well enough for a picture album, so they are not decoded; their size comes
// from the placeable WMF header (its bounding box at its units per inch,
// taken at 96 pixels per inch) and from the EMF header's device bounds.
#include <algorithm>
#include <cmath>

#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/formats.h"

namespace pictavo::codecs {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

bool MatchesWmf(TBytes bytes) {
  TByteReader r(bytes);
  if (r.u32le() == kPlaceableKey && r.ok()) return true;
  // A bare metafile header: type 1 (memory) or 2 (disk), header size 9 words.
  TByteReader s(bytes);
  const uint16_t type = s.u16le();
  const uint16_t size = s.u16le();
  const uint16_t version = s.u16le();
  return s.ok() && (type == 1 || type == 2) && size == 9 &&
         (version == 0x0100 || version == 0x0300);
}

std::optional<TImageHeader> ReadWmfHeader(TBytes bytes) {
  TByteReader r(bytes);
  if (r.u32le() != kPlaceableKey) return std::nullopt;
  r.skip(2);  // handle
  const int left = r.i16le(), top = r.i16le(), right = r.i16le(), bottom = r.i16le();
  const int inch = r.u16le();
  if (!r.ok() || inch == 0) return std::nullopt;
  TImageHeader h;
  h.type = iftWmf;
  h.width = static_cast<int>(std::nearbyint(std::abs(right - left) * 96.0 / inch));
  h.height = static_cast<int>(std::nearbyint(std::abs(bottom - top) * 96.0 / inch));
  if (h.width <= 0 || h.height <= 0) return std::nullopt;
  return h;
}

bool MatchesEmf(TBytes bytes) {
  TByteReader r(bytes);
  const uint32_t type = r.u32le();
  r.seek(40);
  const uint32_t signature = r.u32le();
  return r.ok() && type == 1 && signature == 0x464D4520;  // " EMF"
}

std::optional<TImageHeader> ReadEmfHeader(TBytes bytes) {
  if (!MatchesEmf(bytes)) return std::nullopt;
  TByteReader r(bytes, 8);
  const int64_t left = r.i32le(), top = r.i32le(), right = r.i32le(), bottom = r.i32le();
  const int64_t w = right - left + 1, h = bottom - top + 1;
  if (!r.ok() || w <= 0 || h <= 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return std::nullopt;
  TImageHeader header;
  header.type = iftEmf;
  header.width = static_cast<int>(w);
  header.height = static_cast<int>(h);
  return header;
}

}  // namespace

const TCodecFormat& WmfFormat() {
  static const TCodecFormat format{iftWmf, "WMF", MatchesWmf, ReadWmfHeader};
  return format;
}

const TCodecFormat& EmfFormat() {
  static const TCodecFormat format{iftEmf, "EMF", MatchesEmf, ReadEmfHeader};
  return format;
}

}  // namespace pictavo::codecs
