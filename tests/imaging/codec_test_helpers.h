#pragma once
// Pictures for the codec tests: a known pattern, files made from it by
// ImageMagick, and pixel comparisons.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "imaging/codecs/codec.h"
#include "support/test_support.h"

namespace pictavo::test {

// The four quadrant colours of the test pattern.
inline constexpr TRgb kTopLeft{200, 30, 40}, kTopRight{20, 180, 60}, kBottomLeft{30, 40, 220},
    kBottomRight{250, 250, 250};

// A width x height picture of four quadrants (the left part is x < split_x,
// the top part y < split_y).
inline TRaster Quadrants(int width, int height, int split_x, int split_y) {
  TRaster r(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      r.set(x, y,
            y < split_y ? (x < split_x ? kTopLeft : kTopRight)
                        : (x < split_x ? kBottomLeft : kBottomRight));
  return r;
}

// The pattern of most tests: 15 x 9 (odd, so row padding matters).
inline TRaster Pattern() {
  return Quadrants(15, 9, 8, 5);
}

// Black left part, white right part.
inline TRaster BlackWhite(int width, int height) {
  TRaster r(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      r.set(x, y, x < width / 2 ? TRgb{0, 0, 0} : TRgb{255, 255, 255});
  return r;
}

// The raster as a binary PPM, which ImageMagick reads exactly.
inline std::string ToPpm(const TRaster& r) {
  std::string out = "P6\n" + std::to_string(r.width) + " " + std::to_string(r.height) + "\n255\n";
  out.append(reinterpret_cast<const char*>(r.pixels.data()), r.pixels.size());
  return out;
}

inline std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}
inline std::string Str(const std::vector<uint8_t>& v) {
  return {v.begin(), v.end()};
}

// Writes the raster as PPM, runs "convert src.ppm ARGS out" in dir and
// returns the bytes of out. out may start with ImageMagick's format prefix
// ("BMP3:a.bmp"). args starting with "!" name another encoder instead, which
// reads the PPM on its input and writes the file on its output
// ("!pamtotga -rgb").
inline std::string MakeWithConvert(const TTempDir& dir, const TRaster& raster,
                                   const std::string& args, const std::string& out) {
  const std::string src = dir.file("src.ppm");
  WriteFile(src, ToPpm(raster));
  const size_t colon = out.find(':');
  const std::string prefix = colon == std::string::npos ? "" : out.substr(0, colon + 1);
  const std::string name = colon == std::string::npos ? out : out.substr(colon + 1);
  const std::string target = dir.file(name);
  const std::string cmd =
      !args.empty() && args[0] == '!'
          ? "cat '" + src + "' | " + args.substr(1) + " > '" + target + "' 2>/dev/null"
          : "convert '" + src + "' " + args + " '" + prefix + target + "' 2>&1";
  int status = 0;
  std::string output = CommandOutput(cmd, &status);
  if (status != 0) ADD_FAILURE() << cmd << ": " << output;
  return ReadFile(target);
}

// Largest difference of any channel between two rasters of the same size.
inline int MaxDifference(const TRaster& a, const TRaster& b) {
  if (a.width != b.width || a.height != b.height) return 256;
  int max = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i)
    max = std::max(max, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
  return max;
}

inline bool Near(TRgb a, TRgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

inline std::string ToString(TRgb c) {
  return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

}  // namespace pictavo::test
