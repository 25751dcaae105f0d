#include "build/page_merge.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "build/simple_fields_helper.h"
#include "pictures/picture_item.h"
#include "platform/file_system.h"
#include "support/test_support.h"
#include "template/compile_template.h"
#include "template/field_ids.h"

namespace pictavo {
namespace {

using test::ReadFile;
using test::TScriptedUserInterface;
using test::TTempDir;
using test::WriteFile;

std::vector<TPictureItem> MakePictures(int count) {
  std::vector<TPictureItem> pictures(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    TPictureItem& p = pictures[static_cast<size_t>(i)];
    p.fldFileName = "p" + std::to_string(i + 1);
    p.fldFileType = "jpg";
    p.fldImageWidth = 640;
    p.fldImageHeight = 480;
    p.fldIndex = i + 1;
  }
  return pictures;
}

std::string Compile(const std::string& text) {
  return CompileTemplate(text, TNamedTexts());
}

// A merge over pictures with the simple evaluator, recording the page events.
struct TMergeFixture {
  std::vector<TPictureItem> pictures;
  TFileMergeInfo info;
  std::vector<std::pair<int, std::string>> events;  // kind, picture name or page name
  TScriptedUserInterface ui;

  TMergeFixture(int count, int per_page) : pictures(MakePictures(count)) {
    info.pictures = &pictures;
    info.pictures_per_page = per_page;
    info.file_name = "/nonexistent/index.html";
    info.field_callback = test::SimpleFieldCallback();
    info.ui = &ui;
    info.page_callback = [this](int kind, const TPictureItem* p, const std::string& file) {
      events.emplace_back(kind, p ? p->fldFileName : NamePart(file));
    };
  }
  void SetSections(const std::string& head, const std::string& body, const std::string& tail) {
    info.head = Compile(head);
    info.body = Compile(body);
    info.tail = Compile(tail);
  }
  static std::string NamePart(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
  }
};

TEST(ComputePaging, PagesAndFormats) {
  struct TCase {
    int pictures, per_page;
    int pages, per_page_after;
    const char* page_format;
    const char* picture_format;
  };
  const TCase cases[] = {
      {25, 10, 3, 10, "%0.1d", "%0.2d"},  {25, 1, 25, 1, "%0.2d", "%0.2d"},
      {25, 0, 1, 25, "%0.1d", "%0.2d"},   {25, -3, 1, 25, "%0.1d", "%0.2d"},
      {120, 1, 120, 1, "%0.3d", "%0.3d"}, {9, 2, 5, 2, "%0.1d", "%0.1d"},
      {0, 5, 0, 5, "%0.1d", "%0.1d"},     {10, 10, 1, 10, "%0.1d", "%0.2d"},
  };
  for (const TCase& c : cases) {
    std::vector<TPictureItem> pictures = MakePictures(c.pictures + 2);
    // Two excluded records take no part.
    pictures[0].fldIndex = -1;
    pictures.back().fldIndex = -(c.pictures + 2);
    TFileMergeInfo info;
    info.pictures = &pictures;
    info.pictures_per_page = c.per_page;
    ComputePaging(info);
    EXPECT_EQ(info.picture_count, c.pictures) << c.pictures << "/" << c.per_page;
    EXPECT_EQ(info.page_count, c.pages) << c.pictures << "/" << c.per_page;
    EXPECT_EQ(info.pictures_per_page, c.per_page_after) << c.pictures << "/" << c.per_page;
    EXPECT_EQ(info.page_number_format, c.page_format);
    EXPECT_EQ(info.picture_number_format, c.picture_format);
    ASSERT_EQ(info.included_pictures.size(), static_cast<size_t>(c.pictures));
    if (c.pictures > 0) {
      EXPECT_EQ(info.included_pictures[0], &pictures[1]);
    }
  }
}

TEST(PageFileName, Numbering) {
  TFileMergeInfo info;
  info.file_name = "/albums/trip/index.html";
  auto names = [&info](int pages, bool number_first, std::vector<int> ns) {
    info.page_count = pages;
    info.page_number_format = "%0." + std::to_string(std::to_string(pages).size()) + "d";
    info.number_first_page = number_first;
    std::string out;
    for (int n : ns) out += PageFileName(info, n, false, false, true) + " ";
    return out;
  };
  EXPECT_EQ(names(9, false, {1, 2, 9}), "index.html index2.html index9.html ");
  EXPECT_EQ(names(12, false, {1, 2, 12}), "index.html index02.html index12.html ");
  EXPECT_EQ(names(12, true, {1}), "index01.html ");
  EXPECT_EQ(names(9, true, {1}), "index1.html ");
  EXPECT_EQ(names(1, true, {1, 2}), "index.html index.html ");
  // Out-of-range numbers are limited to the pages there are.
  EXPECT_EQ(names(3, false, {0, 4, 99}), "index.html index3.html index3.html ");
  info.page_count = 3;
  info.number_first_page = false;
  EXPECT_EQ(PageFileName(info, 2, true, false, true), "/albums/trip/index2.html");
  // A name without a dot gets the number appended; a dot in a folder does not count.
  info.file_name = "/albums/v1.0/index";
  EXPECT_EQ(PageFileName(info, 3, true, false, true), "/albums/v1.0/index3");
  // The contents base is used when the write flag is off.
  info.contents_base = "/albums/main.html";
  EXPECT_EQ(PageFileName(info, 2, false, false, false), "main2.html");
  EXPECT_EQ(PageFileName(info, 2, false, false, true), "index2");
}

TEST(PageFileName, PageNames) {
  TFileMergeInfo info;
  info.file_name = "/a/index.html";
  info.page_count = 3;
  info.page_number_format = "%0.1d";
  info.page_names = {"/a/one.html", "/a/two.html", "/a/three.html"};
  EXPECT_EQ(PageFileName(info, 2, false, true, true), "two.html");
  EXPECT_EQ(PageFileName(info, 3, true, true, false), "/a/three.html");
  EXPECT_EQ(PageFileName(info, 4, true, true, true), "");
  EXPECT_EQ(PageFileName(info, 0, true, true, true), "");
  // Without the page-names flag the list is not used.
  EXPECT_EQ(PageFileName(info, 2, false, false, true), "index2.html");
}

TEST(ExtractFieldTokens, FindsAndRemovesTokens) {
  std::vector<std::string> lines = {
      "a\x01"
      "25\x02"
      "b\x01"
      "-37\x02",
      "no tokens",
      "\x01"
      "x\x02"
      "c\x01\x02"
      "d\x01"
      "99999999999\x02"
      "e",
      "\x01"
      "3\x02\x01"
      "4\x02",
      "lone\x01"
      "5",
      "x\x02"
      "y",
  };
  const std::vector<TIndexObj> tokens = ExtractFieldTokens(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"ab", "no tokens", "cde", "",
                                             "lone\x01"
                                             "5",
                                             "x\x02"
                                             "y"}));
  const std::vector<std::tuple<int, int, int>> expected = {
      {0, 2, 25}, {0, 3, -37}, {3, 1, 3}, {3, 1, 4}};
  ASSERT_EQ(tokens.size(), expected.size());
  for (size_t i = 0; i < tokens.size(); ++i) {
    EXPECT_EQ(std::make_tuple(tokens[i].line, tokens[i].position, tokens[i].id), expected[i]) << i;
  }
}

TEST(MergePages, PagesOfTenOverTwentyFivePictures) {
  TTempDir dir;
  TMergeFixture f(25, 10);
  f.info.file_name = dir.file("index.html");
  f.SetSections("<h1>{PageIndex}/{PageCount}</h1>\n",
                "{ImageIndex}:{PageImageIndex}/{PageImageCount}\n", "<p>end {PageName}</p>\n");
  ASSERT_TRUE(MergePages(f.info, true, true, true, true));
  EXPECT_EQ(f.info.page_count, 3);
  const std::string page3 = ReadFile(dir.file("index3.html"));
  EXPECT_EQ(page3,
            "<h1>3/3</h1>\r\n21:1/10\r\n22:2/10\r\n23:3/10\r\n24:4/10\r\n25:5/10\r\n"
            "<p>end index3.html</p>\r\n");
  EXPECT_NE(ReadFile(dir.file("index.html")).find("\r\n10:10/10\r\n<p>end index.html"),
            std::string::npos);
  EXPECT_TRUE(FileExists(dir.file("index2.html")));
  // Events: every picture, then the page.
  ASSERT_EQ(f.events.size(), 28u);
  EXPECT_EQ(f.events[0], std::make_pair(0, std::string("p1")));
  EXPECT_EQ(f.events[10], std::make_pair(2, std::string("index.html")));
  EXPECT_EQ(f.events.back(), std::make_pair(2, std::string("index3.html")));
}

TEST(MergePages, BodyWithoutFinalLineBreakRepeatsWithoutBreaks) {
  for (const char* body : {"<td>{ImageName}</td>", "<td>x</td>"}) {
    TMergeFixture f(3, 0);
    f.SetSections("<tr>\n", body, "</tr>\n");
    ASSERT_TRUE(MergePages(f.info, true, false, false, true));
    const std::string cell = std::string(body) == "<td>x</td>" ? "x" : "";
    if (cell.empty()) {
      EXPECT_EQ(f.info.body, "<tr>\r\n<td>p1</td><td>p2</td><td>p3</td></tr>\r\n");
    } else {
      EXPECT_EQ(f.info.body, "<tr>\r\n<td>x</td><td>x</td><td>x</td></tr>\r\n");
    }
  }
}

TEST(MergePages, ConditionalLinesPerPictureAndPage) {
  TMergeFixture f(3, 1);
  f.pictures[1].fldDescription = "Sunset::At the beach";
  f.SetSections("{_IsFirstPage}first\n<a href=\"{_PageNext}\">next</a>\n",
                "{_ImageTitle}<b>{ImageTitle}</b>\n{ImageName}\n", "");
  ASSERT_TRUE(MergePages(f.info, true, false, false, true));
  EXPECT_EQ(f.info.body,
            "FirstPagefirst\r\n"
            "<a href=\"index2.html\">next</a>\r\np1\r\n"
            "<a href=\"index3.html\">next</a>\r\nSunset<b>Sunset</b>\r\np2\r\n"
            "p3\r\n");
}

TEST(MergePages, NoIncludedPictureWritesNothing) {
  TTempDir dir;
  TMergeFixture f(2, 1);
  for (auto& p : f.pictures) p.fldIndex = -p.fldIndex;
  f.info.file_name = dir.file("index.html");
  f.SetSections("h", "b", "t");
  EXPECT_TRUE(MergePages(f.info, true, true, false, true));
  EXPECT_EQ(f.info.head + f.info.body + f.info.tail, "");
  EXPECT_FALSE(FileExists(dir.file("index.html")));
  EXPECT_TRUE(f.events.empty());
}

TEST(MergePages, OnlyFirstPageWithoutAllPagesFlag) {
  TMergeFixture f(25, 10);
  f.SetSections("", "{ImageName} {PageCount}\n", "");
  int post_runs = 0;
  f.info.post_callback = [&post_runs](std::string& text) {
    ++post_runs;
    text += "[post]";
  };
  ASSERT_TRUE(MergePages(f.info, true, false, false, false));
  EXPECT_EQ(f.info.page_count, 3);
  EXPECT_EQ(f.info.body.find("p11"), std::string::npos);
  EXPECT_NE(f.info.body.find("p10 3\r\n[post]"), std::string::npos);
  EXPECT_EQ(post_runs, 1);
  EXPECT_EQ(f.events.back(), std::make_pair(1, std::string("index.html")));
}

TEST(MergePages, ExcludedPicturesAreSkipped) {
  TMergeFixture f(5, 2);
  f.pictures[1].fldIndex = -2;
  f.pictures[3].fldIndex = -4;
  f.SetSections("[{PageIndex}/{PageCount}]", "{ImageName}/{ImageIndex}/{ImageCount}", "\n");
  ASSERT_TRUE(MergePages(f.info, true, false, false, true));
  EXPECT_EQ(f.info.body, "[1/2]\r\np1/1/3p3/2/3\r\n[2/2]\r\np5/3/3\r\n");
}

TEST(MergePages, NonIteratingRunExpandsOnceWithThePagesPicture) {
  TMergeFixture f(3, 1);
  f.info.body = Compile("{ImageName} of {PageCount}\n");
  f.info.contents_base = "/x/main.html";
  ASSERT_TRUE(MergePages(f.info, false, false, false, false));
  EXPECT_EQ(f.info.body, "p1 of 3\r\n");
  // The contents section: once per page, the picture of each page.
  TMergeFixture c(3, 1);
  c.info.body = Compile("<a href=\"{PageName}\">{ImageName}</a>\n");
  c.info.contents_base = "/x/main.html";
  ASSERT_TRUE(MergePages(c.info, false, false, true, true));
  EXPECT_EQ(c.info.body,
            "<a href=\"main.html\">p1</a>\r\n<a href=\"main2.html\">p2</a>\r\n"
            "<a href=\"main3.html\">p3</a>\r\n");
}

TEST(MergePages, CtrlAltAsksAndStopsOnYes) {
  {
    // Answer No: the run goes on with the next slot.
    TMergeFixture f(4, 2);
    f.ui.ctrl_alt_after = 1;
    f.ui.answers = {TAnswer::No, TAnswer::No, TAnswer::No};
    f.SetSections("", "{ImageName}\n", "");
    EXPECT_TRUE(MergePages(f.info, true, false, false, true));
    EXPECT_EQ(f.info.body, "p1\r\np2\r\np3\r\np4\r\n");
    EXPECT_EQ(f.ui.questions.size(), 3u);
    EXPECT_EQ(f.ui.questions[0], "Do you want to stop building the album?");
  }
  {
    // Answer Yes on page 2: page 1 is written, page 2 is not.
    TTempDir dir;
    TMergeFixture f(4, 2);
    f.info.file_name = dir.file("index.html");
    f.ui.ctrl_alt_after = 2;
    f.ui.answers = {TAnswer::Yes};
    f.SetSections("", "{ImageName}\n", "");
    EXPECT_FALSE(MergePages(f.info, true, true, false, true));
    EXPECT_TRUE(FileExists(dir.file("index.html")));
    EXPECT_FALSE(FileExists(dir.file("index2.html")));
  }
  {
    // Closing the application stops without asking.
    TMergeFixture f(4, 2);
    int calls = 0;
    f.info.is_closing = [&calls] { return ++calls > 3; };
    f.SetSections("", "{ImageName}\n", "");
    EXPECT_FALSE(MergePages(f.info, true, false, false, true));
    EXPECT_TRUE(f.ui.questions.empty());
  }
}

TEST(MergePages, MergeModeWritesNothing) {
  TTempDir dir;
  TMergeFixture f(2, 1);
  f.info.file_name = dir.file("index.html");
  f.info.merge_mode = true;
  f.SetSections("", "{ImageName}\n", "");
  ASSERT_TRUE(MergePages(f.info, true, true, false, true));
  EXPECT_EQ(f.info.body, "p1\r\np2\r\n");
  EXPECT_FALSE(FileExists(dir.file("index.html")));
  EXPECT_EQ(f.events.back().first, 1);
}

TEST(MergePages, SaveFailureStopsTheRun) {
  TTempDir dir;
  TMergeFixture f(4, 1);
  f.info.file_name = dir.file("missing/folder/index.html");
  f.SetSections("", "{ImageName}\n", "");
  EXPECT_FALSE(MergePages(f.info, true, true, false, true));
  ASSERT_GE(f.events.size(), 3u);
  EXPECT_EQ(f.events[f.events.size() - 2].first, 2);
  EXPECT_EQ(f.events.back().first, 3);
  EXPECT_EQ(f.ui.errors.size(), 1u);
  // Stopped after the first page.
  EXPECT_EQ(f.events.size(), 3u);
}

TEST(MergePages, HugePagesDoNotLoopOverEmptySlots) {
  TMergeFixture f(3, 2000000000);
  f.SetSections("", "{ImageName}\n", "{PageImageCount}\n");
  ASSERT_TRUE(MergePages(f.info, true, false, false, true));
  EXPECT_EQ(f.info.body, "p1\r\np2\r\np3\r\n2000000000\r\n");
}

TEST(SavePageText, WritesUpToTheFirstZeroByte) {
  TTempDir dir;
  const std::string file = dir.file("page.html");
  EXPECT_TRUE(SavePageText(std::string("abc\0def", 7), file));
  EXPECT_EQ(ReadFile(file), "abc");
  EXPECT_TRUE(SavePageText("", file));
  EXPECT_EQ(ReadFile(file), "");
}

TEST(SavePageText, ReadOnlyPageIsReplacedAndKeepsItsPermissions) {
  TTempDir dir;
  const std::string file = dir.file("page.html");
  WriteFile(file, "old");
  ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  EXPECT_TRUE(SavePageText("new page", file));
  EXPECT_EQ(ReadFile(file), "new page");
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST(SavePageText, UnwritablePlaceFailsWithAMessage) {
  TTempDir dir;
  TScriptedUserInterface ui;
  EXPECT_FALSE(SavePageText("x", dir.file("no/such/dir/page.html"), &ui));
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_FALSE(ui.errors[0].empty());
  EXPECT_FALSE(SavePageText("x", dir.path(), &ui));  // a folder is in the way
}

}  // namespace
}  // namespace pictavo
