#include "template/entities.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

struct TEntityCase {
  const char* text;
  bool name_text;
  bool use_entities;
  const char* expected;
};

class EncodeHtmlEntitiesTest : public ::testing::TestWithParam<TEntityCase> {};

TEST_P(EncodeHtmlEntitiesTest, ConvertsAsTheFlagsSay) {
  const TEntityCase& c = GetParam();
  EXPECT_EQ(EncodeHtmlEntities(c.text, c.name_text, c.use_entities), c.expected)
      << "text: " << c.text << " name=" << c.name_text << " entities=" << c.use_entities;
}

INSTANTIATE_TEST_SUITE_P(
    Table, EncodeHtmlEntitiesTest,
    ::testing::Values(
        // Markup characters: converted in name texts only.
        TEntityCase{"Tom & Jerry <3>", true, true, "Tom &amp; Jerry &lt;3&gt;"},
        TEntityCase{"Tom & Jerry <b>", false, true, "Tom & Jerry <b>"},
        TEntityCase{"say \"hi\"", true, false, "say &quot;hi&quot;"},
        TEntityCase{"say \"hi\"", false, false, "say \"hi\""},
        // Accented letters only with entities; named symbols always.
        TEntityCase{"Caf\u00e9 \u00a9", true, false, "Caf\u00e9 &copy;"},
        TEntityCase{"Caf\u00e9 \u00a9", true, true, "Caf&eacute; &copy;"},
        TEntityCase{"\u00c6\u00e6\u00d0\u00f0\u00de\u00fe\u00df\u00d8\u00e5\u00e7", false, true,
                    "&AElig;&aelig;&ETH;&eth;&THORN;&thorn;&szlig;&Oslash;&aring;&ccedil;"},
        TEntityCase{"2\u00d73\u00f76", false, false, "2&times;3&divide;6"},
        TEntityCase{"\u00a1\u00bf\u00b0\u00ba\u00ae", false, false,
                    "&iexcl;&iquest;&deg;&ordm;&reg;"},
        // The acute accent has no name: numeric with entities, else kept.
        TEntityCase{"\u00b4", false, true, "&#180;"}, TEntityCase{"\u00b4", false, false, "\u00b4"},
        // Windows punctuation at its Unicode code points.
        TEntityCase{"\u2018a\u2019 \u201cb\u201d\u2122", false, true,
                    "&lsquo;a&rsquo; &#8220;b&rdquo;&trade;"},
        TEntityCase{"\u2018a\u2019 \u201cb\u201d", false, false, "&lsquo;a&rsquo; \u201cb&rdquo;"},
        // Other characters: numeric code points with entities.
        TEntityCase{"\u20ac5", true, true, "&#8364;5"},
        TEntityCase{"\u20ac5", true, false, "\u20ac5"},
        TEntityCase{"\u0080", false, true, "&#128;"},
        TEntityCase{"\u65e5", false, true, "&#26085;"},
        // No-break space always; runs of blanks keep their width in name texts
        // with entities, once the text needs converting at all.
        TEntityCase{"a\u00a0b", false, false, "a&nbsp;b"},
        TEntityCase{"a   b &", true, true, "a &nbsp; b &amp;"},
        TEntityCase{"a    b &", true, true, "a &nbsp; &nbsp;b &amp;"},
        TEntityCase{"a   b &", true, false, "a   b &amp;"},
        TEntityCase{"a   b &", false, true, "a   b &"},
        // Nothing to convert: unchanged, blanks included.
        TEntityCase{"plain   text", true, true, "plain   text"}, TEntityCase{"", true, true, ""}));

TEST(EncodeHtmlEntities, KeepsBytesThatAreNoUtf8) {
  EXPECT_EQ(EncodeHtmlEntities("a\xff<", true, true), "a\xff&lt;");
}

TEST(HtmlEntityName, NamesOfTheTable) {
  EXPECT_EQ(HtmlEntityName(0xA9), "copy");
  EXPECT_EQ(HtmlEntityName(0xB4), "");
  EXPECT_EQ(HtmlEntityName(0x2019), "rsquo");
  EXPECT_EQ(HtmlEntityName(0x201D), "rdquo");
  EXPECT_EQ(HtmlEntityName(0x201C), "");
  EXPECT_EQ(HtmlEntityName(0xFF), "yuml");
}

}  // namespace
}  // namespace pictavo
