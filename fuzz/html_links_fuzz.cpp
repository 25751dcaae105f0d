// Link scanning of HTML bytes in each mode: rewrite (relative and absolute
// links), collect and publish. Collect mode must return the text unchanged,
// every collected path is absolute and held once, and a second rewrite of a
// rewritten text must not fail. The paths and URLs found also go through
// UrlToPath and PathToUrl, which must round-trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "template/html_links.h"
#include "template/url_path.h"

namespace {

constexpr size_t kMaxInput = 16 * 1024;

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckFiles(const pictavo::TReferencedFiles& files) {
  std::set<std::string> seen;
  for (const pictavo::TReferencedFile& file : files.Items()) {
    Check(!file.path.empty() && file.path.front() == '/');
    Check(seen.insert(file.path).second);
    Check(files.Contains(file.path));
    Check(pictavo::UrlToPath(pictavo::PathToUrl(file.path)) == file.path);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // Folders that do not exist, so that the lower-case test never finds a file.
  pictavo::TReferencedFiles files;
  pictavo::THtmlLinkInfo info;
  info.template_folder = "/nonexistent-pictavo/Templates/";
  info.album_folder = "/nonexistent-pictavo/Albums/A/";
  info.referenced_files = &files;

  for (int variant = 0; variant < 4; ++variant) {
    info.relative = (variant & 1) != 0;
    info.lower_case = (variant & 2) != 0;
    info.keep_folders = true;
    files.Clear();
    const std::string rewritten = pictavo::ScanHtmlLinks(text, info, false);
    Check(rewritten.size() <= text.size() * 32 + 16);
    CheckFiles(files);
    pictavo::ScanHtmlLinks(rewritten, info, false);
  }

  files.Clear();
  info.template_folder = info.album_folder;
  Check(pictavo::ScanHtmlLinks(text, info, true) == text);
  CheckFiles(files);

  pictavo::THtmlLinkInfo publish;
  publish.relative = true;
  publish.publish = true;
  publish.lower_case = true;
  publish.template_folder = "/nonexistent-pictavo/Albums/A/";
  publish.media_folder = "images/";
  pictavo::ScanHtmlLinks(text, publish, false);
  publish.keep_folders = true;
  pictavo::ScanHtmlLinks(text, publish, false);

  // The helpers on the raw bytes.
  const std::string path = pictavo::UrlToPath(text);
  Check(pictavo::UrlToPath(pictavo::PathToUrl(path)) == path);
  return 0;
}
