// Web-page title extraction from the first bytes of an HTML file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pictures/html_title.h"
#include "platform/text_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 8192) return 0;  // the program reads at most 4096 bytes
  const std::string_view head(reinterpret_cast<const char*>(data), size);
  const std::string title = pictavo::HtmlTitleFromBytes(head);
  if (!pictavo::IsValidUtf8(title)) __builtin_trap();
  if (title.size() > 3 * size) __builtin_trap();
  return 0;
}
