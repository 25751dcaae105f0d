// The templates, backgrounds and demo album settings that ship in data/:
// every template is built with pictavo-cli over the bundled sample pictures,
// and the album it makes is checked page by page: the pages are valid HTML
// (with tidy when it is installed), declare their character set, hold no
// field or wizard leftovers, link only to files that exist, and every page
// can be reached from the contents page.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <deque>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_support.h"
#include "template/field_ids.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;
using test::CommandOutput;
using test::ReadFile;
using test::WriteFile;

const std::string kData = std::string(PICTAVO_SOURCE_DIR) + "/data";

std::string Q(const std::string& s) {
  std::string quoted = "'";
  for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// "%20" and friends back to bytes.
std::string DecodeUrl(const std::string& url) {
  std::string out;
  for (size_t i = 0; i < url.size(); ++i) {
    if (url[i] == '%' && i + 2 < url.size() &&
        std::isxdigit(static_cast<unsigned char>(url[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(url[i + 2]))) {
      out += static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += url[i];
    }
  }
  return out;
}

// The values of href="..." and src="..." attributes and of CSS url("...").
std::vector<std::string> LinkValues(const std::string& page) {
  std::vector<std::string> values;
  for (const std::string_view opener : {" href=\"", " src=\"", "url(\""}) {
    for (size_t at = page.find(opener); at != std::string::npos; at = page.find(opener, at + 1)) {
      const size_t begin = at + opener.size();
      const size_t end = page.find('"', begin);
      if (end == std::string::npos) break;
      values.push_back(page.substr(begin, end - begin));
    }
  }
  return values;
}

bool IsLocalLink(const std::string& link) {
  if (link.empty() || link[0] == '#') return false;
  const size_t colon = link.find(':');
  return colon == std::string::npos || link.find('/') < colon;  // no scheme
}

// Brace pairs whose content looks like a field name ("{ImageName}",
// "{_PageNext}", "{CALC:...}"): what an unknown or misspelt tag leaves.
std::vector<std::string> FieldLikeTags(const std::string& text) {
  std::vector<std::string> tags;
  for (size_t open = text.find('{'); open != std::string::npos; open = text.find('{', open + 1)) {
    size_t i = open + 1;
    if (i < text.size() && text[i] == '_') ++i;
    const size_t name_start = i;
    while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i]))) ++i;
    if (i == name_start || i >= text.size()) continue;
    if (text[i] == '}' || text[i] == ':') {
      const size_t close = text.find('}', i);
      tags.push_back(text.substr(open, close == std::string::npos ? 20 : close - open + 1));
    }
  }
  return tags;
}

struct TAlbum {
  int status = -1;
  std::string output;
  std::string folder;
  std::string contents_page;
};

class ShippedTemplatesTest : public ::testing::Test {
 protected:
  // A lower-case root of its own, so that folder names never differ from
  // the lower-cased page names only by case.
  void SetUp() override {
    root_ = (fs::temp_directory_path() / ("pictavo-shipped-" + std::to_string(getpid()))).string();
    fs::remove_all(root_);
    fs::create_directories(root_ + "/base");
    WriteFile(root_ + "/pictavo.ini", "[Options]\nBaseFolder=" + root_ + "/base\n");
  }
  void TearDown() override { fs::remove_all(root_); }

  // Builds with a fresh base folder (seeded with the shipped templates and
  // backgrounds) into root/name.
  TAlbum Build(const std::string& name, const std::string& args) {
    fs::remove_all(root_ + "/base");
    fs::create_directories(root_ + "/base");
    TAlbum album;
    album.folder = root_ + "/" + name;
    album.output =
        CommandOutput(Q(PICTAVO_CLI) + " build --ini " + Q(root_ + "/pictavo.ini") + " " +
                          Q("Settings.OutputDir=" + album.folder) + " " + args + " </dev/null 2>&1",
                      &album.status);
    std::string last = album.output;
    while (!last.empty() && last.back() == '\n') last.pop_back();
    album.contents_page = last.substr(last.rfind('\n') + 1);
    return album;
  }

  TAlbum BuildTemplate(const std::string& name, const std::string& more = "") {
    return Build(Lower(name), Q("Settings.Template=" + name) + " " +
                                  Q("Settings.PictureFolder=" + kData + "/Samples") +
                                  " Settings.BackgroundImage=Paper.png " +
                                  Q("Author.Name=Ada Lovelace & Co") +
                                  " Author.Email=ada@example.org " + more);
  }

  // Every check that holds for every page of every shipped template; returns
  // the HTML files of the album folder.
  std::set<std::string> CheckAlbum(const TAlbum& album, const std::string& charset = "utf-8") {
    std::set<std::string> pages;
    EXPECT_EQ(album.status, 0) << album.output;
    EXPECT_TRUE(fs::is_regular_file(album.contents_page)) << album.output;
    for (const auto& entry : fs::directory_iterator(album.folder)) {
      if (entry.path().extension() == ".html") pages.insert(entry.path().string());
    }
    EXPECT_FALSE(pages.empty());
    for (const std::string& path : pages) {
      SCOPED_TRACE(path);
      const std::string page = ReadFile(path);
      EXPECT_NE(Lower(page).find("<meta charset=\"" + charset + "\">"), std::string::npos);
      EXPECT_EQ(Lower(page).find("<meta charset=", Lower(page).find("<meta charset=") + 1),
                std::string::npos)
          << "a second character set";
      EXPECT_EQ(page.find("^?"), std::string::npos) << "a completion wizard marker is left";
      EXPECT_TRUE(std::none_of(page.begin(), page.end(), [](char c) { return c >= 1 && c <= 6; }))
          << "field token bytes are left";
      EXPECT_EQ(FieldLikeTags(page), std::vector<std::string>{}) << "field tags are left";
      for (const std::string& link : LinkValues(page)) {
        EXPECT_FALSE(link.empty()) << "an empty link";
        if (!IsLocalLink(link)) continue;
        EXPECT_TRUE(fs::exists(fs::path(path).parent_path() / DecodeUrl(link)))
            << "link to a missing file: " << link;
      }
      if (test::HaveProgram("tidy")) {
        EXPECT_EQ(CommandOutput("tidy -errors -q " + Q(path) + " 2>&1"), "");
      }
    }
    return pages;
  }

  // The pages reached by following links from the contents page.
  static std::set<std::string> Reachable(const std::string& contents_page) {
    const std::string start = fs::weakly_canonical(contents_page).string();
    std::set<std::string> seen{start};
    std::deque<std::string> queue{start};
    while (!queue.empty()) {
      const std::string page = queue.front();
      queue.pop_front();
      for (const std::string& link : LinkValues(ReadFile(page))) {
        if (!IsLocalLink(link) || fs::path(link).extension() != ".html") continue;
        const std::string target =
            fs::weakly_canonical(fs::path(page).parent_path() / DecodeUrl(link)).string();
        if (seen.insert(target).second && fs::exists(target)) queue.push_back(target);
      }
    }
    return seen;
  }

  std::string root_;
};

TEST_F(ShippedTemplatesTest, TemplateSourcesUseOnlyKnownFields) {
  std::vector<fs::path> templates;
  for (const auto& e : fs::directory_iterator(kData + "/Templates")) templates.push_back(e.path());
  ASSERT_GE(templates.size(), 4u);
  for (const fs::path& path : templates) {
    SCOPED_TRACE(path.string());
    const std::string text = ReadFile(path.string());
    for (const std::string& tag : FieldLikeTags(text)) {
      EXPECT_NE(FieldIdFromName(tag.substr(1, tag.size() - 2)), 0) << tag;
    }
    EXPECT_NE(Lower(text).find("<!--album-options"), std::string::npos) << "no album options";
  }
}

// One case per main template: the contents page it names, the number of
// pages it writes for the twelve samples, and a text its pages must show.
struct TShippedCase {
  const char* name;
  const char* contents_page;
  size_t pages;
  const char* shows;
};

TEST_F(ShippedTemplatesTest, EveryTemplateBuildsAValidLinkedAlbum) {
  size_t samples = 0;
  for (const auto& e : fs::directory_iterator(kData + "/Samples")) {
    const std::string ext = Lower(e.path().extension().string());
    if (ext == ".jpg" || ext == ".png") ++samples;
  }
  ASSERT_EQ(samples, 12u) << "the cases below count the bundled samples";
  const TShippedCase cases[] = {
      // 8 thumbnails per page: two index pages and one page per picture.
      {"Default", "index1.html", 2 + 12, "Pictures 9&ndash;12 of 12, page 2 of 2"},
      // One picture per page, numbered from the first page on.
      {"Slideshow", "index01.html", 12, "style=\"width: 50%\""},
      {"Journal", "index.html", 1, "class=\"intro\">A few pictures and the stories"},
      {"Contact Sheet", "index.html", 1 + 12, "tn_glacier.jpg\" width=\"120\" height=\"180\""},
  };
  for (const TShippedCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TAlbum album = BuildTemplate(c.name);
    const std::set<std::string> pages = CheckAlbum(album);
    EXPECT_EQ(fs::path(album.contents_page).filename(), c.contents_page);
    EXPECT_EQ(pages.size(), c.pages);
    std::string all;
    for (const std::string& p : pages) all += ReadFile(p);
    EXPECT_NE(all.find(c.shows), std::string::npos);
    // The background image is copied beside the pictures.
    EXPECT_NE(all.find("url(\"images/paper.png\")"), std::string::npos);
    if (std::string(c.name) == "Default") {
      EXPECT_NE(all.find("<p>Ada Lovelace &amp; Co</p>"), std::string::npos);
      EXPECT_NE(all.find("<a href=\"mailto:ada@example.org\">"), std::string::npos);
    }
    if (album.status == 0) {
      const std::set<std::string> reached = Reachable(album.contents_page);
      for (const std::string& p : pages) {
        EXPECT_TRUE(reached.count(fs::weakly_canonical(p).string())) << "unreachable: " << p;
      }
    }
  }
}

TEST_F(ShippedTemplatesTest, WizardAnswersAndCharacterSetReachThePages) {
  const TAlbum album = BuildTemplate("Slideshow",
                                     "Settings.CharSet=ISO-8859-1 --answer 'Colour scheme=light' "
                                     "--answer 'Thumbnail strip=hidden'");
  CheckAlbum(album, "iso-8859-1");
  const std::string first = ReadFile(album.folder + "/index01.html");
  EXPECT_NE(first.find("<html lang=\"en\" class=\"light\">"), std::string::npos);
  EXPECT_NE(first.find("<body class=\"strip-hidden\">"), std::string::npos);
  // On the first page the previous and first links are plain text; the last
  // page has no next link.
  EXPECT_EQ(first.find("rel=\"prev\""), std::string::npos);
  EXPECT_EQ(ReadFile(album.folder + "/index12.html").find("rel=\"next\""), std::string::npos);
}

TEST_F(ShippedTemplatesTest, DemoSettingsBuildTheSampleAlbum) {
  const TAlbum album = Build("demo", "--album " + Q(kData + "/Settings/Demo Default.alb"));
  const std::set<std::string> pages = CheckAlbum(album);
  EXPECT_EQ(fs::path(album.contents_page).filename(), "index1.html");
  EXPECT_NE(ReadFile(album.contents_page).find("<title>Landscapes of Pictavo</title>"),
            std::string::npos);
  EXPECT_EQ(pages.size(), 2u + 12u);
}

}  // namespace
}  // namespace pictavo
