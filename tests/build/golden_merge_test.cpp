// Template-to-pages cases: tests/golden/<case>/ holds template.html, case.txt
// (paging options and the picture records) and expected/ with every page the
// merge must write, byte for byte. One test walks all cases. Field values come
// from the simple evaluator of simple_fields_helper.h; the parameterised
// fields are the real ApplyParamFields.
//
// case.txt lines: "per_page=N", "number_first_page=0|1", "file_name=NAME",
// "picture=name|type|width|height|index|description" (index negative for an
// excluded record), and "fields=real" with "page_title=TEXT" for a case that
// takes its values from the real EvaluateField (window defaults, no image
// objects). Set PICTAVO_UPDATE_GOLDEN=1 to rewrite expected/.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "build/build_context.h"
#include "build/page_merge.h"
#include "build/simple_fields_helper.h"
#include "pictures/picture_item.h"
#include "platform/file_system.h"
#include "platform/text_lines.h"
#include "settings/window_state.h"
#include "support/test_support.h"
#include "template/compile_template.h"
#include "template/param_fields.h"
#include "template/template_fields.h"

namespace pictavo {
namespace {

struct TGoldenCase {
  int per_page = 0;
  bool number_first_page = false;
  std::string file_name = "index.html";
  bool real_fields = false;
  std::string page_title;
  std::vector<TPictureItem> pictures;
};

TGoldenCase ReadCase(const std::string& folder) {
  TGoldenCase c;
  const auto text = TryReadFileBytes(folder + "/case.txt");
  if (!text) return c;
  for (const std::string& line : SplitLines(*text)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "per_page") {
      c.per_page = std::atoi(value.c_str());
    } else if (key == "number_first_page") {
      c.number_first_page = value == "1";
    } else if (key == "fields") {
      c.real_fields = value == "real";
    } else if (key == "page_title") {
      c.page_title = value;
    } else if (key == "file_name") {
      c.file_name = value;
    } else if (key == "picture") {
      const std::vector<std::string> parts = SplitText(value, '|');
      TPictureItem p;
      p.fldFileName = parts.size() > 0 ? parts[0] : "";
      p.fldFileType = parts.size() > 1 ? parts[1] : "";
      p.fldImageWidth = parts.size() > 2 ? std::atoi(parts[2].c_str()) : -1;
      p.fldImageHeight = parts.size() > 3 ? std::atoi(parts[3].c_str()) : -1;
      p.fldIndex = parts.size() > 4 ? std::atoi(parts[4].c_str()) : 1;
      p.fldDescription = parts.size() > 5 ? parts[5] : "";
      p.fldFullName = "/pictures/" + p.fldFileName + "." + p.fldFileType;
      c.pictures.push_back(p);
    }
  }
  return c;
}

std::vector<std::string> SortedNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const TFolderEntry& e : ReadFolder(folder)) {
    if (!e.is_dir) names.push_back(e.name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Builds one case the way the build does: compile, contents section (merged
// once per page without pictures), head/body/tail merged and written.
void BuildCase(const std::string& folder, const std::string& out_folder) {
  TGoldenCase c = ReadCase(folder);
  const std::string source = TryReadFileBytes(folder + "/template.html").value_or("");
  const std::string compiled = CompileTemplate(source, TNamedTexts());

  TFileMergeInfo info;
  info.pictures = &c.pictures;
  info.pictures_per_page = c.per_page;
  info.number_first_page = c.number_first_page;
  info.file_name = out_folder + "/" + c.file_name;
  TWindowState window;
  window.edtPageTitle = c.page_title;
  TBuildContext context;
  context.window = &window;
  context.AlbumFolder = out_folder + "/";
  context.PageExt = "html";
  context.PageFileName = &PageFileName;
  info.field_callback = c.real_fields ? MakeFieldCallback(context) : test::SimpleFieldCallback();
  info.post_callback = [](std::string& text) { ApplyParamFields(text); };

  TContentsCut contents = CutContentsSection(compiled);
  std::string text = contents.text;
  if (contents.found) {
    info.body = contents.contents;
    ASSERT_TRUE(MergePages(info, false, false, true, true));
    text.insert(contents.insert_pos, info.body);
    info.pictures_per_page = c.per_page;
  }
  const TBodySections sections = CutBodySections(text);
  info.head = sections.head;
  info.body = sections.body;
  info.tail = sections.tail;
  ASSERT_TRUE(MergePages(info, true, true, true, true));
}

TEST(GoldenMerge, EveryCaseWritesItsExpectedPages) {
  const std::string golden = test::TestDataDir() + "/golden";
  const bool update = std::getenv("PICTAVO_UPDATE_GOLDEN") != nullptr;
  std::vector<std::string> cases;
  for (const TFolderEntry& e : ReadFolder(golden)) {
    if (e.is_dir && FileExists(golden + "/" + e.name + "/template.html")) cases.push_back(e.name);
  }
  std::sort(cases.begin(), cases.end());
  ASSERT_FALSE(cases.empty());
  for (const std::string& name : cases) {
    SCOPED_TRACE(name);
    const std::string folder = golden + "/" + name;
    test::TTempDir out;
    BuildCase(folder, out.path());
    const std::string expected_folder = folder + "/expected";
    if (update) {
      ForceFolders(expected_folder);
      for (const std::string& page : SortedNames(out.path())) {
        WriteFileAtomic(expected_folder + "/" + page, test::ReadFile(out.file(page)));
      }
      continue;
    }
    const std::vector<std::string> written = SortedNames(out.path());
    EXPECT_EQ(written, SortedNames(expected_folder));
    for (const std::string& page : written) {
      EXPECT_EQ(test::ReadFile(out.file(page)),
                TryReadFileBytes(expected_folder + "/" + page).value_or("<missing>"))
          << page;
    }
  }
}

}  // namespace
}  // namespace pictavo
