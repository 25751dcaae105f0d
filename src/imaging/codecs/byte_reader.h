#pragma once
// Bounds-checked reading of little- and big-endian values from a byte span:
// reads past the end fail instead of overrunning.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pictavo::codecs {

class TByteReader {
 public:
  explicit TByteReader(std::span<const uint8_t> bytes, size_t pos = 0) : bytes_(bytes), pos_(pos) {}

  size_t pos() const { return pos_; }
  size_t size() const { return bytes_.size(); }
  size_t remaining() const { return pos_ < bytes_.size() ? bytes_.size() - pos_ : 0; }
  bool ok() const { return ok_; }  // false after any read past the end
  bool has(size_t n) const { return remaining() >= n; }
  void seek(size_t pos) {
    if (pos > bytes_.size()) ok_ = false;
    pos_ = pos;
  }
  void skip(size_t n) {
    if (!has(n)) {
      ok_ = false;
      pos_ = bytes_.size();
    } else {
      pos_ += n;
    }
  }
  const uint8_t* data() const {
    return bytes_.data() + (pos_ < bytes_.size() ? pos_ : bytes_.size());
  }

  uint8_t u8() { return has(1) ? bytes_[pos_++] : fail(1); }
  uint16_t u16le() {
    if (!has(2)) return fail(2);
    uint16_t v = static_cast<uint16_t>(bytes_[pos_] | bytes_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
  }
  uint16_t u16be() {
    if (!has(2)) return fail(2);
    uint16_t v = static_cast<uint16_t>(bytes_[pos_] << 8 | bytes_[pos_ + 1]);
    pos_ += 2;
    return v;
  }
  uint32_t u32le() {
    if (!has(4)) return fail(4);
    uint32_t v = static_cast<uint32_t>(bytes_[pos_]) |
                 static_cast<uint32_t>(bytes_[pos_ + 1]) << 8 |
                 static_cast<uint32_t>(bytes_[pos_ + 2]) << 16 |
                 static_cast<uint32_t>(bytes_[pos_ + 3]) << 24;
    pos_ += 4;
    return v;
  }
  uint32_t u32be() {
    if (!has(4)) return fail(4);
    uint32_t v =
        static_cast<uint32_t>(bytes_[pos_]) << 24 | static_cast<uint32_t>(bytes_[pos_ + 1]) << 16 |
        static_cast<uint32_t>(bytes_[pos_ + 2]) << 8 | static_cast<uint32_t>(bytes_[pos_ + 3]);
    pos_ += 4;
    return v;
  }
  int32_t i32le() { return static_cast<int32_t>(u32le()); }
  int16_t i16le() { return static_cast<int16_t>(u16le()); }

 private:
  uint8_t fail(size_t) {
    ok_ = false;
    pos_ = bytes_.size();
    return 0;
  }
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// Little-endian writers for the encoders.
inline void PutU16le(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutU32le(std::vector<uint8_t>& out, uint32_t v) {
  PutU16le(out, v & 0xFFFF);
  PutU16le(out, v >> 16);
}

}  // namespace pictavo::codecs
