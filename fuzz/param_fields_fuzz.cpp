// Fuzz target for the parameterised fields over a page text (tokens made of
// the bytes 0x03 and 0x04), with the tag stripper and the entity encoder that
// their values go through, and the album date format (a text the user types).
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "template/date_format.h"
#include "template/entities.h"
#include "template/html_to_text.h"
#include "template/param_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 65536) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);
  pictavo::HtmlToText(text);
  pictavo::EncodeHtmlEntities(text, true, true);
  pictavo::EncodeHtmlEntities(text, false, false);
  pictavo::SplitUseArgument(text);
  static const pictavo::TDateNames kNames;
  std::tm when{};
  when.tm_year = 124;
  when.tm_mday = 29;
  when.tm_hour = 23;
  pictavo::FormatDatePattern(text, when, kNames);
  pictavo::ApplyParamFields(text);
  return 0;
}
