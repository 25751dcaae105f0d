#pragma once
// A decoded picture in memory: 8-bit RGB, rows top to bottom, no padding.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictavo {

struct TRgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const TRgb&) const = default;
};

struct TRaster {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height * 3 bytes

  TRaster() = default;
  TRaster(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h * 3) {}
  bool empty() const { return width <= 0 || height <= 0; }
  uint8_t* row(int y) { return pixels.data() + static_cast<size_t>(y) * width * 3; }
  const uint8_t* row(int y) const { return pixels.data() + static_cast<size_t>(y) * width * 3; }
  TRgb at(int x, int y) const {
    const uint8_t* p = row(y) + static_cast<size_t>(x) * 3;
    return {p[0], p[1], p[2]};
  }
  void set(int x, int y, TRgb c) {
    uint8_t* p = row(y) + static_cast<size_t>(x) * 3;
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
  }
};

}  // namespace pictavo
