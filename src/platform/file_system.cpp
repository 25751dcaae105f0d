#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "platform/errors.h"
#include "platform/paths.h"

namespace pictavo {

namespace {
std::string ErrnoText(int err) { return std::strerror(err); }

// A unique temporary name in the folder of path.
std::string TempNameBeside(const std::string& path) {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  std::string folder = FolderPart(path);
  return folder + ".~" + NamePart(path) + "." + std::to_string(rng() % 1000000000ULL) + ".tmp";
}

bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}
}  // namespace

TFileHandle& TFileHandle::operator=(TFileHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
}

TFileHandle::~TFileHandle() {
  if (fd_ >= 0) ::close(fd_);
}

TFileHandle OpenForReading(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return TFileHandle(fd);
}

std::optional<TFileStat> StatPath(const std::string& path) {
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  TFileStat out;
  out.size = static_cast<int64_t>(st.st_size);
  out.mtime = st.st_mtim.tv_sec;
  out.mtime_nsec = st.st_mtim.tv_nsec;
  out.is_dir = S_ISDIR(st.st_mode);
  out.mode = st.st_mode;
  // Read-only means the permission bits deny the user writing, judged from
  // the bits themselves so that it means the same when running as root.
  mode_t bit = st.st_uid == ::geteuid() ? S_IWUSR : st.st_gid == ::getegid() ? S_IWGRP : S_IWOTH;
  out.read_only = (st.st_mode & bit) == 0;
  return out;
}

bool FileExists(const std::string& path) {
  auto st = StatPath(path);
  return st && !st->is_dir;
}

bool FolderExists(const std::string& path) {
  auto st = StatPath(path);
  return st && st->is_dir;
}

int64_t FileSize(const std::string& path) {
  auto st = StatPath(path);
  return st && !st->is_dir ? st->size : -1;
}

bool IsReadOnly(const std::string& path) {
  auto st = StatPath(path);
  return st && st->read_only;
}

bool IsHiddenName(std::string_view name) { return !name.empty() && name.front() == '.'; }

std::vector<TFolderEntry> ReadFolder(const std::string& folder) {
  std::vector<TFolderEntry> out;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return out;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    TFolderEntry entry;
    entry.name = name;
    entry.is_hidden = IsHiddenName(name);
    if (e->d_type == DT_DIR) {
      entry.is_dir = true;
    } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      entry.is_dir = FolderExists(JoinPath(folder, name));
    }
    out.push_back(std::move(entry));
  }
  ::closedir(dir);
  return out;
}

std::optional<std::string> ReadFileHead(const std::string& path, size_t max_bytes) {
  TFileHandle fd = OpenForReading(path);
  if (!fd.valid()) return std::nullopt;
  std::string out;
  char buffer[65536];
  while (out.size() < max_bytes) {
    size_t want = std::min(sizeof buffer, max_bytes - out.size());
    ssize_t n = ::read(fd.get(), buffer, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}

std::optional<std::string> TryReadFileBytes(const std::string& path) {
  auto st = StatPath(path);
  if (!st || st->is_dir) return std::nullopt;
  return ReadFileHead(path, static_cast<size_t>(-1));
}

std::string ReadFileBytes(const std::string& path) {
  auto st = StatPath(path);
  if (st && st->is_dir) throw EPictavo("Cannot read " + path + ": it is a folder");
  TFileHandle fd = OpenForReading(path);
  if (!fd.valid()) throw EPictavo("Cannot open file \"" + path + "\". " + ErrnoText(errno));
  fd = TFileHandle();
  auto bytes = ReadFileHead(path, static_cast<size_t>(-1));
  if (!bytes) throw EPictavo("Cannot read file \"" + path + "\". " + ErrnoText(errno));
  return *bytes;
}

namespace {
void ReplaceFile(const std::string& path, std::string_view bytes, mode_t new_mode, bool sync) {
  auto old = StatPath(path);
  if (old && old->is_dir) throw EPictavo("Cannot create file \"" + path + "\": it is a folder");
  mode_t mode = old ? (old->mode & 07777) : new_mode;
  std::string temp = TempNameBeside(path);
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) throw EPictavo("Cannot create file \"" + path + "\". " + ErrnoText(errno));
  TFileHandle handle(fd);
  bool ok = WriteAll(fd, bytes) && (!sync || ::fsync(fd) == 0);
  int err = errno;
  ok = ok && ::fchmod(fd, mode) == 0;
  if (!ok) err = errno;
  handle = TFileHandle();
  if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
    if (ok) err = errno;
    ::unlink(temp.c_str());
    throw EPictavo("Cannot write file \"" + path + "\". " + ErrnoText(err));
  }
}

}  // namespace

void WriteFileAtomic(const std::string& path, std::string_view bytes, mode_t new_mode) {
  ReplaceFile(path, bytes, new_mode, true);
}

void WriteGeneratedFile(const std::string& path, std::string_view bytes, mode_t new_mode) {
  ReplaceFile(path, bytes, new_mode, false);
}

bool CanCreateFileIn(const std::string& folder) {
  std::string probe = TempNameBeside(JoinPath(folder.empty() ? "." : folder, "probe"));
  int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

bool ForceFolders(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return FolderExists(folder);
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

void CopyFileAtomic(const std::string& from, const std::string& to) {
  WriteFileAtomic(to, ReadFileBytes(from), 0644);
}

}  // namespace pictavo
