// Template compilation, section cutting and the page merge over arbitrary
// template text: never a crash, a hang or unbounded memory. The first byte
// chooses the pictures per page; the rest is the template. Pages are not
// written; a trivial evaluator stands in for the fields and puts braces and
// token bytes into its values on purpose.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "build/file_merge_info.h"
#include "build/page_merge.h"
#include "pictures/picture_item.h"
#include "template/compile_template.h"
#include "template/conditional_fields.h"

namespace {

constexpr size_t kMaxInput = 64 * 1024;

std::vector<pictavo::TPictureItem> MakeRecords() {
  std::vector<pictavo::TPictureItem> records(5);
  const int widths[] = {640, 480, -1, 300, 10};
  const int heights[] = {480, 640, -1, 300, 20};
  for (int i = 0; i < 5; ++i) {
    auto& r = records[static_cast<size_t>(i)];
    r.fldFileName = "pic" + std::to_string(i);
    r.fldFileType = i == 3 ? "html" : "jpg";
    r.fldImageWidth = widths[i];
    r.fldImageHeight = heights[i];
    r.fldDescription = i % 2 ? "Title::{Info}\x01"
                               "3\x02"
                             : "";
    r.fldIndex = i == 2 ? -(i + 1) : i + 1;
  }
  return records;
}

std::string Evaluate(int id, pictavo::TFileMergeInfo& info) {
  if (pictavo::IsPredicateField(id)) return pictavo::PredicateFieldValue(id, info, false);
  if (pictavo::ConditionalNavigationIsEmpty(id, info)) return "";
  const pictavo::TPictureItem* picture = info.FieldPicture();
  switch (std::abs(id) % 4) {
    case 0:
      return picture ? picture->fldDescription : "";
    case 1:
      return std::to_string(info.running_picture);
    case 2:
      return pictavo::PageFileName(info, info.current_page + 1, false, true, false);
    default:
      return "";
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > kMaxInput) return 0;
  static const std::vector<pictavo::TPictureItem> records = MakeRecords();
  const int per_page = static_cast<int8_t>(data[0]) % 8;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  pictavo::TNamedTexts named;
  named.Add("Footer", "<hr>{ImageName}{MERGE:Footer}");
  named.Add("Open", "{");
  const std::string compiled = pictavo::CompileTemplate(text, named);
  const pictavo::TTemplateSections sections = pictavo::CutSections(compiled);

  pictavo::TFileMergeInfo info;
  info.pictures = &records;
  info.pictures_per_page = per_page;
  info.file_name = "/nonexistent/index.html";
  info.field_callback = &Evaluate;
  if (sections.contents.found) {
    info.body = sections.contents.contents;
    pictavo::MergePages(info, false, false, true, true);
    info.pictures_per_page = per_page;
  }
  info.head = sections.sections.head;
  info.body = sections.sections.body;
  info.tail = sections.sections.tail;
  pictavo::MergePages(info, true, false, false, true);
  return 0;
}
