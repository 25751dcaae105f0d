#include "pictures/image_info.h"

#include <sys/stat.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <fmt/format.h>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/paths.h"

namespace pictavo {

namespace {

constexpr int32_t kMaxDimension = std::numeric_limits<int32_t>::max();

// Sets width and height when both are positive and fit 32 bits.
bool SetSize(int64_t w, int64_t h, int32_t& width, int32_t& height) {
  if (w <= 0 || h <= 0 || w > kMaxDimension || h > kMaxDimension) return false;
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
  return true;
}

bool Matches(const uint8_t* bytes, const char* magic, size_t n) {
  return std::memcmp(bytes, magic, n) == 0;
}

uint32_t U32At(const uint8_t* b, bool little_endian) {
  return little_endian
             ? (uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24)
             : (uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]));
}

uint16_t U16At(const uint8_t* b, bool little_endian) {
  return little_endian ? static_cast<uint16_t>(b[0] | b[1] << 8)
                       : static_cast<uint16_t>(b[0] << 8 | b[1]);
}

// ---- The four common web formats, read exactly from their fixed fields ----

// The first image's size, not the logical screen's.
bool ReadGif(TByteReader& r, int32_t& width, int32_t& height) {
  if (r.size() <= 20) return false;
  std::array<uint8_t, 13> header{};
  r.Read(header);
  uint8_t flags = header[10];
  if (flags & 0x80) r.Skip(3 * (1 << ((flags & 7) + 1)));  // global colour table
  for (;;) {
    uint8_t b = r.Byte();
    if (r.eof()) return false;
    if (b == 0x2C) {  // image separator: left, top, width, height
      r.Skip(4);
      uint16_t w = r.U16LE();
      uint16_t h = r.U16LE();
      if (r.eof()) return false;
      width = w;
      height = h;
      return true;
    }
    if (b != 0x21) return false;
    uint8_t label = r.Byte();
    if (label == 0xF9) {  // graphic control extension and its terminator
      r.Skip(r.Byte());
      uint8_t n = r.Byte();
      if (n != 0) r.Skip(n);
    } else {
      // Data sub-blocks up to the zero-length one; past the end reads give 0.
      for (uint8_t n = r.Byte(); n != 0; n = r.Byte()) r.Skip(n);
    }
  }
}

bool IsFrameMarker(uint8_t code) {
  return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

// Walks the single-valued SHORT and LONG entries of the first IFD of a TIFF
// structure that starts at base (classic and BigTIFF, both byte orders) and
// calls on_entry(tag, value) for each; entries at or past limit are not read.
// False when the header is not TIFF.
template <class OnEntry>
bool WalkFirstIfd(TByteReader& r, int64_t base, int64_t limit, OnEntry&& on_entry) {
  r.Seek(base);
  std::array<uint8_t, 16> head{};
  r.Read(head);
  bool le;
  if (head[0] == 'I' && head[1] == 'I')
    le = true;
  else if (head[0] == 'M' && head[1] == 'M')
    le = false;
  else
    return false;
  uint16_t version = U16At(&head[2], le);
  if (version == 42) {
    if (limit - base < 8) return false;
    r.Seek(base + U32At(&head[4], le));
    std::array<uint8_t, 2> count_bytes{};
    r.Read(count_bytes);
    uint16_t count = U16At(count_bytes.data(), le);
    for (uint16_t i = 0; i < count && r.pos() <= limit - 12; ++i) {
      std::array<uint8_t, 12> e{};
      r.Read(e);
      if (r.eof()) return true;
      uint16_t tag = U16At(&e[0], le);
      uint16_t type = U16At(&e[2], le);
      uint32_t n = U32At(&e[4], le);
      if (n != 1) continue;
      if (type == 3) on_entry(tag, U16At(&e[8], le));
      if (type == 4) on_entry(tag, U32At(&e[8], le));
    }
    return true;
  }
  if (version == 43) {  // BigTIFF: 8-byte offsets, 20-byte entries
    if (limit - base < 16 || U16At(&head[4], le) != 8) return false;
    uint64_t offset = le ? (uint64_t(U32At(&head[12], le)) << 32 | U32At(&head[8], le))
                         : (uint64_t(U32At(&head[8], le)) << 32 | U32At(&head[12], le));
    if (offset > static_cast<uint64_t>(limit - base)) return true;
    r.Seek(base + static_cast<int64_t>(offset));
    std::array<uint8_t, 8> count_bytes{};
    r.Read(count_bytes);
    uint64_t high_count = le ? U32At(&count_bytes[4], le) : U32At(&count_bytes[0], le);
    uint64_t count =
        high_count != 0 ? 65536 : (le ? U32At(&count_bytes[0], le) : U32At(&count_bytes[4], le));
    count = std::min<uint64_t>(count, 65536);
    for (uint64_t i = 0; i < count && r.pos() <= limit - 20; ++i) {
      std::array<uint8_t, 20> e{};
      r.Read(e);
      if (r.eof()) return true;
      uint16_t tag = U16At(&e[0], le);
      uint16_t type = U16At(&e[2], le);
      uint32_t n_low = le ? U32At(&e[4], le) : U32At(&e[8], le);
      uint32_t n_high = le ? U32At(&e[8], le) : U32At(&e[4], le);
      if (n_low != 1 || n_high != 0) continue;
      if (type == 3) on_entry(tag, U16At(&e[12], le));
      if (type == 4) on_entry(tag, U32At(&e[12], le));
      if (type == 16) {  // LONG8: only values that fit 32 bits matter here
        uint32_t high = le ? U32At(&e[16], le) : U32At(&e[12], le);
        if (high == 0) on_entry(tag, le ? U32At(&e[12], le) : U32At(&e[16], le));
      }
    }
    return true;
  }
  return false;
}

bool ReadJpeg(TByteReader& r, int32_t& width, int32_t& height) {
  constexpr int64_t kExifReadLimit = 64 * 1024;
  if (r.Byte() != 0xFF || r.Byte() != 0xD8) return false;
  int orientation = 0;  // 0: no EXIF segment seen yet
  for (;;) {
    uint8_t code = r.Byte();
    while (code != 0xFF && !r.eof()) code = r.Byte();
    code = r.Byte();
    while (code == 0xFF && !r.eof()) code = r.Byte();
    if (r.eof()) return false;
    if (IsFrameMarker(code)) {
      r.Skip(3);  // segment length, sample precision
      uint16_t h = r.U16BE();
      uint16_t w = r.U16BE();
      r.Byte();  // component count
      if (r.eof()) return false;
      width = w;
      height = h;
      // The picture is shown turned by 90 degrees: report what is shown.
      if (orientation >= 5 && orientation <= 8) std::swap(width, height);
      return true;
    }
    if (code == 0xD9 || code == 0xDA) return false;
    uint16_t length = r.U16BE();
    if (r.eof()) return false;
    int64_t rest = length >= 2 ? length - 2 : 0;
    if (code == 0xE1 && orientation == 0) {
      // An EXIF segment: only its first directory is read, within the first
      // 64 KiB of the segment; the rest is skipped like any segment.
      int64_t start = r.pos();
      std::array<uint8_t, 6> id{};
      if (rest >= 6) r.Read(id);
      if (Matches(id.data(), "Exif\0\0", 6)) {
        orientation = 1;
        WalkFirstIfd(r, start + 6, start + std::min(rest, kExifReadLimit),
                     [&](uint16_t tag, uint32_t value) {
                       if (tag == 0x0112) orientation = static_cast<int>(std::min(value, 9u));
                     });
      }
      r.Seek(start + rest);
    } else {
      r.Skip(rest);
    }
  }
}

bool ReadBmp(TByteReader& r, int32_t& width, int32_t& height) {
  if (r.size() < 54) return false;
  std::array<uint8_t, 54> header{};
  r.Read(header);
  if (r.eof()) return false;
  // The bitmap information header's fields; a top-down bitmap keeps its
  // negative height.
  width = static_cast<int32_t>(U32At(&header[18], true));
  height = static_cast<int32_t>(U32At(&header[22], true));
  return true;
}

constexpr uint8_t kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

bool ReadPng(TByteReader& r, int32_t& width, int32_t& height) {
  if (r.size() < 33) return false;
  std::array<uint8_t, 33> header{};
  r.Read(header);
  if (r.eof() || std::memcmp(header.data(), kPngSignature, 8) != 0) return false;
  width = static_cast<int32_t>(U32At(&header[16], false));
  height = static_cast<int32_t>(U32At(&header[20], false));
  return true;
}

// ---- Formats detected from their content ----

bool ParamsTiff(TByteReader& r, TImageParams& p) {
  int64_t w = 0, h = 0;
  if (!WalkFirstIfd(r, 0, r.size(), [&](uint16_t tag, uint32_t value) {
        if (tag == 256) w = value;
        if (tag == 257) h = value;
      }))
    return false;
  return SetSize(w, h, p.width, p.height);
}

bool ParamsBmp(TByteReader& r, TImageParams& p) {
  std::array<uint8_t, 26> h{};
  r.Seek(0);
  r.Read(h);
  uint32_t header_size = U32At(&h[14], true);
  if (header_size == 12)
    return SetSize(U16At(&h[18], true), U16At(&h[20], true), p.width, p.height);
  if (header_size < 16 || header_size > 4096) return false;
  int64_t height = static_cast<int32_t>(U32At(&h[22], true));
  return SetSize(static_cast<int32_t>(U32At(&h[18], true)), height < 0 ? -height : height, p.width,
                 p.height);
}

bool ParamsPng(TByteReader& r, TImageParams& p) {
  std::array<uint8_t, 24> h{};
  r.Seek(0);
  r.Read(h);
  if (r.eof() || !Matches(&h[12], "IHDR", 4)) return false;
  return SetSize(U32At(&h[16], false), U32At(&h[20], false), p.width, p.height);
}

bool ParamsPcx(const uint8_t* h, int64_t size, TImageParams& p) {
  if (size < 128) return false;
  if (h[1] != 0 && (h[1] < 2 || h[1] > 5)) return false;  // version
  if (h[2] > 1) return false;                             // encoding
  if (h[3] != 1 && h[3] != 2 && h[3] != 4 && h[3] != 8) return false;
  int64_t x_min = U16At(&h[4], true), y_min = U16At(&h[6], true);
  int64_t x_max = U16At(&h[8], true), y_max = U16At(&h[10], true);
  if (h[65] < 1 || h[65] > 4) return false;  // colour planes
  return SetSize(x_max - x_min + 1, y_max - y_min + 1, p.width, p.height);
}

// Icons and cursors: the first directory entry; 0 stands for 256.
bool ParamsIcon(const uint8_t* h, int64_t size, TImageParams& p) {
  uint16_t count = U16At(&h[4], true);
  if (count == 0 || size < 6 + 16 * int64_t{count}) return false;
  uint32_t bytes = U32At(&h[14], true);
  uint32_t offset = U32At(&h[18], true);
  if (bytes == 0 || offset < 6 + 16 * uint32_t{count} || offset >= size) return false;
  p.format = U16At(&h[2], true) == 1 ? iftIco : iftCur;
  return SetSize(h[6] == 0 ? 256 : h[6], h[7] == 0 ? 256 : h[7], p.width, p.height);
}

// Placeable metafile header: the bounding box in metafile units and the
// units per inch; the size is given in pixels at 96 dots per inch.
bool ParamsWmf(const uint8_t* h, TImageParams& p) {
  auto i16 = [&](int at) { return static_cast<int16_t>(U16At(&h[at], true)); };
  uint16_t inch = U16At(&h[14], true);
  if (inch == 0) return false;
  double w = std::abs(int32_t{i16(10)} - i16(6)) * 96.0 / inch;
  double hh = std::abs(int32_t{i16(12)} - i16(8)) * 96.0 / inch;
  return SetSize(static_cast<int64_t>(std::nearbyint(w)), static_cast<int64_t>(std::nearbyint(hh)),
                 p.width, p.height);
}

// Enhanced metafile header: the bounds rectangle in device pixels, inclusive.
bool ParamsEmf(const uint8_t* h, TImageParams& p) {
  auto i32 = [&](int at) { return int64_t{static_cast<int32_t>(U32At(&h[at], true))}; };
  if (U32At(&h[4], true) < 88) return false;  // header record size
  return SetSize(i32(16) - i32(8) + 1, i32(20) - i32(12) + 1, p.width, p.height);
}

// P1 to P6: width and height as decimal numbers after the magic, separated by
// whitespace and "#" comments that run to the end of the line.
bool ParamsPnm(TByteReader& r, TImageParams& p) {
  auto is_space = [](uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
  };
  r.Seek(2);
  int64_t values[2] = {0, 0};
  for (auto& value : values) {
    uint8_t c = r.Byte();
    bool separated = false;
    for (;;) {
      if (r.eof()) return false;
      if (c == '#') {
        while (c != '\n' && c != '\r' && !r.eof()) c = r.Byte();
      } else if (!is_space(c)) {
        break;
      }
      separated = true;
      c = r.Byte();
    }
    if (!separated || c < '0' || c > '9') return false;
    int digits = 0;
    while (c >= '0' && c <= '9' && !r.eof()) {
      if (++digits > 10) return false;
      value = value * 10 + (c - '0');
      c = r.Byte();
    }
    // A number ends at whitespace, a comment or the end of the file.
    if (!r.eof() && c != '#' && !is_space(c)) return false;
    r.Seek(r.pos() - (r.eof() ? 0 : 1));
  }
  return SetSize(values[0], values[1], p.width, p.height);
}

// JPEG 2000 file: signature box, file type box, then the header super box
// with its image header box (height before width).
bool ParamsJp2(TByteReader& r, TImageParams& p) {
  const uint32_t kFtyp = 0x66747970, kJp2h = 0x6A703268, kIhdr = 0x69686472;
  // Reads a box header at pos; its end (to the end of the file when its
  // length is 0); false when the length is impossible.
  auto box = [&](int64_t pos, int64_t limit, uint32_t& type, int64_t& body, int64_t& end) {
    r.Seek(pos);
    uint64_t length = r.U32BE();
    type = r.U32BE();
    body = pos + 8;
    if (length == 1) {
      length = r.U64BE();
      body = pos + 16;
    } else if (length == 0) {
      length = static_cast<uint64_t>(limit - pos);
    }
    if (r.eof() || length < static_cast<uint64_t>(body - pos) ||
        length > static_cast<uint64_t>(limit - pos))
      return false;
    end = pos + static_cast<int64_t>(length);
    return true;
  };
  uint32_t type;
  int64_t body, end;
  if (!box(12, r.size(), type, body, end) || type != kFtyp) return false;
  for (int boxes = 0; boxes < 256 && end < r.size(); ++boxes) {
    if (!box(end, r.size(), type, body, end)) return false;
    if (type != kJp2h) continue;
    int64_t sub_end = body, super_end = end;
    for (int subs = 0; subs < 256 && sub_end < super_end; ++subs) {
      int64_t sub_body;
      if (!box(sub_end, super_end, type, sub_body, sub_end)) return false;
      if (type == kIhdr) {
        r.Seek(sub_body);
        uint32_t h = r.U32BE();
        uint32_t w = r.U32BE();
        return !r.eof() && SetSize(w, h, p.width, p.height);
      }
    }
    return false;
  }
  return false;
}

// JPEG 2000 code stream: the image size marker right after the start of the
// code stream; the image area less its offset.
bool ParamsJ2k(TByteReader& r, TImageParams& p) {
  r.Seek(8);
  int64_t x = r.U32BE(), y = r.U32BE(), x0 = r.U32BE(), y0 = r.U32BE();
  return !r.eof() && SetSize(x - x0, y - y0, p.width, p.height);
}

// Multi-byte integer of WBMP: 7 bits a byte, high bit set on all but the last.
bool WbmpInt(TByteReader& r, int64_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i) {
    uint8_t b = r.Byte();
    if (r.eof()) return false;
    value = value << 7 | (b & 0x7F);
    if (!(b & 0x80)) return true;
  }
  return false;
}

// WBMP has no magic: type 0, a plain fixed header, and exactly the bytes that
// its rows need after the header.
bool ParamsWbmp(TByteReader& r, TImageParams& p) {
  r.Seek(0);
  int64_t type, w, h;
  if (!WbmpInt(r, type) || type != 0) return false;
  if (r.Byte() != 0) return false;  // fixed header: no extension headers
  if (!WbmpInt(r, w) || !WbmpInt(r, h) || w <= 0 || h <= 0) return false;
  if (r.size() - r.pos() != (w + 7) / 8 * h) return false;
  return SetSize(w, h, p.width, p.height);
}

// TGA has no magic either: every header field must hold a value that the
// format allows, and an uncompressed picture must fit the file.
bool ParamsTga(const uint8_t* h, int64_t size, TImageParams& p) {
  uint8_t id_length = h[0], map_type = h[1], image_type = h[2];
  uint16_t map_length = U16At(&h[5], true);
  uint8_t map_entry = h[7], depth = h[16], descriptor = h[17];
  int64_t w = U16At(&h[12], true), hh = U16At(&h[14], true);
  bool mapped = image_type == 1 || image_type == 9;
  bool true_colour = image_type == 2 || image_type == 10;
  bool grey = image_type == 3 || image_type == 11;
  if (!mapped && !true_colour && !grey) return false;
  if (map_type > 1 || (mapped && map_type != 1)) return false;
  if (map_type == 1) {
    if (map_length == 0) return false;
    if (map_entry != 15 && map_entry != 16 && map_entry != 24 && map_entry != 32) return false;
  } else if (map_length != 0 || U16At(&h[3], true) != 0) {
    return false;
  }
  if (mapped && depth != 8 && depth != 16) return false;
  if (true_colour && depth != 15 && depth != 16 && depth != 24 && depth != 32) return false;
  if (grey && depth != 8 && depth != 16) return false;
  if ((descriptor & 0xC0) != 0 || (descriptor & 0x0F) > 8) return false;
  int64_t needed = 18 + id_length + (map_type == 1 ? map_length * ((map_entry + 7) / 8) : 0);
  if (image_type < 9) needed += w * hh * ((depth + 7) / 8);
  if (size < needed) return false;
  return SetSize(w, hh, p.width, p.height);
}

}  // namespace

TImageFileType ImageTypeFromExt(const std::string& file_name) {
  struct TEntry {
    const char* ext;
    TImageFileType type;
  };
  static constexpr TEntry kTable[] = {
      {"tif", iftTiff},  {"tiff", iftTiff}, {"fax", iftTiff}, {"gif", iftGif},   {"jpg", iftJpeg},
      {"jpeg", iftJpeg}, {"jpe", iftJpeg},  {"jps", iftJpeg}, {"pcx", iftPcx},   {"bmp", iftBmp},
      {"dib", iftBmp},   {"rle", iftBmp},   {"ico", iftIco},  {"cur", iftCur},   {"png", iftPng},
      {"wmf", iftWmf},   {"emf", iftEmf},   {"tga", iftTga},  {"targa", iftTga}, {"icb", iftTga},
      {"pix", iftTga},   {"vda", iftTga},   {"vst", iftTga},  {"win", iftTga},   {"pbm", iftPxm},
      {"pgm", iftPxm},   {"ppm", iftPxm},   {"jp2", iftJp2},  {"j2k", iftJ2k},   {"jpc", iftJ2k},
      {"wbmp", iftWbmp},
  };
  std::string ext = FileExtLower(NamePart(file_name));
  for (const auto& e : kTable)
    if (ext == e.ext) return e.type;
  return iftUnknown;
}

TImageParams ReadImageParameters(TByteSource& source) {
  TByteReader r(source);
  TImageParams p;
  std::array<uint8_t, 88> h{};  // the longest fixed header looked at (EMF)
  r.Read(h);
  int64_t size = r.size();
  if (size < 10) return p;
  TImageFileType format = iftUnknown;
  bool ok = false;
  r.Seek(0);
  if ((Matches(h.data(), "II", 2) || Matches(h.data(), "MM", 2)) &&
      (U16At(&h[2], h[0] == 'I') == 42 || U16At(&h[2], h[0] == 'I') == 43)) {
    format = iftTiff;
    ok = ParamsTiff(r, p);
  } else if (std::memcmp(h.data(), kPngSignature, 8) == 0) {
    format = iftPng;
    ok = ParamsPng(r, p);
  } else if (Matches(h.data(), "GIF87a", 6) || Matches(h.data(), "GIF89a", 6)) {
    format = iftGif;
    ok = ReadGif(r, p.width, p.height) && p.width > 0 && p.height > 0;
  } else if (h[0] == 0xFF && h[1] == 0xD8 && h[2] == 0xFF) {
    format = iftJpeg;
    ok = ReadJpeg(r, p.width, p.height) && p.width > 0 && p.height > 0;
  } else if (Matches(h.data(), "BM", 2)) {
    format = iftBmp;
    ok = ParamsBmp(r, p);
  } else if (Matches(h.data(), "\0\0\0\x0CjP  \r\n\x87\n", 12)) {
    format = iftJp2;
    ok = ParamsJp2(r, p);
  } else if (Matches(h.data(), "\xFF\x4F\xFF\x51", 4)) {
    format = iftJ2k;
    ok = ParamsJ2k(r, p);
  } else if (Matches(h.data(), "\xD7\xCD\xC6\x9A", 4)) {
    format = iftWmf;
    ok = size >= 22 && ParamsWmf(h.data(), p);
  } else if (U32At(h.data(), true) == 1 && Matches(&h[40], " EMF", 4)) {
    format = iftEmf;
    ok = size >= 88 && ParamsEmf(h.data(), p);
  } else if (h[0] == 'P' && h[1] >= '1' && h[1] <= '6') {
    format = iftPxm;
    ok = ParamsPnm(r, p);
  } else if (h[0] == 0x0A && ParamsPcx(h.data(), size, p)) {
    format = iftPcx;
    ok = true;
  } else if (h[0] == 0 && h[1] == 0 && (h[2] == 1 || h[2] == 2) && h[3] == 0 &&
             ParamsIcon(h.data(), size, p)) {
    format = p.format;
    ok = true;
  } else if (ParamsWbmp(r, p)) {
    format = iftWbmp;
    ok = true;
  } else if (size >= 18 && ParamsTga(h.data(), size, p)) {
    format = iftTga;
    ok = true;
  }
  if (!ok) return TImageParams{};
  p.format = format;
  return p;
}

void ReadImageDimensions(TByteSource& source, TImageInfo& info) {
  TByteReader r(source);
  int32_t width = 0, height = 0;
  bool read = false;
  switch (info.file_type) {
    case iftUnknown:
      return;
    case iftGif:
      read = ReadGif(r, width, height);
      break;
    case iftJpeg:
      read = ReadJpeg(r, width, height);
      break;
    case iftBmp:
      read = ReadBmp(r, width, height);
      break;
    case iftPng:
      read = ReadPng(r, width, height);
      break;
    default: {
      TImageParams p = ReadImageParameters(source);
      read = p.format != iftUnknown;
      width = p.width;
      height = p.height;
      break;
    }
  }
  if (!read) return;
  info.width = width;
  info.height = height;
  info.valid = true;
}

void GetImageInfoFromBytes(std::span<const uint8_t> bytes, TImageFileType type, TImageInfo& info) {
  info = TImageInfo{};
  info.file_type = type;
  info.file_size = static_cast<int64_t>(bytes.size());
  if (type == iftUnknown || info.file_size < 10) return;
  TMemoryByteSource source(bytes);
  ReadImageDimensions(source, info);
}

void GetImageInfo(const std::string& file_name, TImageInfo& info) {
  info = TImageInfo{};
  info.file_type = ImageTypeFromExt(file_name);
  std::optional<TFileStat> st = StatPath(file_name);
  // A folder is no file; special files (pipes, devices) are never opened,
  // since opening a pipe would wait for a writer.
  if (!st || st->is_dir) {
    info.file_size = -1;
    return;
  }
  info.file_size = st->size;
  if (info.file_type == iftUnknown || info.file_size < 10) return;
  if (!S_ISREG(st->mode)) return;
  TFileByteSource source(file_name);
  if (!source.is_open()) {
    switch (info.file_type) {
      case iftGif:
      case iftJpeg:
      case iftBmp:
      case iftPng:
        throw EPictavo(fmt::format("Cannot open file \"{}\". {}", file_name, source.error_text()));
      default:
        return;
    }
  }
  ReadImageDimensions(source, info);
}

}  // namespace pictavo
