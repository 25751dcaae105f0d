#include "platform/paths.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/case_fold.h"

namespace pictavo {

namespace {
size_t NameStart(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

// Position of the extension's dot in the name part, or npos.
size_t ExtDot(std::string_view path) {
  size_t start = NameStart(path);
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < start || dot + 1 == path.size()) return std::string_view::npos;
  return dot;
}
}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  std::string out(folder);
  while (!name.empty() && name.front() == '/') name.remove_prefix(1);
  if (out.back() != '/') out += '/';
  out += name;
  return out;
}

std::string FolderPart(std::string_view path) { return std::string(path.substr(0, NameStart(path))); }

std::string NamePart(std::string_view path) { return std::string(path.substr(NameStart(path))); }

std::string NameWithoutExt(std::string_view path) {
  std::string name = NamePart(path);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot + 1 == name.size()) {
    // A name ending in a dot has no extension but loses nothing else.
    return dot != std::string::npos && dot + 1 == name.size() ? name.substr(0, dot) : name;
  }
  return name.substr(0, dot);
}

std::string FileExt(std::string_view path) {
  size_t dot = ExtDot(path);
  return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot + 1));
}

std::string FileExtLower(std::string_view path) { return LowerAscii(FileExt(path)); }

std::string ChangeFileExt(std::string_view path, std::string_view new_ext) {
  size_t start = NameStart(path);
  size_t dot = path.rfind('.');
  std::string out(path);
  if (dot != std::string_view::npos && dot >= start) out.resize(dot);
  if (!new_ext.empty()) {
    if (new_ext.front() != '.') out += '.';
    out += new_ext;
  }
  return out;
}

std::string IncludeTrailingSlash(std::string_view folder) {
  std::string out(folder);
  if (out.empty() || out.back() != '/') out += '/';
  return out;
}

std::string ExcludeTrailingSlash(std::string_view folder) {
  std::string out(folder);
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

bool IsAbsolutePath(std::string_view path) { return !path.empty() && path.front() == '/'; }

std::string AbsolutePath(std::string_view path, std::string_view base) {
  std::string full;
  if (IsAbsolutePath(path)) {
    full = path;
  } else {
    std::string b(base);
    if (b.empty()) {
      std::vector<char> buf(4096);
      if (getcwd(buf.data(), buf.size())) b = buf.data();
      else b = "/";
    }
    full = JoinPath(AbsolutePath(b), path);
  }
  std::vector<std::string_view> parts;
  std::string_view rest(full);
  while (!rest.empty()) {
    size_t slash = rest.find('/');
    std::string_view seg = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (seg.empty() || seg == ".") continue;
    if (seg == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(seg);
  }
  std::string out;
  for (auto seg : parts) {
    out += '/';
    out += seg;
  }
  if (out.empty()) out = "/";
  // Keep a trailing slash when the input named a folder that way.
  if (full.size() > 1 && full.back() == '/' && out.back() != '/') out += '/';
  return out;
}

std::string RelativePath(std::string_view base_folder, std::string_view target) {
  if (!IsAbsolutePath(target) || !IsAbsolutePath(base_folder)) return std::string(target);
  std::string base = IncludeTrailingSlash(base_folder);
  std::string tgt(target);
  // Longest common folder prefix.
  size_t common = 0;
  for (size_t i = 0; i < base.size() && i < tgt.size() && base[i] == tgt[i]; ++i)
    if (base[i] == '/') common = i + 1;
  std::string out;
  for (size_t i = common; i < base.size(); ++i)
    if (base[i] == '/') out += "../";
  out += tgt.substr(common);
  return out;
}

std::string TempFolder() {
  const char* t = std::getenv("TMPDIR");
  return IncludeTrailingSlash(t && *t ? t : "/tmp");
}

std::string HomeFolder() {
  const char* h = std::getenv("HOME");
  return ExcludeTrailingSlash(h && *h ? h : "/");
}

}  // namespace pictavo
