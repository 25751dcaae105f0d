#include "template/calc.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <random>

namespace pictavo {

namespace {

constexpr double kMaxWholeNumber = 1e15;  // results from here on have no exact whole form
constexpr double kMaxIntegerOperand = 9e18;

double RandomUnit() {
  thread_local std::mt19937_64 engine{std::random_device{}()};
  return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
}

bool IsDigitOrDot(char c) {
  return (c >= '0' && c <= '9') || c == '.';
}
bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Recursive-descent evaluation with a depth bound:
//   expr   := term { ("+" | "-") term }
//   term   := power { ("*" | "/" | "DIV" | "MOD") power }
//   power  := unary [ "^" power ]
//   unary  := ("+" | "-") unary | primary
//   primary:= number | "(" expr ")" | name [ "(" expr [ ";" expr ] ")" ]
class TCalcParser {
 public:
  explicit TCalcParser(std::string_view text) : text_(text) {}

  std::optional<double> Run() {
    double value = 0;
    if (!Expr(value)) return std::nullopt;
    SkipBlanks();
    if (pos_ != text_.size()) return std::nullopt;
    if (!std::isfinite(value)) return std::nullopt;
    return value;
  }

 private:
  // Counts the nesting of one recursive step; false when too deep.
  class TDepth {
   public:
    explicit TDepth(int& depth) : depth_(depth) { ++depth_; }
    ~TDepth() { --depth_; }
    // Each level of parentheses takes three steps (expression, power, sign).
    bool ok() const { return depth_ <= 3 * kMaxCalcDepth + 3; }

   private:
    int& depth_;
  };

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  bool Peek(char c) {
    SkipBlanks();
    return pos_ < text_.size() && text_[pos_] == c;
  }
  // The upper-cased name at the current position (letters, plus the digits
  // of LOG10 and LOG2), without consuming it.
  std::string PeekName(size_t* length) {
    SkipBlanks();
    size_t p = pos_;
    std::string name;
    while (p < text_.size() && IsLetter(text_[p])) name += Upper(text_[p++]);
    if (name == "LOG") {
      if (text_.substr(p, 2) == "10") {
        name += "10";
        p += 2;
      } else if (text_.substr(p, 1) == "2") {
        name += "2";
        p += 1;
      }
    }
    *length = p - pos_;
    return name;
  }
  static bool Finite(double v) { return std::isfinite(v); }

  bool Expr(double& value) {
    TDepth depth(depth_);
    if (!depth.ok() || !Term(value)) return false;
    for (;;) {
      SkipBlanks();
      if (pos_ >= text_.size()) return true;
      char op = text_[pos_];
      if (op != '+' && op != '-') return true;
      ++pos_;
      double rhs = 0;
      if (!Term(rhs)) return false;
      value = op == '+' ? value + rhs : value - rhs;
      if (!Finite(value)) return false;
    }
  }

  bool Term(double& value) {
    if (!Power(value)) return false;
    for (;;) {
      SkipBlanks();
      if (pos_ >= text_.size()) return true;
      char op = text_[pos_];
      size_t name_length = 0;
      std::string name = PeekName(&name_length);
      if (name == "DIV" || name == "MOD") {
        pos_ += name_length;
        double rhs = 0;
        if (!Power(rhs)) return false;
        if (!IntegerDivision(value, rhs, name == "DIV", value)) return false;
        continue;
      }
      if (op != '*' && op != '/') return true;
      ++pos_;
      double rhs = 0;
      if (!Power(rhs)) return false;
      if (op == '*') {
        value *= rhs;
      } else {
        if (rhs == 0) return false;
        value /= rhs;
      }
      if (!Finite(value)) return false;
    }
  }

  // DIV and MOD work on the whole parts of their operands: the quotient
  // rounds towards zero and the remainder takes the sign of the dividend.
  static bool IntegerDivision(double a, double b, bool div, double& result) {
    double ta = std::trunc(a), tb = std::trunc(b);
    if (std::fabs(ta) >= kMaxIntegerOperand || std::fabs(tb) >= kMaxIntegerOperand) return false;
    auto ia = static_cast<int64_t>(ta), ib = static_cast<int64_t>(tb);
    if (ib == 0) return false;
    result = static_cast<double>(div ? ia / ib : ia % ib);
    return true;
  }

  bool Power(double& value) {
    TDepth depth(depth_);
    if (!depth.ok() || !Unary(value)) return false;
    if (!Peek('^')) return true;
    ++pos_;
    double exponent = 0;
    if (!Power(exponent)) return false;
    value = std::pow(value, exponent);
    return Finite(value);
  }

  bool Unary(double& value) {
    TDepth depth(depth_);
    if (!depth.ok()) return false;
    SkipBlanks();
    if (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+')) {
      bool negative = text_[pos_] == '-';
      ++pos_;
      if (!Unary(value)) return false;
      if (negative) value = -value;
      return true;
    }
    return Primary(value);
  }

  bool Number(double& value) {
    size_t start = pos_;
    bool dot = false, digit = false;
    while (pos_ < text_.size() && IsDigitOrDot(text_[pos_])) {
      if (text_[pos_] == '.') {
        if (dot) return false;
        dot = true;
      } else {
        digit = true;
      }
      ++pos_;
    }
    if (!digit) return false;
    // from_chars reads "." whatever the process locale says.
    const char* first = text_.data() + start;
    const char* last = text_.data() + pos_;
    auto [end, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && end == last && Finite(value);
  }

  bool Primary(double& value) {
    SkipBlanks();
    if (pos_ >= text_.size()) return false;
    char c = text_[pos_];
    if (IsDigitOrDot(c)) return Number(value);
    if (c == '(') {
      ++pos_;
      if (!Expr(value) || !Peek(')')) return false;
      ++pos_;
      return true;
    }
    size_t name_length = 0;
    std::string name = PeekName(&name_length);
    if (name.empty()) return false;
    pos_ += name_length;
    if (name == "PI") {
      value = std::numbers::pi;
      return true;
    }
    if (name.size() == 1 && std::string_view("ABCDEXYT").find(name[0]) != std::string_view::npos) {
      value = 0;
      return true;
    }
    int arity = FunctionArity(name);
    if (arity == 0 || !Peek('(')) return false;
    ++pos_;
    double a = 0, b = 0;
    if (!Expr(a)) return false;
    if (arity == 2) {
      if (!Peek(';')) return false;
      ++pos_;
      if (!Expr(b)) return false;
    }
    if (!Peek(')')) return false;
    ++pos_;
    if (!Apply(name, a, b, value)) return false;
    return Finite(value);
  }

  static int FunctionArity(const std::string& name) {
    static const char* const kOne[] = {"TAN",  "SIN",   "COS", "SINH",  "COSH",   "ARCTAN", "COTAN",
                                       "ARG",  "EXP",   "LN",  "LOG10", "LOG2",   "SQR",    "SQRT",
                                       "ABS",  "TRUNC", "INT", "CEIL",  "FLOOR",  "HEAV",   "SIGN",
                                       "ZERO", "LZERO", "PH",  "RND",   "RANDOM", "ROUND"};
    static const char* const kTwo[] = {"MAX", "MIN", "POWER", "INTPOWER", "LOGN"};
    for (const char* f : kOne)
      if (name == f) return 1;
    for (const char* f : kTwo)
      if (name == f) return 2;
    return 0;
  }

  static bool Apply(const std::string& f, double x, double y, double& r) {
    constexpr double pi = std::numbers::pi;
    if (f == "TAN")
      r = std::tan(x);
    else if (f == "SIN")
      r = std::sin(x);
    else if (f == "COS")
      r = std::cos(x);
    else if (f == "SINH")
      r = std::sinh(x);
    else if (f == "COSH")
      r = std::cosh(x);
    else if (f == "ARCTAN")
      r = std::atan(x);
    else if (f == "COTAN") {
      double t = std::tan(x);
      if (t == 0) return false;
      r = 1 / t;
    }
    // The angle of a real number: 0 for a positive one, pi for a negative one.
    else if (f == "ARG")
      r = x < 0 ? pi : 0;
    else if (f == "EXP")
      r = std::exp(x);
    else if (f == "LN" || f == "LOG10" || f == "LOG2") {
      if (x <= 0) return false;
      r = f == "LN" ? std::log(x) : f == "LOG10" ? std::log10(x) : std::log2(x);
    } else if (f == "SQR")
      r = x * x;
    else if (f == "SQRT") {
      if (x < 0) return false;
      r = std::sqrt(x);
    } else if (f == "ABS")
      r = std::fabs(x);
    else if (f == "TRUNC" || f == "INT")
      r = std::trunc(x);
    else if (f == "CEIL")
      r = std::ceil(x);
    else if (f == "FLOOR")
      r = std::floor(x);
    else if (f == "HEAV")
      r = x >= 0 ? 1 : 0;
    else if (f == "SIGN")
      r = x > 0 ? 1 : x < 0 ? -1 : 0;
    else if (f == "ZERO")
      r = x != 0 ? 1 : 0;
    else if (f == "LZERO")
      r = x == 0 ? 1 : 0;
    // The phase of an angle: x brought into the range -pi .. pi.
    else if (f == "PH")
      r = x - 2 * pi * std::nearbyint(x / (2 * pi));
    else if (f == "RANDOM")
      r = RandomUnit();
    else if (f == "RND")
      r = std::trunc(x * RandomUnit());
    else if (f == "ROUND")
      r = std::nearbyint(x);
    else if (f == "MAX")
      r = std::max(x, y);
    else if (f == "MIN")
      r = std::min(x, y);
    else if (f == "POWER")
      r = std::pow(x, y);
    else if (f == "INTPOWER")
      r = std::pow(x, std::trunc(y));
    else if (f == "LOGN") {
      if (x <= 0 || x == 1 || y <= 0) return false;
      r = std::log(y) / std::log(x);
    } else
      return false;
    return true;
  }

  std::string_view text_;
  size_t pos_ = 0;
  int depth_ = 0;
};

bool EndsWithAt(std::string_view text, size_t end, std::string_view what) {
  return !what.empty() && end >= what.size() && text.substr(end - what.size(), what.size()) == what;
}

}  // namespace

TNumberSeparators LocaleNumberSeparators() {
  TNumberSeparators s;
  const std::lconv* lc = std::localeconv();
  if (lc != nullptr) {
    s.thousands = lc->thousands_sep ? lc->thousands_sep : "";
    s.decimal = lc->decimal_point && *lc->decimal_point ? lc->decimal_point : ".";
  }
  return s;
}

std::string NormaliseCalcSeparators(std::string_view text, const TNumberSeparators& separators) {
  const std::string& th = separators.thousands;
  const std::string& dec = separators.decimal;
  const bool drop_thousands = !th.empty() && th != "." && th != "'";
  const bool comma_is_point = th != ",";
  const bool convert_decimal = !dec.empty() && dec != th && dec != "," && dec != ".";
  // Built backwards, working from the end of the text.
  std::string reversed;
  reversed.reserve(text.size());
  size_t end = text.size();
  while (end > 0) {
    char c = text[end - 1];
    if (c == '\'') {
      end -= 1;
    } else if (drop_thousands && EndsWithAt(text, end, th)) {
      end -= th.size();
    } else if (c == ',' && comma_is_point) {
      reversed += '.';
      end -= 1;
    } else if (convert_decimal && EndsWithAt(text, end, dec)) {
      reversed += '.';
      end -= dec.size();
    } else {
      reversed += c;
      end -= 1;
    }
  }
  return std::string(reversed.rbegin(), reversed.rend());
}

std::string ParenthesiseSignedNumbers(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    bool sign_place = i == 0 || text[i - 1] == '(';
    if ((c == '+' || c == '-') && sign_place) {
      size_t j = i + 1;
      while (j < text.size() && IsDigitOrDot(text[j])) ++j;
      if (j > i + 1 && (j >= text.size() || text[j] != ')')) {
        out += '(';
        out.append(text.substr(i, j - i));
        out += ')';
        i = j;
        continue;
      }
    }
    out += c;
    ++i;
  }
  return out;
}

std::optional<double> EvaluateExpression(std::string_view text) {
  if (text.size() > kMaxCalcLength) return std::nullopt;
  return TCalcParser(text).Run();
}

std::string EvaluateCalc(std::string_view expression, const TNumberSeparators& separators) {
  if (expression.size() > kMaxCalcLength) return {};
  std::string text = ParenthesiseSignedNumbers(NormaliseCalcSeparators(expression, separators));
  std::optional<double> value = EvaluateExpression(text);
  if (!value) return {};
  double whole = std::nearbyint(*value);
  if (!(std::fabs(whole) < kMaxWholeNumber)) return {};
  if (whole == 0) return "0";  // never "-0"
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.0f", whole);
  return buffer;
}

std::string EvaluateCalc(std::string_view expression) {
  return EvaluateCalc(expression, LocaleNumberSeparators());
}

}  // namespace pictavo
