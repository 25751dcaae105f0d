#include "template/param_fields.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace pictavo {
namespace {

// A parameterised token as compilation leaves it.
std::string Token(int id, const std::string& argument) {
  return "\x03" + std::to_string(id) + "\x04" + argument + "\x04";
}

class ParamFieldsTest : public ::testing::Test {
 protected:
  // CALC: reads the process locale's separators.
  void SetUp() override {
    saved_ = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
  }
  void TearDown() override { std::setlocale(LC_ALL, saved_.c_str()); }
  std::string saved_;
};

struct TUseCase {
  const char* argument;
  const char* best;
  const char* greater;
  const char* smaller;
};

TEST_F(ParamFieldsTest, UseFieldsTakeTheArgumentApart) {
  const TUseCase cases[] = {
      {";b", "b", "0", "0"},
      {"a;b", "a", "0", "0"},
      {"\"x;y\";z", "x;y", "0", "0"},
      {"x", "x", "0", "0"},
      {"\"\";z", "z", "0", "0"},
      {"3;x", "3", "3", "0"},
      {"-1;5", "-1", "5", "-1"},
      {"7;12;99", "7", "12", "7"},
      {" 8 ; 4", " 8 ", "8", "4"},
      {"\"5\";\"6\"", "5", "6", "5"},
      {"\"open;x", "\"open", "0", "0"},
      {"", "", "0", "0"},
      {"1.5;2", "1.5", "2", "0"},
      {"99999999999999999999;1", "99999999999999999999", "1", "0"},
  };
  for (const TUseCase& c : cases) {
    EXPECT_EQ(UseBestValue(c.argument), c.best) << c.argument;
    EXPECT_EQ(UseGreaterValue(c.argument), c.greater) << c.argument;
    EXPECT_EQ(UseSmallerValue(c.argument), c.smaller) << c.argument;
  }
}

TEST_F(ParamFieldsTest, ClearTagsEncodesQuotes) {
  EXPECT_EQ(ClearTagsValue("<b>Ann's</b> \"pic\""), "Ann&#039;s &quot;pic&quot;");
  EXPECT_EQ(ClearTagsValue(""), "");
}

TEST_F(ParamFieldsTest, ReplacesTokensInAPage) {
  std::string page = "<p>" + Token(66, "7/2") + " and " + Token(68, ";fallback") + "</p>\r\n" +
                     Token(67, "<i>it's</i>") + "|" + Token(69, "3;9") + Token(70, "3;9");
  ApplyParamFields(page);
  EXPECT_EQ(page, "<p>4 and fallback</p>\r\nit&#039;s|93");
}

TEST_F(ParamFieldsTest, NestedTokensAreEvaluatedFirst) {
  // {CALC:{USEGREATER:2;{CALC:2*3}}*10}
  std::string page = "x" + Token(66, Token(69, "2;" + Token(66, "2*3")) + "*10") + "y";
  ApplyParamFields(page);
  EXPECT_EQ(page, "x60y");
}

TEST_F(ParamFieldsTest, MalformedTokens) {
  struct TCase {
    std::string text;
    std::string expected;
  } cases[] = {
      // No 0x04 after the 0x03: nothing happens.
      {"a\x03"
       "66",
       "a\x03"
       "66"},
      // Only one 0x04: skipped.
      {"a\x03"
       "66\x04"
       "1+1",
       "a\x03"
       "66\x04"
       "1+1"},
      // The id is no number or 0: skipped, later tokens still work.
      {"\x03x\x04"
       "1\x04" +
           Token(66, "1+1"),
       "\x03x\x04"
       "1\x04"
       "2"},
      {"\x03"
       "0\x04"
       "1\x04",
       "\x03"
       "0\x04"
       "1\x04"},
      // An id without a parameterised meaning yields its argument.
      {Token(5, "kept"), "kept"},
      // A CALC error gives the empty text.
      {"[" + Token(66, "1/0") + "]", "[]"},
      {"", ""},
      {"no tokens", "no tokens"},
  };
  for (TCase& c : cases) {
    std::string text = c.text;
    ApplyParamFields(text);
    EXPECT_EQ(text, c.expected);
  }
}

TEST_F(ParamFieldsTest, ManyTokensStayFast) {
  std::string page;
  for (int i = 0; i < 20000; ++i) page += "<td>" + Token(66, std::to_string(i) + "+1") + "</td>";
  ApplyParamFields(page);
  EXPECT_EQ(page.substr(0, 18), "<td>1</td><td>2</t");
  EXPECT_NE(page.find("<td>20000</td>"), std::string::npos);
  EXPECT_EQ(page.find('\x03'), std::string::npos);
}

}  // namespace
}  // namespace pictavo
