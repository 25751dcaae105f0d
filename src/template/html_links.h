#pragma once
// Link scanning: finds the local links of HTML text (the attributes of the
// link table below) and rewrites them for the folder a page is built in
// (rewrite mode), lists the local files a written page needs (collect mode),
// or points them into the remote folders of an upload (publish mode).
//
// Link table (tag names in any case, followed directly by a blank, CR or LF):
//   A, AREA: HREF                      APPLET, OBJECT: CODEBASE
//   BODY, TABLE, TD, TH, TR: BACKGROUND (media)
//   BGSOUND, EMBED, SOUND: SRC (media)  FRAME, IFRAME: SRC
//   IMG: SRC, LOWSRC, DYNSRC, VRML (media), USEMAP
// A tag written "<*IMG ..." keeps its links; the "*" is removed.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace pictavo {

// One local file a link names: its full path, and whether it is a media file
// (pictures, sounds, backgrounds).
struct TReferencedFile {
  std::string path;
  bool media = false;
};

// The local files found by the scanner, in the order first found, each path
// once (paths compare exactly).
class TReferencedFiles {
 public:
  // Adds a file; false (and nothing changes) when the path is held already.
  bool Add(const std::string& path, bool media);
  bool Contains(const std::string& path) const { return index_.count(path) != 0; }
  const std::vector<TReferencedFile>& Items() const { return items_; }
  size_t Count() const { return items_.size(); }
  void Clear();

 private:
  std::vector<TReferencedFile> items_;
  std::unordered_set<std::string> index_;
};

// The scanner's settings.
struct THtmlLinkInfo {
  bool relative = false;        // write paths relative to a folder instead of "file:///" URLs
  bool publish = false;         // links point into the destination folders (upload)
  bool keep_folders = false;    // publish mode: keep the folders below the template folder
  bool lower_case = false;      // lower-case every rewritten link
  std::string template_folder;  // link values are resolved against it
  std::string album_folder;     // destination of pages and other files
  std::string media_folder;     // destination of media files (empty: album_folder)
  TReferencedFiles* referenced_files = nullptr;  // receives the local files; may be null
};

// True when the value begins with one of the external schemes FTP, GOPHER,
// HTTP, MAILTO, NEWS, NNTP, NEWSRC, NETHELP, TELNET, VIEW-SOURCE or WAIS and
// a colon (any case). Every other value, "file:" and "https:" included, is a
// local link.
bool IsExternalLink(std::string_view value);

// One link value (without its anchor or query). Adds the file it names to
// info.referenced_files (once) and returns the new link, or nullopt when the
// value is left as it is: an external link, a value naming no file (empty or
// ".."), collect mode, or a new link equal to the value.
//
// The new link: in publish mode the file name under the destination folder
// (media_folder for media links when set, else album_folder) or, with
// keep_folders, the path below the template folder, blanks turned into "_",
// escaped but never a "file:" URL. Otherwise, with a destination folder, the
// path relative to it (relative) or the destination folder and file name as
// a "file:///" URL; without one, the path relative to the template folder
// (relative) or the full path as a "file:///" URL. lower_case lower-cases
// it, except that outside publish mode a link keeps its case when only the
// case as written names an existing file (Linux names are case-sensitive).
std::optional<std::string> RewriteLink(std::string_view value, bool media,
                                       const THtmlLinkInfo& info, bool collect_only);

// Scans text for links and returns it with the links rewritten (collect_only:
// the text unchanged; only info.referenced_files is filled). Values that begin
// with "{" (a field) or "^" (a wizard marker), anchors ("#...") and queries
// ("?...") stay as written. Malformed tags are left alone.
std::string ScanHtmlLinks(std::string_view text, const THtmlLinkInfo& info, bool collect_only);

}  // namespace pictavo
