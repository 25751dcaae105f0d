#pragma once
// Files and folders: every system call of the core goes through here.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace pictavo {

struct TFileStat {
  int64_t size = 0;
  std::time_t mtime = 0;       // last-write time, seconds since the epoch
  int64_t mtime_nsec = 0;
  bool is_dir = false;
  bool read_only = false;      // no write permission for the user
  mode_t mode = 0;
};

// Stat of a path (following links); nullopt when it does not exist.
std::optional<TFileStat> StatPath(const std::string& path);
bool FileExists(const std::string& path);    // a regular file
bool FolderExists(const std::string& path);  // a folder
// Size in bytes, or -1 when the file does not exist.
int64_t FileSize(const std::string& path);
bool IsReadOnly(const std::string& path);
// Hidden means the name starts with ".".
bool IsHiddenName(std::string_view name);

struct TFolderEntry {
  std::string name;
  bool is_dir = false;
  bool is_hidden = false;
};
// Entries of a folder in the order the file system returns them ("." and ".."
// left out); an empty list when the folder cannot be read.
std::vector<TFolderEntry> ReadFolder(const std::string& folder);

// Whole file as bytes; throws EPictavo when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Whole file, or nullopt when it cannot be opened or read.
std::optional<std::string> TryReadFileBytes(const std::string& path);
// At most max_bytes from the start of the file; nullopt when unreadable.
std::optional<std::string> ReadFileHead(const std::string& path, size_t max_bytes);
// Writes bytes through a temporary file in the same folder and renames it
// over path, so a crash never leaves half a file. A new file gets mode
// new_mode; an existing file keeps its permissions (read-only ones included).
// Throws EPictavo on failure, leaving the old file untouched.
void WriteFileAtomic(const std::string& path, std::string_view bytes, mode_t new_mode = 0644);
// Like WriteFileAtomic (temporary file and rename, permissions kept) but
// without waiting for the disk: for files the program can make again (album
// pages, converted pictures), where one sync per file would dominate the work.
void WriteGeneratedFile(const std::string& path, std::string_view bytes, mode_t new_mode = 0644);
// True when a temporary file can be created (and is then deleted) in folder.
bool CanCreateFileIn(const std::string& folder);
// Creates a folder and its parents; true when it exists afterwards.
bool ForceFolders(const std::string& folder);
bool DeleteFile(const std::string& path);
// Copies a file (through a temporary file and a rename); throws EPictavo.
void CopyFileAtomic(const std::string& from, const std::string& to);

// A file descriptor that closes itself.
class TFileHandle {
 public:
  TFileHandle() = default;
  explicit TFileHandle(int fd) : fd_(fd) {}
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  TFileHandle(TFileHandle&& other) noexcept : fd_(other.release()) {}
  TFileHandle& operator=(TFileHandle&& other) noexcept;
  ~TFileHandle();
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_ = -1;
};
// Opens a file for reading; an invalid handle when it cannot be opened.
TFileHandle OpenForReading(const std::string& path);

}  // namespace pictavo
