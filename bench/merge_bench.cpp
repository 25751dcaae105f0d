// Times the page merge over picture records, without image work:
// merge_bench [trivial]. Compiles a realistic gallery template once, then
// merges it over 1,000, 10,000 and 100,000 records (10 pictures a page) in
// memory (best of three runs), and once over 10,000 records writing the pages into a temporary
// folder. Prints pages per second and the cost per picture for each count;
// a merge that stays linear shows a roughly constant cost per picture.
// Field values come from the real EvaluateField (no image objects, so the
// picture's own path and recorded size are used) unless "trivial" is given.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "build/build_context.h"
#include "build/file_merge_info.h"
#include "build/page_merge.h"
#include "pictures/picture_item.h"
#include "settings/window_state.h"
#include "template/compile_template.h"
#include "template/param_fields.h"
#include "template/template_fields.h"

namespace {

const char* const kTemplate = R"(<!DOCTYPE html>
<html>
<head>
<meta charset="{CharSet}">
<title>{PageTitle} - page {PageIndex} of {PageCount}</title>
<meta name="keywords" content="{PageKeywords}">
<meta name="description" content="{PageInfo}">
<link rel="stylesheet" href="{LINK:style.css}">
</head>
<body bgcolor="#{BackColor}" text="#{TextColor}" link="#{LinkColor}" vlink="#{VLinkColor}">
<h1>{PageTitle}</h1>
<p>{_IsMultiPage}Page {PageIndex} of {PageCount}, {ImageCount} pictures</p>
<p>{_IsFirstPage}Welcome to the album.</p>
<a href="{_PageFirst}">first</a> <a href="{_PagePrev}">previous</a>
<a href="{_PageNext}">next</a> <a href="{_PageLast}">last</a>
<table>
<!--body_start-->
<tr>
<td><a href="{ImageHtmlName}"><img src="{FileName}" width="{ImageTagWidth}" height="{ImageTagHeight}" alt="{ImageName}"></a></td>
<td>{ImageIndex}/{ImageCount} ({PageImageIndex} of {PageImageCount})</td>
<td>{_ImageTitle}<b>{ImageTitle}</b></td>
<td>{ItemInfo}</td>
<td>{_IsLandscape}landscape</td>
<td>{_IsPortrait}portrait</td>
<td>{ImageDate}, {ImageWidth} x {ImageHeight}, {ImageKbSize} KB</td>
<td>{CALC:{ImageWidth}*{ImageHeight}/1000}</td>
</tr>
<!--body_end-->
</table>
<p>{USEBEST:{AuthorName};Anonymous} {AuthorCopyright}</p>
<p>Made with {AppName} {AppVersion}</p>
</body>
</html>
)";

std::vector<pictavo::TPictureItem> MakeRecords(int count) {
  std::vector<pictavo::TPictureItem> records(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    pictavo::TPictureItem& r = records[static_cast<size_t>(i)];
    r.fldFileName = "IMG_" + std::to_string(10000 + i);
    r.fldFileType = "jpg";
    r.fldFullName = "/home/user/Pictures/" + r.fldFileName + ".jpg";
    r.fldFileDate = 1700000000 + i * 60;
    r.fldFileSize = 250000 + i;
    r.fldImageWidth = i % 3 ? 1600 : 1200;
    r.fldImageHeight = i % 3 ? 1200 : 1600;
    r.fldDescription = i % 4 ? "Holiday " + std::to_string(i) + "::At the lake" : "";
    r.fldIndex = i % 50 == 49 ? -(i + 1) : i + 1;  // every 50th record excluded
  }
  return records;
}

std::string Trivial(int id, pictavo::TFileMergeInfo& info) {
  const pictavo::TPictureItem* p = info.FieldPicture();
  if (id < 0 && p == nullptr) return "";
  return p ? p->fldFileName : std::to_string(info.current_page);
}

struct TRun {
  double seconds = 0;
  int pages = 0;
  int pictures = 0;
  size_t bytes = 0;
};

TRun Merge(int count, bool trivial, bool write, const std::string& folder) {
  static const std::string compiled = pictavo::CompileTemplate(kTemplate, pictavo::TNamedTexts());
  static const pictavo::TBodySections sections = pictavo::CutBodySections(compiled);
  static pictavo::TWindowState window;
  static pictavo::TBuildContext context;
  context.window = &window;
  context.AlbumFolder = folder;
  context.PageExt = "html";
  context.PageFileName = &pictavo::PageFileName;

  const std::vector<pictavo::TPictureItem> records = MakeRecords(count);
  pictavo::TFileMergeInfo info;
  info.pictures = &records;
  info.pictures_per_page = 10;
  info.file_name = folder + "/index.html";
  info.head = sections.head;
  info.body = sections.body;
  info.tail = sections.tail;
  info.field_callback =
      trivial ? pictavo::TFieldCallback(&Trivial) : pictavo::MakeFieldCallback(context);
  info.post_callback = [](std::string& text) { pictavo::ApplyParamFields(text); };

  const auto start = std::chrono::steady_clock::now();
  const bool ok = pictavo::MergePages(info, true, write, false, true);
  TRun run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.pages = ok ? info.page_count : 0;
  run.pictures = info.picture_count;
  run.bytes = info.body.size();
  return run;
}

void Report(const char* what, int count, const TRun& run) {
  std::printf("%-7s %7d records %6d pages %8.3f s %10.0f pages/s %8.2f us/picture\n", what, count,
              run.pages, run.seconds, run.pages / std::max(run.seconds, 1e-9),
              run.seconds * 1e6 / std::max(run.pictures, 1));
}

}  // namespace

int main(int argc, char** argv) {
  const bool trivial = argc > 1 && std::strcmp(argv[1], "trivial") == 0;
  std::printf("field values: %s\n", trivial ? "trivial evaluator" : "EvaluateField");
  const std::string folder =
      (std::filesystem::temp_directory_path() / ("merge_bench_" + std::to_string(::getpid())))
          .string();
  std::filesystem::create_directories(folder);

  Merge(1000, trivial, false, folder);  // warm-up
  std::vector<double> costs;
  for (int count : {1000, 10000, 100000}) {
    // Best of three: the machine may be shared.
    TRun run = Merge(count, trivial, false, folder);
    for (int pass = 1; pass < 3; ++pass) {
      const TRun again = Merge(count, trivial, false, folder);
      if (again.seconds < run.seconds) run = again;
    }
    Report("memory", count, run);
    costs.push_back(run.seconds / std::max(run.pictures, 1));
  }
  const TRun written = Merge(10000, trivial, true, folder);
  Report("written", 10000, written);
  std::filesystem::remove_all(folder);

  const double ratio = costs.back() / costs.front();
  std::printf("cost per picture, 100,000 against 1,000 records: %.2f (1.00 is linear)\n", ratio);
  return written.pages > 0 && ratio < 3.0 ? 0 : 1;
}
