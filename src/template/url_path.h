#pragma once
// URLs of local paths: the links the template engine writes into pages and
// reads back from them. Paths use "/" and have no drive; an absolute path
// becomes a "file:///..." URL. Escaping works on the UTF-8 bytes.
#include <string>
#include <string_view>

namespace pictavo {

// The path with every byte of the URL escape set written as "%" and two
// upper-case hexadecimal digits: the blank, '"', '#', '%', '&', "'", ';',
// '<', '=', '>', '?', '@', '[', ']', '^', '`', '{', '|', '}', every byte of
// 128 or above (each byte of a non-ASCII character), control bytes and '\'
// (an ordinary character of a Linux name), and a ":" in the first folder or
// name of a relative path (it would read as a scheme). No scheme is added.
std::string EscapeUrl(std::string_view path);

// EscapeUrl of the path; an absolute path gets "file://" in front, so
// "/My Pictures/a.jpg" becomes "file:///My%20Pictures/a.jpg" and
// "images/my photo.jpg" becomes "images/my%20photo.jpg".
std::string PathToUrl(std::string_view path);

// The path a URL names: "file://" (any case) is removed, together with a
// host "localhost"; a URL that begins with another scheme and "://" loses
// its scheme and host (so "https://host/a/b.jpg" gives "/a/b.jpg"). Then every "%" followed by two
// hexadecimal digits becomes that byte, in one pass; other "%" stay.
std::string UrlToPath(std::string_view url);

}  // namespace pictavo
