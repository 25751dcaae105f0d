#pragma once
// The description box `edtDescription` beside the picture grid, as state:
// its text, whether it is enabled and its modified mark.
#include <cstddef>
#include <string>
#include <string_view>

namespace pictavo {

struct TDescriptionBox {
  std::string text;
  bool enabled = false;
  bool modified = false;
};

// Ctrl+Enter: the line break just typed before the caret (CR LF, or a lone LF
// or CR) becomes "<br>"; the caret moves behind it. Without a line break
// before the caret nothing changes.
void CtrlEnterLineBreak(std::string& text, size_t& caret);
// The description as the grid shows it: every CR LF pair, and every lone CR
// or LF, becomes "<br>".
std::string DescriptionToGridText(std::string_view text);

}  // namespace pictavo
