#pragma once
// Path helpers. Paths are UTF-8 strings with "/" as separator; there are no
// drive letters. Paths compare exactly (Linux names are case-sensitive).
#include <string>
#include <string_view>

namespace pictavo {

// Joins a folder and a name with exactly one "/" between them.
std::string JoinPath(std::string_view folder, std::string_view name);
// Folder part of a path, with its trailing "/" ("" when the path has none).
std::string FolderPart(std::string_view path);
// Name part: everything after the last "/".
std::string NamePart(std::string_view path);
// Name part without its extension (the part before the last dot).
std::string NameWithoutExt(std::string_view path);
// Extension of the name part without the dot, unchanged in case; "" when the
// name has no dot or ends in one.
std::string FileExt(std::string_view path);
// FileExt lower-cased (ASCII).
std::string FileExtLower(std::string_view path);
// Path with its extension (from the last dot of the name part) replaced by
// new_ext (given with or without the dot; empty removes it).
std::string ChangeFileExt(std::string_view path, std::string_view new_ext);
// Adds or removes a trailing "/" (the root "/" keeps its slash).
std::string IncludeTrailingSlash(std::string_view folder);
std::string ExcludeTrailingSlash(std::string_view folder);
// True when the path begins with "/".
bool IsAbsolutePath(std::string_view path);
// Absolute, normalised form of path ("." and ".." segments resolved
// lexically, repeated "/" collapsed); a relative path is taken against base,
// or against the current folder when base is empty.
std::string AbsolutePath(std::string_view path, std::string_view base = {});
// Relative path from folder base_folder to target (both absolute), using
// "../" where needed; returns target unchanged when it is not absolute.
std::string RelativePath(std::string_view base_folder, std::string_view target);
// The system temporary folder ($TMPDIR, else /tmp), with trailing "/".
std::string TempFolder();
// The user's home folder ($HOME), without trailing "/".
std::string HomeFolder();

}  // namespace pictavo
