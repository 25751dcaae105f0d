#pragma once
// Plain values the settings store reads and writes besides text and numbers:
// window placements and fonts.
#include <string>

namespace pictavo {

// System colours are negative; the window-text colour is the default font
// colour and the window colour the default list colour.
constexpr int clWindowText = static_cast<int>(0xFF000008u);
constexpr int clWindow = static_cast<int>(0xFF000005u);

enum TPlacementPart { ppAll, ppState, ppSize, ppPosition };

struct TPlacement {
  int Left = 0, Top = 0, Width = 0, Height = 0, State = 0, Monitors = 1;
};

struct TFontSpec {
  std::string name = "Sans Serif";
  int size = 10;
  bool bold = false, italic = false, underline = false, strike_out = false;
  int color = clWindowText;
  int charset = 0;
  bool operator==(const TFontSpec&) const = default;
};
}  // namespace pictavo
