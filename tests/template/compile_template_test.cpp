#include "template/compile_template.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "template/field_ids.h"

namespace pictavo {
namespace {

std::string Tok(int id) {
  return "\x01" + std::to_string(id) + "\x02";
}
std::string Param(int id, const std::string& argument) {
  return "\x03" + std::to_string(id) + "\x04" + argument + "\x04";
}

std::string Compile(const std::string& text) {
  return CompileTemplate(text, TNamedTexts());
}

// The compilation steps done the plain way, on one string with erase and
// insert: slow, but easy to check against the rules. The real compiler must
// give the same text for any input.
std::string PlainCompile(std::string_view source, const TNamedTexts& named) {
  std::string t;
  for (char c : source) {
    if (c < '\x01' || c > '\x06') t.push_back(c);
  }
  std::ptrdiff_t limit = static_cast<std::ptrdiff_t>(t.size()) - 1;
  while (limit >= 0) {
    const size_t n = t.rfind('{', static_cast<size_t>(limit));
    if (n == std::string::npos) break;
    limit = static_cast<std::ptrdiff_t>(n) - 1;
    size_t j = n + 1;
    while (j < t.size() && t[j] != '}' && t[j] != '{') ++j;
    if (j == t.size() || t[j] == '{') {
      t[n] = '\x05';
      continue;
    }
    const std::string name = t.substr(n + 1, j - n - 1);
    const int id = FieldIdFromName(name);
    const size_t colon = t.find(':', n);
    if (id == 0) {
      t[n] = '\x05';
      t[j] = '\x06';
    } else if (id == fidMerge) {
      const TMergeObj* obj = named.Find(name.substr(6));
      t.erase(n, j - n + 1);
      if (obj != nullptr) {
        std::string text;
        for (char c : obj->text) {
          if (c < '\x01' || c > '\x06') text.push_back(c);
        }
        t.insert(n, text);
      }
    } else if (id >= fidCalc && id <= fidUseSmaller) {
      t[j] = '\x04';
      t.replace(n, colon - n + 1, "\x03" + std::to_string(id) + "\x04");
    } else if (id == fidLink) {
      t.replace(n, j - n + 1, t.substr(colon + 1, j - colon - 1));
    } else {
      t.replace(n, j - n + 1, Tok(id));
    }
  }
  for (char& c : t) {
    if (c == '\x05') c = '{';
    if (c == '\x06') c = '}';
  }
  return t;
}

TEST(CompileTemplate, AgreesWithThePlainScanOnRandomTexts) {
  TNamedTexts named;
  named.Add("Footer", "<hr>{ImageName}}{");
  named.Add("Open", "{Page");
  const std::vector<std::string> atoms = {
      "{",         "}",      "{ImageName}", "{_ImageTitle}",  "{CALC:",
      "{_CALC:",   "{LINK:", "{MERGE:",     "Footer}",        "Open}",
      "{UseBest:", ";",      "ImageName",   "PageName}",      ":",
      "x",         "\n",     "{LinkColor",  "{TextColorful}", "\x01",
      "\x05",      "{}",     "_",           "{usegreater:"};
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int count = static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) text += atoms[random() % atoms.size()];
    ASSERT_EQ(CompileTemplate(text, named), PlainCompile(text, named)) << text;
  }
}

TEST(CompileTemplate, FieldTagsAndLiteralBraces) {
  struct TCase {
    std::string text;
    std::string compiled;
  };
  const TCase cases[] = {
      {"<p>{ImageName}</p>", "<p>" + Tok(25) + "</p>"},
      {"{imagename}{IMAGENAME}", Tok(25) + Tok(25)},
      {"{_ImageInfo}", Tok(-37)},
      {"{Image Name}", "{Image Name}"},
      {"{ab}", "{ab}"},
      {"{}", "{}"},
      {"a { b", "a { b"},
      {"a } b", "a } b"},
      {"{{{", "{{{"},
      {"}}}", "}}}"},
      {"{{PageName}}", "{" + Tok(13) + "}"},
      {"{a{ImageName}b}", "{a" + Tok(25) + "b}"},
      {"{ImageName{PageName}", "{ImageName" + Tok(13)},
      {"x{LINK:style.css}y", "xstyle.cssy"},
      {"{LINK:}", ""},
      {"{LINK:images/{ImageName}.jpg}", "images/" + Tok(25) + ".jpg"},
      {"{LINK:{Anything}}", "{Anything}"},
      {"{CALC:1+2}", Param(66, "1+2")},
      {"{CALC1+2}", "{CALC1+2}"},
      {"{CALC:{ImageWidth}*2}", Param(66, Tok(31) + "*2")},
      {"{USEBEST:{_ImageTitle};{ImageName}}", Param(68, Tok(-38) + ";" + Tok(25))},
      {"{usegreater:1;2}{UseSmaller:3;4}{ClearTags:<b>}",
       Param(69, "1;2") + Param(70, "3;4") + Param(67, "<b>")},
      {"{CALC:{CALC:1}+1}", Param(66, Param(66, "1") + "+1")},
      // Conditional forms of the names resolved elsewhere become simple tokens.
      {"{_CALC:1}", Tok(-66)},
      {"{_MERGE:Footer}", Tok(-62)},
      {"{_LINK:x}", Tok(-63)},
      {"{LinkColorful}", Tok(11)},
  };
  for (const TCase& c : cases) EXPECT_EQ(Compile(c.text), c.compiled) << c.text;
}

TEST(CompileTemplate, MergeInsertsNamedTextWithoutCompilingIt) {
  TNamedTexts named;
  named.Add("Footer", "<hr>{ImageName} by {Author}");
  named.Add("footer", "second text of the same name");
  EXPECT_EQ(CompileTemplate("a{MERGE:footer}b", named), "a<hr>{ImageName} by {Author}b");
  EXPECT_EQ(CompileTemplate("a{MERGE:Nobody}b", named), "ab");
  // The inserted braces take no part in tags written before the MERGE: tag.
  EXPECT_EQ(CompileTemplate("{PageName}{MERGE:Footer}", named),
            Tok(13) + "<hr>{ImageName} by {Author}");
  named.Add("Open", "{Page");
  EXPECT_EQ(CompileTemplate("{x{MERGE:Open}Name}", named), "{x{PageName}");
  EXPECT_EQ(named.size(), 3u);
  named.Clear();
  EXPECT_EQ(CompileTemplate("{MERGE:Footer}", named), "");
}

TEST(CompileTemplate, StrayTokenBytesInTheTemplateAreNeverTokens) {
  // A template must not hold the token bytes; the compiler drops them, so
  // that neither the merge nor the parameterised fields take them for tokens.
  const std::string text =
      std::string("a\x01") + "25\x02 b\x03" + "66\x04" + "1\x04 {\x05}\x06" + "{ImageName}";
  EXPECT_EQ(Compile(text), "a25 b661 {}" + Tok(25));
  TNamedTexts named;
  named.Add("x", std::string("\x01") + "3\x02");
  EXPECT_EQ(CompileTemplate("{MERGE:x}", named), "3");
}

TEST(CompileTemplate, EmptyAndHugeInputs) {
  EXPECT_EQ(Compile(""), "");
  // Deep nesting and long runs of braces compile in linear time.
  const size_t n = 200000;
  std::string opens(n, '{');
  EXPECT_EQ(Compile(opens), opens);
  std::string nested;
  for (size_t i = 0; i < n; ++i) nested += "{CALC:";
  nested += "1";
  nested += std::string(n, '}');
  const std::string compiled = Compile(nested);
  EXPECT_EQ(compiled.size(), n * 5 + 1);
  std::string pairs;
  for (size_t i = 0; i < n; ++i) pairs += "{";
  pairs += std::string(n, '}');
  EXPECT_EQ(Compile(pairs), pairs);
  std::string long_name = "{MERGE:" + std::string(n, 'x') + "}{" + std::string(n, 'y') + "}";
  EXPECT_EQ(Compile(long_name), "{" + std::string(n, 'y') + "}");
}

TEST(ReadTemplateFile, UnreadableEmptyAndLegacyFiles) {
  test::TTempDir dir;
  EXPECT_EQ(ReadTemplateFile(dir.file("missing.html")), "");
  EXPECT_EQ(ReadTemplateFile(dir.path()), "");  // a folder
  test::WriteFile(dir.file("empty.html"), "");
  EXPECT_EQ(ReadTemplateFile(dir.file("empty.html")), "");
  test::WriteFile(dir.file("bom.html"), "\xEF\xBB\xBF{ImageName} \xC3\xA9");
  EXPECT_EQ(ReadTemplateFile(dir.file("bom.html")), "{ImageName} \xC3\xA9");
  // An 8-bit template (not UTF-8) is read as Windows-1252.
  test::WriteFile(dir.file("legacy.html"), "caf\xE9 \x80");
  EXPECT_EQ(ReadTemplateFile(dir.file("legacy.html")), "caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(CutSections, ContentsHeadBodyTail) {
  const std::string text =
      "top\r\n<!--CONTENTS_START-->\r\n<a>{c}</a>\r\n<!--contents_end-->\r\nhead\n"
      "<!--body_start-->\nbody line\n<!--Body_End-->\ntail";
  const TTemplateSections s = CutSections(text);
  ASSERT_TRUE(s.contents.found);
  EXPECT_EQ(s.contents.contents, "<a>{c}</a>\r\n");
  EXPECT_EQ(s.contents.text, "top\r\nhead\n<!--body_start-->\nbody line\n<!--Body_End-->\ntail");
  EXPECT_EQ(s.contents.insert_pos, 5u);
  EXPECT_EQ(s.sections.head, "top\r\nhead\n");
  EXPECT_EQ(s.sections.body, "body line\n");
  EXPECT_EQ(s.sections.tail, "\ntail");
}

TEST(CutSections, MissingDelimiters) {
  {
    const TBodySections s = CutBodySections("\nall of it\n");
    EXPECT_EQ(s.head, "");
    EXPECT_EQ(s.body, "\nall of it\n");
    EXPECT_EQ(s.tail, "");
  }
  {
    // Without an end delimiter the body keeps its leading line break.
    const TBodySections s = CutBodySections("h<!--body_start-->\rb");
    EXPECT_EQ(s.head, "h");
    EXPECT_EQ(s.body, "\rb");
    EXPECT_EQ(s.tail, "");
  }
  {
    const TBodySections s = CutBodySections("\r\nb<!--body_end-->t");
    EXPECT_EQ(s.head, "");
    EXPECT_EQ(s.body, "b");
    EXPECT_EQ(s.tail, "t");
  }
  {
    // A contents section without its end runs to the end of the text.
    const TContentsCut c = CutContentsSection("a<!--contents_start-->\nx\ny");
    EXPECT_TRUE(c.found);
    EXPECT_EQ(c.contents, "x\ny");
    EXPECT_EQ(c.text, "a");
    EXPECT_EQ(c.insert_pos, 1u);
  }
  {
    // Only the first contents section counts; the end is searched after the start.
    const TContentsCut c = CutContentsSection(
        "<!--contents_end-->a<!--contents_start-->x<!--contents_end-->b"
        "<!--contents_start-->y<!--contents_end-->");
    EXPECT_EQ(c.contents, "x");
    EXPECT_EQ(c.text, "<!--contents_end-->ab<!--contents_start-->y<!--contents_end-->");
  }
  EXPECT_FALSE(CutContentsSection("nothing").found);
  EXPECT_EQ(CutContentsSection("nothing").text, "nothing");
}

TEST(ExpandPathMacros, ReplacesTheFourFolders) {
  TPathMacroFolders folders;
  folders.album = "/home/u/Albums/";
  folders.program = "/usr/share/pictavo";
  folders.samples = "/usr/share/pictavo/Samples/";
  folders.temp = "/tmp/";
  EXPECT_EQ(ExpandPathMacros("{ALBUMPATH}/x.html", folders), "/home/u/Albums/x.html");
  EXPECT_EQ(ExpandPathMacros("{programPath}|{SamplesPath}|{temppath}", folders),
            "/usr/share/pictavo|/usr/share/pictavo/Samples|/tmp");
  EXPECT_EQ(ExpandPathMacros("{OTHERPATH} {PATH} {ImageName} {a{TEMPPATH}", folders),
            "{OTHERPATH} {PATH} {ImageName} {a/tmp");
  EXPECT_EQ(ExpandPathMacros("}{TEMPPATH", folders), "}{TEMPPATH");
  EXPECT_EQ(ExpandPathMacros("", folders), "");
}

}  // namespace
}  // namespace pictavo
