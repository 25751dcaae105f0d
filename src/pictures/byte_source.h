#pragma once
// Random-access bytes for the header readers: a file or a span of memory,
// read through one small buffered reader that yields 0 past the end.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/file_system.h"

namespace pictavo {

// Where the bytes come from. Readers never write.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  // Total number of bytes.
  virtual int64_t Size() const = 0;
  // Copies up to count bytes from offset into buffer; returns how many were
  // copied (fewer at the end, 0 past it or on a read error).
  virtual size_t ReadAt(int64_t offset, uint8_t* buffer, size_t count) = 0;
};

// Bytes held by the caller; the span must outlive the source.
class TMemoryByteSource : public TByteSource {
 public:
  explicit TMemoryByteSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  int64_t Size() const override { return static_cast<int64_t>(bytes_.size()); }
  size_t ReadAt(int64_t offset, uint8_t* buffer, size_t count) override;

 private:
  std::span<const uint8_t> bytes_;
};

// A file opened for reading only; closed when the source goes away.
class TFileByteSource : public TByteSource {
 public:
  // Check is_open() afterwards; error_text() tells why it failed.
  explicit TFileByteSource(const std::string& path);
  bool is_open() const { return handle_.valid(); }
  const std::string& error_text() const { return error_text_; }
  int64_t Size() const override { return size_; }
  size_t ReadAt(int64_t offset, uint8_t* buffer, size_t count) override;

 private:
  TFileHandle handle_;
  int64_t size_ = 0;
  std::string error_text_;
};

// Sequential reading with seeks over a source. Every read past the end
// yields 0 bytes and sets eof(); a seek alone never does, and Seek (to an
// absolute position) clears it.
class TByteReader {
 public:
  explicit TByteReader(TByteSource& source) : source_(source), size_(source.Size()) {}
  int64_t size() const { return size_; }
  int64_t pos() const { return pos_; }
  bool eof() const { return eof_; }
  void Seek(int64_t pos) {
    pos_ = pos < 0 ? 0 : pos;
    eof_ = false;
  }
  // Moves forward by count bytes without reading them.
  void Skip(int64_t count);
  uint8_t Byte();
  // Fills out with the next out.size() bytes (zeros past the end).
  void Read(std::span<uint8_t> out);
  uint16_t U16BE();
  uint16_t U16LE();
  uint32_t U32BE();
  uint32_t U32LE();
  uint64_t U64BE();

 private:
  static constexpr size_t kBufferSize = 4096;
  bool Fill();  // loads the buffer at pos_; false at the end

  TByteSource& source_;
  int64_t size_;
  int64_t pos_ = 0;
  bool eof_ = false;
  uint8_t buffer_[kBufferSize];
  int64_t buffer_start_ = 0;
  size_t buffer_len_ = 0;
};

}  // namespace pictavo
