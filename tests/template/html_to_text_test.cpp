#include "template/html_to_text.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

struct THtmlCase {
  const char* name;
  const char* html;
  const char* text;
};

class HtmlToTextTest : public ::testing::TestWithParam<THtmlCase> {};

TEST_P(HtmlToTextTest, Converts) {
  EXPECT_EQ(HtmlToText(GetParam().html), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HtmlToTextTest,
    ::testing::Values(
        THtmlCase{"TagsRemoved", "<b>bold</b> and <a href=\"x.html\">link</a>", "bold and link"},
        THtmlCase{"Comment", "a<!-- <b>gone</b> -->b", "ab"},
        THtmlCase{"ScriptAndStyle",
                  "a<script type=\"x\">if (a<b) x();</SCRIPT>b<style>p{}</style>c", "abc"},
        THtmlCase{"EntitiesPassThrough", "&amp; &#39; &lt;", "&amp; &#39; &lt;"},
        THtmlCase{"LineBreakBecomesBlank", "one\r\ntwo\nthree\rfour", "one two three four"},
        THtmlCase{"BreakAfterHyphenDisappears", "well-\nknown", "well-known"},
        THtmlCase{"DoubleBreakIsOneBlank", "a\n\nb", "a b"},
        THtmlCase{"LeadingBlanksOfALineDropped", "<p>x</p>\n   indented", "x indented"},
        THtmlCase{"BlanksBeforeABreakRemoved", "a   <br>b", "a\r\nb"},
        THtmlCase{"ParagraphsGiveTwoBreaks", "a<p>b<h1>c</h1>d", "a\r\n\r\nb\r\n\r\nc\r\nd"},
        THtmlCase{"TagNameEndsAtBlankBangOrEquals", "a<br clear=all>b<hr>c", "a\r\nb\r\n\r\nc"},
        THtmlCase{"SelfClosingBreak", "a<br/>b<br />c", "a\r\nb\r\nc"},
        THtmlCase{"LeadingParagraphsProduceNothing", "<p><p>text", "text"},
        THtmlCase{"FirstBreakNothingSecondOne", "<br><br>text", "\r\ntext"},
        THtmlCase{"ThreeLeadingBreaks", "<br><br><br>text", "\r\n\r\ntext"},
        THtmlCase{"BreakThenParagraph", "<br><p>text", "\r\ntext"},
        THtmlCase{"TableCells", "<table><tr><td>a</td><td>b</td></tr></table>", "a\tb\r\n"},
        THtmlCase{"UnorderedLists", "<ul><li>a<ul><li>b</ul></ul>", "\t* a\r\n\t\t+ b\r\n\r\n"},
        THtmlCase{"DeepBullets", "x<ul><ul><ul><ul><ul><ul><li>f", "x\r\n\t\t\t\t\t\xC2\xB7 f"},
        THtmlCase{"FourthBullet", "x<ul><ul><ul><ul><li>d", "x\r\n\t\t\t\t\xE2\x80\xA2 d"},
        THtmlCase{"OrderedLists", "<ol><li>a<li>b<ol><li>c</ol></ol>",
                  "\t1. a\r\n\t2. b\r\n\t2.1. c\r\n\r\n"},
        THtmlCase{"PreKeepsLayout", "a<pre>  x\n  y</pre>b", "a\r\n  x\r\n  y\r\nb"},
        THtmlCase{"LessThanAsText", "1 < 2 > 0", "1 < 2 > 0"},
        THtmlCase{"UnclosedTag", "a <b", "a <b"}, THtmlCase{"Empty", "", ""}),
    [](const ::testing::TestParamInfo<THtmlCase>& param_info) { return param_info.param.name; });

TEST(HtmlToText, ManyNestedListsStayBounded) {
  std::string html;
  for (int i = 0; i < 20000; ++i) html += "<ol><li>";
  std::string text = HtmlToText(html);
  EXPECT_FALSE(text.empty());
  EXPECT_LT(text.size(), 20000u * 200u);
}

}  // namespace
}  // namespace pictavo
