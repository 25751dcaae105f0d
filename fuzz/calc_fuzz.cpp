// Fuzz target for the CALC: evaluator: any text gives a whole number or the
// empty text, never a crash, a hang or a stack overflow.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "template/calc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16384) return 0;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  static const pictavo::TNumberSeparators kEnglish{",", "."};
  static const pictavo::TNumberSeparators kGerman{".", ","};
  static const pictavo::TNumberSeparators kSpaced{"\xE2\x80\xAF", ","};
  pictavo::EvaluateCalc(text, kEnglish);
  pictavo::EvaluateCalc(text, kGerman);
  pictavo::EvaluateCalc(text, kSpaced);
  pictavo::EvaluateExpression(text);
  return 0;
}
