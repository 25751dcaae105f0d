#include "template/calc.h"

#include <gtest/gtest.h>

#include <string>

namespace pictavo {
namespace {

const TNumberSeparators kEnglish{",", "."};
const TNumberSeparators kGerman{".", ","};
const TNumberSeparators kSwiss{"'", "."};
const TNumberSeparators kNone{"", "."};

struct TCalcCase {
  const char* expression;
  const char* expected;  // "" for an error
};

class CalcTest : public ::testing::TestWithParam<TCalcCase> {};

TEST_P(CalcTest, EnglishSeparators) {
  EXPECT_EQ(EvaluateCalc(GetParam().expression, kEnglish), GetParam().expected)
      << GetParam().expression;
}

INSTANTIATE_TEST_SUITE_P(
    Arithmetic, CalcTest,
    ::testing::Values(
        TCalcCase{"1+2", "3"}, TCalcCase{"2+3*4", "14"}, TCalcCase{"(2+3)*4", "20"},
        TCalcCase{"10-2-3", "5"}, TCalcCase{"2^3^2", "512"}, TCalcCase{" 6 \t* 7 ", "42"},
        // Halves round to the even neighbour.
        TCalcCase{"7/2", "4"}, TCalcCase{"5/2", "2"}, TCalcCase{"-5/2", "-2"},
        TCalcCase{"-7/2", "-4"}, TCalcCase{"0.4", "0"}, TCalcCase{"-0.4", "0"},
        TCalcCase{"ROUND(2.5)*10", "20"}, TCalcCase{"ROUND(3.5)", "4"},
        // DIV and MOD on whole parts: towards zero, remainder with the
        // dividend's sign.
        TCalcCase{"10 DIV 3", "3"}, TCalcCase{"10 mod 3", "1"}, TCalcCase{"-7 DIV 2", "-3"},
        TCalcCase{"-7 MOD 2", "-1"}, TCalcCase{"7 MOD -2", "1"}, TCalcCase{"7.9 DIV 2", "3"},
        TCalcCase{"10DIV3", "3"}, TCalcCase{"1 DIV 0", ""}, TCalcCase{"1 MOD 0.5", ""},
        // Signed numbers at the start and after "(" are parenthesised.
        TCalcCase{"-2^2", "4"}, TCalcCase{"-5*2", "-10"}, TCalcCase{"3*(-2+1)", "-3"},
        TCalcCase{"(-3)", "-3"}, TCalcCase{"2*-3", "-6"}, TCalcCase{"-PI", "-3"},
        // Separators of an English system.
        TCalcCase{"1,000+1", "1001"}, TCalcCase{".5*4", "2"}, TCalcCase{"5.*2", "10"},
        TCalcCase{"1'000*2", "2000"}, TCalcCase{"2.5*2", "5"},
        // Functions, constants and variables.
        TCalcCase{"MAX(2;5)", "5"}, TCalcCase{"min(2;5)", "2"}, TCalcCase{"POWER(2;10)", "1024"},
        TCalcCase{"INTPOWER(2;3.9)", "8"}, TCalcCase{"LOGN(2;1024)", "10"},
        TCalcCase{"SQR(12)", "144"}, TCalcCase{"SQRT(144)", "12"}, TCalcCase{"ABS(-4)", "4"},
        TCalcCase{"TRUNC(-2.7)", "-2"}, TCalcCase{"INT(2.7)", "2"}, TCalcCase{"CEIL(2.1)", "3"},
        TCalcCase{"FLOOR(-2.1)", "-3"}, TCalcCase{"HEAV(0)+HEAV(-1)", "1"},
        TCalcCase{"SIGN(-9)", "-1"}, TCalcCase{"ZERO(5)*10+LZERO(0)", "11"},
        TCalcCase{"LOG10(1000)+LOG2(8)", "6"}, TCalcCase{"EXP(LN(20))", "20"},
        TCalcCase{"PI*100", "314"}, TCalcCase{"SIN(PI/2)*10", "10"}, TCalcCase{"COS(0)", "1"},
        TCalcCase{"TAN(PI/4)*100", "100"}, TCalcCase{"COTAN(PI/4)*100", "100"},
        TCalcCase{"ARCTAN(1)*400", "314"}, TCalcCase{"SINH(0)+COSH(0)", "1"},
        TCalcCase{"A+B+C+D+E+X+Y+T+7", "7"}, TCalcCase{"ARG(-1)*100", "314"},
        TCalcCase{"PH(2.5*PI)*100", "157"}, TCalcCase{"MAX(2;MIN(9;7))", "7"},
        // Errors give the empty text.
        TCalcCase{"1/0", ""}, TCalcCase{"", ""}, TCalcCase{"1+", ""}, TCalcCase{"(1+2", ""},
        TCalcCase{"1+2)", ""}, TCalcCase{"FOO(1)", ""}, TCalcCase{"Z", ""}, TCalcCase{"MAX(1)", ""},
        TCalcCase{"SIN 1", ""}, TCalcCase{"SQRT(-1)", ""}, TCalcCase{"LN(0)", ""},
        TCalcCase{"1..2", ""}, TCalcCase{"10^400", ""}, TCalcCase{"1e5", ""}, TCalcCase{"2 3", ""},
        TCalcCase{"1;2", ""},
        // Magnitudes without a practical whole-number form.
        TCalcCase{"10^14", "100000000000000"}, TCalcCase{"10^15", ""}, TCalcCase{"-10^15", ""}));

TEST(EvaluateCalc, SeparatorsOfOtherSystems) {
  EXPECT_EQ(EvaluateCalc("1,5*2", kGerman), "3");
  EXPECT_EQ(EvaluateCalc("1.000+1", kGerman), "2");  // "." stays a decimal point
  EXPECT_EQ(EvaluateCalc("1'000+1", kSwiss), "1001");
  EXPECT_EQ(EvaluateCalc("1,000+1", kNone), "2");
  EXPECT_EQ(NormaliseCalcSeparators("1 000,5", TNumberSeparators{" ", ","}), "1000.5");
  EXPECT_EQ(NormaliseCalcSeparators("1\u202f000,5", TNumberSeparators{"\u202f", ","}), "1000.5");
  EXPECT_EQ(NormaliseCalcSeparators("3\u066b5", TNumberSeparators{"", "\u066b"}), "3.5");
}

TEST(ParenthesiseSignedNumbers, OnlyAtTheStartOrAfterAnOpeningParenthesis) {
  EXPECT_EQ(ParenthesiseSignedNumbers("-5*2"), "(-5)*2");
  EXPECT_EQ(ParenthesiseSignedNumbers("3*(-2+1)"), "3*((-2)+1)");
  EXPECT_EQ(ParenthesiseSignedNumbers("(-2)"), "(-2)");
  EXPECT_EQ(ParenthesiseSignedNumbers("-X"), "-X");
  EXPECT_EQ(ParenthesiseSignedNumbers("+.5"), "(+.5)");
  EXPECT_EQ(ParenthesiseSignedNumbers("1-2"), "1-2");
}

TEST(EvaluateCalc, RandomStaysInItsRange) {
  for (int i = 0; i < 200; ++i) {
    std::string r = EvaluateCalc("RND(10)", kEnglish);
    ASSERT_FALSE(r.empty());
    int v = std::stoi(r);
    EXPECT_GE(v, 0);
    EXPECT_LE(v, 9);
    std::string u = EvaluateCalc("RANDOM(5)", kEnglish);
    EXPECT_TRUE(u == "0" || u == "1") << u;
  }
}

TEST(EvaluateCalc, DeepOrLongExpressionsGiveTheEmptyText) {
  std::string nested = std::string(kMaxCalcDepth, '(') + "1" + std::string(kMaxCalcDepth, ')');
  EXPECT_EQ(EvaluateCalc(nested, kEnglish), "1");
  std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
  EXPECT_EQ(EvaluateCalc(deep, kEnglish), "");
  EXPECT_EQ(EvaluateCalc(std::string(100000, '-') + "1", kEnglish), "");
  EXPECT_EQ(EvaluateCalc("2" + std::string(50000, '^') + "2", kEnglish), "");
  std::string sum = "1";
  while (sum.size() <= kMaxCalcLength) sum += "+1";
  EXPECT_EQ(EvaluateCalc(sum, kEnglish), "");
  std::string powers = "1";
  for (int i = 0; i < 1000; ++i) powers += "^1";
  EXPECT_EQ(EvaluateCalc(powers, kEnglish), "");  // right-nested too deeply
  std::string long_sum = "1";
  for (int i = 0; i < 1000; ++i) long_sum += "+1";
  EXPECT_EQ(EvaluateCalc(long_sum, kEnglish), "1001");  // long but flat is fine
}

}  // namespace
}  // namespace pictavo
