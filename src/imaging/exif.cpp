#include "imaging/exif.h"

#include <libexif/exif-data.h>

#include <cstring>
#include <ctime>
#include <memory>

#include "imaging/codecs/codec.h"
#include "platform/file_system.h"

namespace pictavo {
namespace {

constexpr char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};

struct TExifDataDeleter {
  void operator()(ExifData* data) const { exif_data_unref(data); }
};

double RationalValue(ExifEntry* entry, ExifByteOrder order) {
  if (entry == nullptr || entry->components < 1 || entry->data == nullptr) return 0;
  if (entry->format == EXIF_FORMAT_RATIONAL && entry->size >= 8) {
    ExifRational r = exif_get_rational(entry->data, order);
    return r.denominator == 0 ? 0 : static_cast<double>(r.numerator) / r.denominator;
  }
  if (entry->format == EXIF_FORMAT_SRATIONAL && entry->size >= 8) {
    ExifSRational r = exif_get_srational(entry->data, order);
    return r.denominator == 0 ? 0 : static_cast<double>(r.numerator) / r.denominator;
  }
  return 0;
}

int ShortValue(ExifEntry* entry, ExifByteOrder order) {
  if (entry == nullptr || entry->components < 1 || entry->data == nullptr) return 0;
  if (entry->format == EXIF_FORMAT_SHORT && entry->size >= 2) {
    return exif_get_short(entry->data, order);
  }
  if (entry->format == EXIF_FORMAT_LONG && entry->size >= 4) {
    return static_cast<int>(exif_get_long(entry->data, order) & 0xFFFF);
  }
  return 0;
}

std::string AsciiValue(ExifEntry* entry) {
  if (entry == nullptr || entry->data == nullptr || entry->size == 0) return {};
  const char* text = reinterpret_cast<const char*>(entry->data);
  size_t length = strnlen(text, entry->size);
  return std::string(text, length);
}

ExifEntry* FindEntry(ExifData* data, ExifIfd ifd, ExifTag tag) {
  return data->ifd[ifd] ? exif_content_get_entry(data->ifd[ifd], tag) : nullptr;
}

uint16_t Get16(const uint8_t* p, bool little) {
  return little ? static_cast<uint16_t>(p[0] | p[1] << 8) : static_cast<uint16_t>(p[0] << 8 | p[1]);
}
uint32_t Get32(const uint8_t* p, bool little) {
  return little ? (static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                   static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24)
                : (static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
                   static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]));
}

}  // namespace

TExifInfo ParseExif(std::span<const uint8_t> block) {
  TExifInfo info;
  if (block.size() < 8 || block.size() > 16 * 1024 * 1024) return info;
  std::string buffer;
  if (std::memcmp(block.data(), kExifHeader, sizeof kExifHeader) != 0) {
    buffer.assign(kExifHeader, sizeof kExifHeader);
  }
  buffer.append(reinterpret_cast<const char*>(block.data()), block.size());

  std::unique_ptr<ExifData, TExifDataDeleter> data(exif_data_new());
  if (!data) return info;
  // Read the tags as stored: no fixing up, no maker-note interpretation.
  exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_set_option(data.get(), EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
  exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(buffer.data()),
                      static_cast<unsigned int>(buffer.size()));
  ExifData* d = data.get();
  bool any = false;
  for (int i = 0; i < EXIF_IFD_COUNT; ++i) {
    if (d->ifd[i] && d->ifd[i]->count > 0) any = true;
  }
  if (!any) return info;
  info.present = true;
  ExifByteOrder order = exif_data_get_byte_order(d);

  int orientation = ShortValue(FindEntry(d, EXIF_IFD_0, EXIF_TAG_ORIENTATION), order);
  info.orientation = orientation >= 1 && orientation <= 8 ? orientation : 1;
  info.date_time_original = AsciiValue(FindEntry(d, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL));
  if (info.date_time_original.empty()) {
    info.date_time_original = AsciiValue(FindEntry(d, EXIF_IFD_0, EXIF_TAG_DATE_TIME_ORIGINAL));
  }
  info.exposure_time = RationalValue(FindEntry(d, EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_TIME), order);
  info.f_number = RationalValue(FindEntry(d, EXIF_IFD_EXIF, EXIF_TAG_FNUMBER), order);
  if (info.exposure_time < 0) info.exposure_time = 0;
  if (info.f_number < 0) info.f_number = 0;
  return info;
}

TExifInfo ReadJpegExifInfo(std::span<const uint8_t> jpeg) {
  std::optional<std::string> block = ReadJpegExif(jpeg);
  if (!block) return {};
  return ParseExif(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(block->data()), block->size()));
}

TExifInfo ReadExifFile(const std::string& path) {
  std::optional<std::string> head = ReadFileHead(path, 256 * 1024);
  if (!head) return {};
  return ReadJpegExifInfo(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(head->data()), head->size()));
}

bool SetExifOrientation(std::string& block, int orientation) {
  size_t base = 0;
  if (block.size() >= sizeof kExifHeader &&
      std::memcmp(block.data(), kExifHeader, sizeof kExifHeader) == 0) {
    base = sizeof kExifHeader;
  }
  auto* bytes = reinterpret_cast<uint8_t*>(block.data());
  size_t size = block.size();
  if (size < base + 8) return false;
  const uint8_t* tiff = bytes + base;
  bool little;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    little = true;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    little = false;
  } else {
    return false;
  }
  size_t tiff_size = size - base;
  if (Get16(tiff + 2, little) != 42) return false;
  uint32_t ifd = Get32(tiff + 4, little);
  if (ifd < 8 || static_cast<size_t>(ifd) + 2 > tiff_size) return false;
  size_t count = Get16(tiff + ifd, little);
  for (size_t i = 0; i < count; ++i) {
    size_t entry = static_cast<size_t>(ifd) + 2 + i * 12;
    if (entry + 12 > tiff_size) return false;
    if (Get16(tiff + entry, little) != 0x0112) continue;
    uint16_t type = Get16(tiff + entry + 2, little);
    uint32_t n = Get32(tiff + entry + 4, little);
    if (type != 3 || n < 1) return false;  // SHORT, value inside the entry
    uint8_t* value = bytes + base + entry + 8;
    if (little) {
      value[0] = static_cast<uint8_t>(orientation);
      value[1] = static_cast<uint8_t>(orientation >> 8);
    } else {
      value[0] = static_cast<uint8_t>(orientation >> 8);
      value[1] = static_cast<uint8_t>(orientation);
    }
    return true;
  }
  return false;
}

bool SetJpegExifOrientation(std::span<uint8_t> jpeg, int orientation) {
  if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return false;
  size_t pos = 2;
  while (pos + 4 <= jpeg.size()) {
    if (jpeg[pos] != 0xFF) return false;
    uint8_t code = jpeg[pos + 1];
    if (code == 0xFF) {
      ++pos;
      continue;
    }
    if (code == 0xDA || code == 0xD9) return false;
    if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
      pos += 2;
      continue;
    }
    size_t length = static_cast<size_t>(jpeg[pos + 2]) << 8 | jpeg[pos + 3];
    if (length < 2 || pos + 2 + length > jpeg.size()) return false;
    if (code == 0xE1 && length >= 2 + sizeof kExifHeader &&
        std::memcmp(jpeg.data() + pos + 4, kExifHeader, sizeof kExifHeader) == 0) {
      std::string block(reinterpret_cast<const char*>(jpeg.data() + pos + 4), length - 2);
      if (!SetExifOrientation(block, orientation)) return false;
      std::memcpy(jpeg.data() + pos + 4, block.data(), block.size());
      return true;
    }
    pos += 2 + length;
  }
  return false;
}

bool ExifDateToTime(std::string_view text, std::time_t& out) {
  // year in characters 1-4, month 6-7, day 9-10, hour 12-13, minute 15-16,
  // second 18-19.
  if (text.size() < 19) return false;
  auto number = [&](size_t pos, size_t length, int& value) {
    value = 0;
    for (size_t i = pos; i < pos + length; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      value = value * 10 + (text[i] - '0');
    }
    return true;
  };
  int year, month, day, hour, minute, second;
  if (!number(0, 4, year) || !number(5, 2, month) || !number(8, 2, day) || !number(11, 2, hour) ||
      !number(14, 2, minute) || !number(17, 2, second)) {
    return false;
  }
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
      second > 59) {
    return false;
  }
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return false;
  out = t;
  return true;
}

}  // namespace pictavo
