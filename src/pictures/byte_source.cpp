#include "pictures/byte_source.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace pictavo {

size_t TMemoryByteSource::ReadAt(int64_t offset, uint8_t* buffer, size_t count) {
  if (offset < 0 || static_cast<uint64_t>(offset) >= bytes_.size()) return 0;
  size_t n = std::min(count, bytes_.size() - static_cast<size_t>(offset));
  std::memcpy(buffer, bytes_.data() + offset, n);
  return n;
}

TFileByteSource::TFileByteSource(const std::string& path) : handle_(OpenForReading(path)) {
  if (!handle_.valid()) {
    error_text_ = std::strerror(errno);
    return;
  }
  struct stat st {};
  if (fstat(handle_.get(), &st) == 0) size_ = static_cast<int64_t>(st.st_size);
}

size_t TFileByteSource::ReadAt(int64_t offset, uint8_t* buffer, size_t count) {
  if (!handle_.valid() || offset < 0) return 0;
  size_t done = 0;
  while (done < count) {
    ssize_t n = pread(handle_.get(), buffer + done, count - done,
                      static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void TByteReader::Skip(int64_t count) {
  if (count <= 0) return;
  if (count > std::numeric_limits<int64_t>::max() - pos_)
    pos_ = std::numeric_limits<int64_t>::max();
  else
    pos_ += count;
}

bool TByteReader::Fill() {
  if (pos_ >= size_) return false;
  buffer_start_ = pos_;
  buffer_len_ = source_.ReadAt(pos_, buffer_, kBufferSize);
  return buffer_len_ > 0;
}

uint8_t TByteReader::Byte() {
  if (pos_ < buffer_start_ || pos_ >= buffer_start_ + static_cast<int64_t>(buffer_len_)) {
    if (!Fill()) {
      eof_ = true;
      return 0;
    }
  }
  return buffer_[pos_++ - buffer_start_];
}

void TByteReader::Read(std::span<uint8_t> out) {
  for (auto& b : out) b = Byte();
}

uint16_t TByteReader::U16BE() {
  uint16_t hi = Byte();
  return static_cast<uint16_t>(hi << 8 | Byte());
}

uint16_t TByteReader::U16LE() {
  uint16_t lo = Byte();
  return static_cast<uint16_t>(lo | Byte() << 8);
}

uint32_t TByteReader::U32BE() {
  uint32_t hi = U16BE();
  return hi << 16 | U16BE();
}

uint32_t TByteReader::U32LE() {
  uint32_t lo = U16LE();
  return lo | static_cast<uint32_t>(U16LE()) << 16;
}

uint64_t TByteReader::U64BE() {
  uint64_t hi = U32BE();
  return hi << 32 | U32BE();
}

}  // namespace pictavo
