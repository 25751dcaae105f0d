#include "template/html_links.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/case_fold.h"
#include "support/test_support.h"
#include "template/url_path.h"
#include "template/web_file_type.h"

namespace pictavo {
namespace {

using test::TTempDir;
using test::WriteFile;

// ---------------------------------------------------------------------------
// URLs and paths

TEST(PathToUrl, EscapesOnUtf8BytesAndMakesAbsolutePathsFileUrls) {
  struct TCase {
    std::string path;
    std::string url;
  };
  const TCase cases[] = {
      {"/My Pictures/a.jpg", "file:///My%20Pictures/a.jpg"},
      {"images/my photo.jpg", "images/my%20photo.jpg"},
      {"a.jpg", "a.jpg"},
      {"", ""},
      {"../Templates/bg.gif", "../Templates/bg.gif"},
      {"#1 100%.jpg", "%231%20100%25.jpg"},
      {"\"&';<=>?@[]^`{|}", "%22%26%27%3B%3C%3D%3E%3F%40%5B%5D%5E%60%7B%7C%7D"},
      // Kept: characters outside the escape set.
      {"x/a-b_c.d~e!f$g(h)i*j+k,l:m", "x/a-b_c.d~e!f$g(h)i*j+k,l:m"},
      // Each byte of a non-ASCII character, upper-case hexadecimal digits.
      {"/Fotos/Ålesund é.jpg", "file:///Fotos/%C3%85lesund%20%C3%A9.jpg"},
      // A backslash is part of a Linux name, not a separator.
      {"a\\b.jpg", "a%5Cb.jpg"},
      {std::string("tab\there\x7F"), "tab%09here%7F"},
      // A colon in the first name of a relative path would read as a scheme.
      {"12:30 photo.jpg", "12%3A30%20photo.jpg"},
      {"http://x", "http%3A//x"},
      {"a/b:c.jpg", "a/b:c.jpg"},
      {"/x:y.jpg", "file:///x:y.jpg"},
  };
  for (const TCase& c : cases) EXPECT_EQ(PathToUrl(c.path), c.url) << c.path;
}

TEST(UrlToPath, RemovesSchemeAndHostAndDecodesEscapesOnce) {
  struct TCase {
    std::string url;
    std::string path;
  };
  const TCase cases[] = {
      {"file:///My%20Pictures/a.jpg", "/My Pictures/a.jpg"},
      {"FILE:///x/y.gif", "/x/y.gif"},
      {"file://localhost/x/y.gif", "/x/y.gif"},
      {"images/my%20photo.jpg", "images/my photo.jpg"},
      {"https://example.com/a/b.jpg", "/a/b.jpg"},
      {"https://example.com", ""},
      {"svn+ssh://host/repo/a.txt", "/repo/a.txt"},
      // "://" after something that is no scheme name is part of the path.
      {"x/a://b", "x/a://b"},
      {"1a://b", "1a://b"},
      {"%C3%85lesund.jpg", "Ålesund.jpg"},
      {"%c3%a9.jpg", "é.jpg"},
      // One level of decoding only.
      {"%2541", "%41"},
      // Percent signs without two hexadecimal digits stay.
      {"100%", "100%"},
      {"a%2", "a%2"},
      {"a%zz%4", "a%zz%4"},
      {"%", "%"},
  };
  for (const TCase& c : cases) EXPECT_EQ(UrlToPath(c.url), c.path) << c.url;
}

TEST(UrlToPath, RoundTripsEveryPathThroughPathToUrl) {
  const std::string paths[] = {
      "/home/ann/My Pictures/#1 100% sure?.jpg",
      "relative/ü ñ/x & y;z.png",
      "/a\\b/c=d@e[f]g{h}i|j^k`l'm\"n<o>p",
      "%41%zz",
      std::string("/ctrl\x01\x1F"
                  "end"),
      "/日本/写真.jpg",
      "12:30/a://b.jpg",
      "file://x",
      "localhost/x",
  };
  for (const std::string& path : paths) {
    const std::string url = PathToUrl(path);
    const size_t rest = url.rfind("file://", 0) == 0 ? 7 : 0;
    EXPECT_EQ(url.find_first_of(" #?\"<>\\", rest), std::string::npos) << url;
    EXPECT_EQ(UrlToPath(url), path) << url;
  }
}

// ---------------------------------------------------------------------------
// File types

TEST(WebFileTypes, HtmlExtensionsAndTextTypes) {
  EXPECT_TRUE(IsHtmlFileExt("PHP"));
  EXPECT_TRUE(IsHtmlFileExt("html"));
  EXPECT_TRUE(IsHtmlFileExt("Shtml"));
  EXPECT_FALSE(IsHtmlFileExt("php5"));
  EXPECT_FALSE(IsHtmlFileExt("htm;html"));
  EXPECT_FALSE(IsHtmlFileExt(""));
  for (const char* ext :
       {"ASP",   "CGI",   "CSS",  "DHTML", "HTA",  "HTT", "INI", "JS",   "LOG",   "PL",
        "PHTML", "SHTML", "SGML", "TXT",   "VRML", "XML", "HTM", "HTML", "HTMLX", "html"}) {
    EXPECT_TRUE(IsWebFileType(ext)) << ext;
  }
  for (const char* ext : {"JPG", "PHP", "HT", "", "TXT2", "XHTML"}) {
    EXPECT_FALSE(IsWebFileType(ext)) << ext;
  }
}

TEST(WebFileTypes, HtmlTitleFromTheFileHead) {
  TTempDir dir;
  WriteFile(dir.file("a.html"), "<html><HEAD><Title>Summer 2025</TITLE></head>");
  WriteFile(dir.file("open.html"), "<title>never closed");
  WriteFile(dir.file("late.html"), std::string(5000, ' ') + "<title>late</title>");
  EXPECT_EQ(GetHtmlTitle(dir.file("a.html")), "Summer 2025");
  EXPECT_EQ(GetHtmlTitle(dir.file("open.html")), "");
  EXPECT_EQ(GetHtmlTitle(dir.file("late.html")), "");
  EXPECT_EQ(GetHtmlTitle(dir.file("missing.html")), "");
}

// ---------------------------------------------------------------------------
// Scanning

const std::string kTemplates = "/srv/pictavo/Templates";
const std::string kAlbum = "/srv/pictavo/Albums/Trip";

// The build's rewrite settings: relative paths into the album folder.
THtmlLinkInfo RewriteInfo(TReferencedFiles* files = nullptr) {
  THtmlLinkInfo info;
  info.relative = true;
  info.keep_folders = true;
  info.template_folder = kTemplates + "/";
  info.album_folder = kAlbum + "/";
  info.referenced_files = files;
  return info;
}

std::vector<std::pair<std::string, bool>> Listed(const TReferencedFiles& files) {
  std::vector<std::pair<std::string, bool>> out;
  for (const TReferencedFile& f : files.Items()) out.emplace_back(f.path, f.media);
  return out;
}

TEST(ScanHtmlLinks, EveryTagAndAttributeOfTheLinkTable) {
  struct TCase {
    std::string tag;
    std::string attribute;
    bool media;
  };
  const TCase cases[] = {
      {"A", "HREF", false},          {"AREA", "HREF", false},      {"APPLET", "CODEBASE", false},
      {"OBJECT", "CODEBASE", false}, {"BODY", "BACKGROUND", true}, {"TABLE", "BACKGROUND", true},
      {"TD", "BACKGROUND", true},    {"TH", "BACKGROUND", true},   {"TR", "BACKGROUND", true},
      {"BGSOUND", "SRC", true},      {"EMBED", "SRC", true},       {"SOUND", "SRC", true},
      {"FRAME", "SRC", false},       {"IFRAME", "SRC", false},     {"IMG", "SRC", true},
      {"IMG", "LOWSRC", true},       {"IMG", "DYNSRC", true},      {"IMG", "VRML", true},
      {"IMG", "USEMAP", false},
  };
  for (const TCase& c : cases) {
    for (bool lower : {false, true}) {
      const std::string tag = lower ? LowerAscii(c.tag) : c.tag;
      const std::string attribute = lower ? c.attribute : LowerAscii(c.attribute);
      TReferencedFiles files;
      const std::string text = "x<" + tag + " " + attribute + "=\"f.dat\">y";
      EXPECT_EQ(ScanHtmlLinks(text, RewriteInfo(&files), false),
                "x<" + tag + " " + attribute + "=\"../../Templates/f.dat\">y")
          << text;
      const std::vector<std::pair<std::string, bool>> expected = {{kTemplates + "/f.dat", c.media}};
      EXPECT_EQ(Listed(files), expected) << text;
    }
  }
  // Attributes of another tag, and tags outside the table, are not links.
  for (const std::string text :
       {"<P HREF=\"f.dat\">", "<A SRC=\"f.dat\">", "<IMG HREF=\"f.dat\">", "<LINK href=\"s.css\">",
        "<SCRIPT src=\"s.js\">", "<ABBR href=\"f.dat\">", "<IMGX src=\"f.dat\">"}) {
    EXPECT_EQ(ScanHtmlLinks(text, RewriteInfo(), false), text);
  }
}

TEST(ScanHtmlLinks, ValueForms) {
  struct TCase {
    std::string text;
    std::string rewritten;
  };
  const std::string t = "../../Templates/";
  const TCase cases[] = {
      {"<img src=\"a b.gif\">", "<img src=\"" + t + "a%20b.gif\">"},
      {"<img src=a.gif alt=x>", "<img src=" + t + "a.gif alt=x>"},
      {"<img src='a b.gif' alt=x>", "<img src='" + t + "a%20b.gif' alt=x>"},
      {"<IMG SRC = \"a.gif\" >", "<IMG SRC = \"" + t + "a.gif\" >"},
      {"<img\r\nsrc=a.gif\nalt=x>", "<img\r\nsrc=" + t + "a.gif\nalt=x>"},
      {"<img src=\"a.gif>", "<img src=\"" + t + "a.gif>"},
      // Anchors and queries stay behind the rewritten part.
      {"<a href=\"page.html#top\">", "<a href=\"" + t + "page.html#top\">"},
      {"<a href=page.html?x=1&y=2>", "<a href=" + t + "page.html?x=1&y=2>"},
      // Absolute paths and "file:" URLs are local links too.
      {"<img src=\"file:///srv/pictavo/Shared/x.gif\">", "<img src=\"../../Shared/x.gif\">"},
      {"<img src=\"/srv/pictavo/Albums/Trip/own.gif\">", "<img src=\"own.gif\">"},
      {"<img src=\"sub/../images/%C3%A9.gif\">", "<img src=\"" + t + "images/%C3%A9.gif\">"},
      // Several links: each tag is rewritten in place.
      {"<body background=bg.gif>\n<img src=a.gif><img lowsrc=low.gif src=hi.gif>",
       "<body background=" + t + "bg.gif>\n<img src=" + t + "a.gif><img lowsrc=" + t +
           "low.gif src=" + t + "hi.gif>"},
      // The attribute name counts as a whole name outside quoted values.
      {"<img alt=\"src=x.gif\" src=\"y.gif\">", "<img alt=\"src=x.gif\" src=\"" + t + "y.gif\">"},
      {"<img title='no src=here' class=src>", "<img title='no src=here' class=src>"},
  };
  for (const TCase& c : cases) EXPECT_EQ(ScanHtmlLinks(c.text, RewriteInfo(), false), c.rewritten);
}

TEST(ScanHtmlLinks, ValuesAndTagsLeftAlone) {
  const std::string texts[] = {
      "<a href=\"http://example.com/a.html\">",
      "<a HREF=\"MAILTO:ann@example.com\">",
      "<a href=\"ftp://host/x\">",
      "<a href=\"view-source:x.html\">",
      "<a href=\"news:comp.lang\"><a href=\"nntp:x\"><a href=\"telnet:h\"><a href=\"wais:x\">",
      "<a href=\"gopher:x\"><a href=\"newsrc:x\"><a href=\"nethelp:x\">",
      "<img src=\"{ThumbUrl}\">",
      "<img src=\"^Background picture^\">",
      "<a href=\"#top\">",
      "<a href=\"?page=2\">",
      "<a href=\"\">",
      "<a href=\"..\">",
      "<a href>",
      "<a href title=\"x\">",
      // Only blank, CR and LF end a tag name; a tag needs more than five
      // characters up to its ">".
      "<img\tsrc=a.gif>",
      "<img src=a.gif",
      "<a h=b>",
      "<td  >",
      "<img>",
  };
  for (const std::string& text : texts) {
    TReferencedFiles files;
    EXPECT_EQ(ScanHtmlLinks(text, RewriteInfo(&files), false), text);
    EXPECT_EQ(files.Count(), 0u) << text;
  }
}

TEST(ScanHtmlLinks, HttpsIsALocalLink) {
  TReferencedFiles files;
  THtmlLinkInfo info = RewriteInfo(&files);
  info.relative = false;
  info.album_folder.clear();
  EXPECT_EQ(ScanHtmlLinks("<a href=\"https://example.com/x/a.html\">", info, false),
            "<a href=\"file:///x/a.html\">");
  EXPECT_EQ(Listed(files), (std::vector<std::pair<std::string, bool>>{{"/x/a.html", false}}));
}

TEST(ScanHtmlLinks, StarProtectsATag) {
  TReferencedFiles files;
  EXPECT_EQ(ScanHtmlLinks("<*img src=\"a.gif\"> <img src=b.gif>", RewriteInfo(&files), false),
            "<img src=\"a.gif\"> <img src=../../Templates/b.gif>");
  EXPECT_EQ(Listed(files),
            (std::vector<std::pair<std::string, bool>>{{kTemplates + "/b.gif", true}}));
  // A protected tag inside a tag of the table does not lend it its links.
  EXPECT_EQ(ScanHtmlLinks("<a <*a href=x.html>", RewriteInfo(), false), "<a <a href=x.html>");
  // In collect mode the text is not changed at all.
  EXPECT_EQ(ScanHtmlLinks("<*img src=\"a.gif\">", RewriteInfo(), true), "<*img src=\"a.gif\">");
}

TEST(ScanHtmlLinks, RewriteModes) {
  struct TCase {
    const char* what;
    bool relative;
    std::string album_folder;
    std::string media_folder;
    std::string value;
    std::string link;
  };
  const TCase cases[] = {
      {"relative into the album", true, kAlbum, "", "images/bg.gif",
       "../../Templates/images/bg.gif"},
      {"absolute, no album folder", false, "", "", "images/bg.gif",
       "file:///srv/pictavo/Templates/images/bg.gif"},
      {"absolute, no album folder, blank", false, "", "", "my bg.gif",
       "file:///srv/pictavo/Templates/my%20bg.gif"},
      {"relative to the template folder", true, "", "", "sub/../images/bg.gif", "images/bg.gif"},
      {"album folder and file name", false, kAlbum, "", "images/bg.gif",
       "file:///srv/pictavo/Albums/Trip/bg.gif"},
      {"media folder", false, kAlbum, "/srv/media", "images/bg.gif", "file:///srv/media/bg.gif"},
      {"relative to the media folder", true, kAlbum, "/srv/media/", "images/bg.gif",
       "../pictavo/Templates/images/bg.gif"},
  };
  for (const TCase& c : cases) {
    THtmlLinkInfo info = RewriteInfo();
    info.relative = c.relative;
    info.album_folder = c.album_folder;
    info.media_folder = c.media_folder;
    EXPECT_EQ(ScanHtmlLinks("<img src=\"" + c.value + "\">", info, false),
              "<img src=\"" + c.link + "\">")
        << c.what;
  }
  // A page link ignores the media folder.
  THtmlLinkInfo info = RewriteInfo();
  info.relative = false;
  info.media_folder = "/srv/media";
  EXPECT_EQ(ScanHtmlLinks("<a href=\"p 2.html\"><img src=a.gif>", info, false),
            "<a href=\"file:///srv/pictavo/Albums/Trip/p%202.html\"><img "
            "src=file:///srv/media/a.gif>");
}

TEST(ScanHtmlLinks, LowerCaseKeepsLinksToFilesThatOnlyExistAsWritten) {
  TTempDir dir;
  WriteFile(dir.file("Templates/Images/BG.gif"), "x");
  WriteFile(dir.file("Templates/lower/pic.gif"), "x");
  THtmlLinkInfo info = RewriteInfo();
  info.lower_case = true;
  info.template_folder = dir.file("Templates/");
  info.album_folder = dir.file("Album/");
  // The Templates folder has a capital: the existing file keeps its link.
  EXPECT_EQ(ScanHtmlLinks("<img src=\"Images/BG.gif\">", info, false),
            "<img src=\"../Templates/Images/BG.gif\">");
  // A link to a missing file is lower-cased.
  EXPECT_EQ(ScanHtmlLinks("<img src=\"Missing/X.GIF\">", info, false),
            "<img src=\"../templates/missing/x.gif\">");
  info.relative = false;
  info.album_folder.clear();
  EXPECT_EQ(ScanHtmlLinks("<IMG SRC=Missing/X%C3%A9.GIF>", info, false),
            "<IMG SRC=file://" + LowerAscii(dir.path()) + "/templates/missing/x%c3%a9.gif>");
  // A file that exists in lower case takes the lower-cased link.
  info.relative = true;
  info.template_folder = dir.file("Templates/lower/");
  EXPECT_EQ(ScanHtmlLinks("<img src=\"PIC.gif\">", info, false), "<img src=\"pic.gif\">");
}

TEST(ScanHtmlLinks, CollectModeListsEachLocalFileOnceAndChangesNothing) {
  const std::string page =
      "<html><body background=\"images/bg.gif\">\r\n"
      "<a href=\"page2.html\"><img src=\"tn_a.jpg\"></a>\n"
      "<a href=\"a.jpg\"><img src=\"tn_a.jpg\" alt=\"\"></a>\n"
      "<a HREF=\"page2.html#pics\">next</a> <a href=\"http://example.com/\">web</a>\n"
      "<frame src=\"../Other/f.html\"><img src=\"/srv/x y.gif\"><img src=\"{ThumbUrl}\">\n"
      "<a href=\"..\">up</a></body></html>";
  TReferencedFiles files;
  THtmlLinkInfo info = RewriteInfo(&files);
  info.template_folder = kAlbum + "/";  // the build scans written pages from the album folder
  EXPECT_EQ(ScanHtmlLinks(page, info, true), page);
  // Found from the end of the page to its start.
  const std::vector<std::pair<std::string, bool>> expected = {
      {"/srv/x y.gif", true},          {"/srv/pictavo/Albums/Other/f.html", false},
      {kAlbum + "/page2.html", false}, {kAlbum + "/tn_a.jpg", true},
      {kAlbum + "/a.jpg", false},      {kAlbum + "/images/bg.gif", true},
  };
  EXPECT_EQ(Listed(files), expected);
  // A second page adds only what is new.
  ScanHtmlLinks("<img src=tn_a.jpg><img src=tn_b.jpg>", info, true);
  EXPECT_EQ(files.Count(), expected.size() + 1);
  EXPECT_EQ(files.Items().back().path, kAlbum + "/tn_b.jpg");
}

TEST(ScanHtmlLinks, PublishModeRewritesToTheRemoteForm) {
  // What the upload uses: relative, publish, no kept folders, the page's
  // folder as template folder, no album folder, the media prefix.
  THtmlLinkInfo info;
  info.relative = true;
  info.publish = true;
  info.lower_case = true;
  info.template_folder = kAlbum + "/";
  info.media_folder = "images/";
  const std::string page =
      "<a href=\"My Page2.html\"><img src=\"tn_My Pic.JPG\"></a>"
      "<a href=\"sub/p.html#x\"><img src=\"../../Templates/bg.gif\"></a>"
      "<a href=\"http://Example.com/A.html\"><iframe src=\"Frame.HTML\">";
  EXPECT_EQ(ScanHtmlLinks(page, info, false),
            "<a href=\"my_page2.html\"><img src=\"images/tn_my_pic.jpg\"></a>"
            "<a href=\"p.html#x\"><img src=\"images/bg.gif\"></a>"
            "<a href=\"http://Example.com/A.html\"><iframe src=\"frame.html\">");
  // An absolute media folder gives a web path, never a "file:" URL.
  info.media_folder = "/media";
  info.lower_case = false;
  EXPECT_EQ(ScanHtmlLinks("<img src=\"a b.jpg\"><a href=x%231.html>", info, false),
            "<img src=\"/media/a_b.jpg\"><a href=x%231.html>");
  // Keeping folders: the path below the template folder.
  info.keep_folders = true;
  info.template_folder = kTemplates;
  EXPECT_EQ(ScanHtmlLinks("<img src=\"img/a b.jpg\"><a href=\"../Other/x.html\">", info, false),
            "<img src=\"img/a_b.jpg\"><a href=\"../Other/x.html\">");
}

TEST(ScanHtmlLinks, MalformedTextNeverBreaksTheScan) {
  const std::string texts[] = {
      "",
      "<",
      ">",
      "<<<<>>>>",
      "< img src=a.gif>",
      "<img src=",
      "<img src=\"",
      "<img src=\">",
      "<img src= >",
      "<img src=\"\"\"\">",
      "<img src='a.gif>",
      "<img src=a.gif <img src=b.gif>",
      "<a href=\"x.html\" <*img src=y.gif>",
      "<*>",
      "<* * * * * * *>",
      "\"<img src='\"' src=\"'\">",
      "<img \n\n\n\n\n\n>",
      "<img src=\"a.gif\">>>>>> <",
      "<IMG SRC==== ===a.gif>",
      "<img\x01src=a.gif>",
      std::string("<img src=\"a\0b.gif\">", 19),
      "<a href=%>",
      "<a href=%%%%%%>",
      "<a href=file://>",
      "<a href=https://host>",
      "<a href=\"/\">",
      "<a href=\"./\">",
      "<img src=\"" + std::string(300, 'x') + "\">",
      std::string(1000, '<') + " src=" + std::string(1000, '>'),
  };
  for (const std::string& text : texts) {
    for (int mode = 0; mode < 3; ++mode) {
      TReferencedFiles files;
      THtmlLinkInfo info = RewriteInfo(&files);
      info.publish = mode == 2;
      const bool collect = mode == 1;
      const std::string out = ScanHtmlLinks(text, info, collect);
      if (collect) {
        EXPECT_EQ(out, text);
      }
      for (const TReferencedFile& f : files.Items()) EXPECT_FALSE(f.path.empty());
    }
  }
}

}  // namespace
}  // namespace pictavo
