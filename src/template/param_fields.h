#pragma once
// The parameterised fields (CALC:, CLEARTAGS:, USEBEST:, USEGREATER:,
// USESMALLER:), evaluated over a finished page text. Compilation leaves them
// as byte 0x03, the field id in decimal, byte 0x04, the argument, byte 0x04.
#include <string>
#include <string_view>

namespace pictavo {

// Replaces every parameterised token of the text by its value, scanning from
// the end, so that tokens nested in another's argument are evaluated first
// and the outer field sees their results. A token whose id is no number
// other than 0, or that lacks its closing 0x04, stays as it is; an id
// without a parameterised meaning yields its argument. Linear in the text.
void ApplyParamFields(std::string& text);

// The CLEARTAGS: value: the argument as plain text (HtmlToText) with double
// quotes written as "&quot;" and apostrophes as "&#039;".
std::string ClearTagsValue(std::string_view argument);

// The two parts of a USE argument: split at ";" (the second part ends at the
// next ";"), a part beginning with a double quote may hold ";" up to its
// closing quote, and one pair of enclosing quotes is removed from each part.
struct TUseParts {
  std::string first;
  std::string second;
};
TUseParts SplitUseArgument(std::string_view argument);

// USEBEST: the first part, or the second when the first is empty.
std::string UseBestValue(std::string_view argument);
// USEGREATER: / USESMALLER: both parts as integers (0 when a part is no
// integer); the greater or the smaller in decimal.
std::string UseGreaterValue(std::string_view argument);
std::string UseSmallerValue(std::string_view argument);

// The value of one parameterised field for its argument.
std::string ParamFieldValue(int id, std::string_view argument);

}  // namespace pictavo
