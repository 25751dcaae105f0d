#pragma once
// The arithmetic of the CALC: field: a small bounded expression evaluator.
#include <optional>
#include <string>
#include <string_view>

namespace pictavo {

// The number separators an expression may be written with.
struct TNumberSeparators {
  std::string thousands;  // "" when the system has none
  std::string decimal = ".";
};

// Separators of the process locale (LC_NUMERIC).
TNumberSeparators LocaleNumberSeparators();

// Longest expression and deepest nesting the evaluator accepts; beyond them
// the result is the empty text.
inline constexpr size_t kMaxCalcLength = 4096;
inline constexpr int kMaxCalcDepth = 100;  // levels of parentheses

// The whole-number text of an expression (halves round to the even
// neighbour), or the empty text on any error: syntax, division by zero,
// unknown name, a result that is not finite or whose magnitude reaches 1e15,
// an expression that is too long or too deeply nested. Numbers are written
// with the given separators (the process locale's by default).
std::string EvaluateCalc(std::string_view expression);
std::string EvaluateCalc(std::string_view expression, const TNumberSeparators& separators);

// The steps, exposed for tests.
// Removes apostrophes and thousands separators and turns decimal separators
// into ".".
std::string NormaliseCalcSeparators(std::string_view text, const TNumberSeparators& separators);
// Puts parentheses around a signed number at the start or after "(" ("-5*2"
// becomes "(-5)*2") unless the number is directly followed by ")".
std::string ParenthesiseSignedNumbers(std::string_view text);
// Value of a normalised expression; nullopt on any error.
std::optional<double> EvaluateExpression(std::string_view text);

}  // namespace pictavo
