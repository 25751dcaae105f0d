#include "imaging/adjust.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace pictavo {

namespace {

using TTable = std::array<uint8_t, 256>;

uint8_t ClampByte(double v) {
  return static_cast<uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
}

void ApplyTable(TRaster& image, const TTable& table) {
  for (uint8_t& v : image.pixels) v = table[v];
}

}  // namespace

void AdjustBrightness(TRaster& image, int brightness) {
  if (brightness == 0 || brightness < -100 || brightness > 100) return;
  TTable table;
  const double t = brightness / 100.0;
  for (int v = 0; v < 256; ++v) {
    table[v] = brightness > 0 ? ClampByte(v + (255 - v) * t) : ClampByte(v * (1.0 + t));
  }
  ApplyTable(image, table);
}

void AdjustContrast(TRaster& image, int contrast) {
  if (contrast == 0 || contrast < -100 || contrast > 100) return;
  TTable table;
  if (contrast == 100) {
    for (int v = 0; v < 256; ++v) table[v] = v < 128 ? 0 : 255;
  } else {
    const double slope = std::tan((contrast / 100.0 + 1.0) * std::numbers::pi / 4.0);
    for (int v = 0; v < 256; ++v) table[v] = ClampByte(127.5 + (v - 127.5) * slope);
  }
  ApplyTable(image, table);
}

}  // namespace pictavo
