#pragma once
// Small helpers for the pixel tests: pictures made in memory, binary PPM
// files (so that ImageMagick can read and write what the tests compare) and
// the peak signal-to-noise ratio of two pictures.
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

#include "imaging/raster.h"

namespace pictavo::test {

inline TRaster FlatRaster(int w, int h, TRgb c) {
  TRaster r(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) r.set(x, y, c);
  return r;
}

// A gradient with noise: every pixel different, reproducible.
inline TRaster NoisyRaster(int w, int h, unsigned seed = 1) {
  TRaster r(w, h);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(-40, 40);
  auto px = [&](int base) {
    return static_cast<uint8_t>(std::min(255, std::max(0, base + noise(rng))));
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      r.set(x, y, {px(x * 255 / w), px(y * 255 / h), px(128)});
    }
  return r;
}

// 1-pixel checkerboard of black and white.
inline TRaster CheckerRaster(int w, int h) {
  TRaster r(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t v = ((x + y) % 2) ? 255 : 0;
      r.set(x, y, {v, v, v});
    }
  return r;
}

inline void WritePpm(const std::string& path, const TRaster& r) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << r.width << " " << r.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(r.pixels.data()),
            static_cast<std::streamsize>(r.pixels.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

// Reads a binary 8-bit PPM (P6) without comments, as ImageMagick writes it.
inline TRaster ReadPpm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int w = 0, h = 0, maxval = 0;
  in >> magic >> w >> h >> maxval;
  in.get();
  if (!in || magic != "P6" || maxval != 255 || w < 1 || h < 1) {
    throw std::runtime_error("not an 8-bit P6 file: " + path);
  }
  TRaster r(w, h);
  in.read(reinterpret_cast<char*>(r.pixels.data()), static_cast<std::streamsize>(r.pixels.size()));
  if (!in) throw std::runtime_error("short P6 file: " + path);
  return r;
}

// PSNR in dB over all channels (infinity for equal pictures).
inline double Psnr(const TRaster& a, const TRaster& b) {
  if (a.width != b.width || a.height != b.height) return -1.0;
  double se = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    const double d = static_cast<double>(a.pixels[i]) - b.pixels[i];
    se += d * d;
  }
  if (se == 0) return INFINITY;
  const double mse = se / static_cast<double>(a.pixels.size());
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

inline int MaxAbsDiff(const TRaster& a, const TRaster& b) {
  int m = 0;
  for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) {
    m = std::max(m, std::abs(static_cast<int>(a.pixels[i]) - b.pixels[i]));
  }
  return m;
}

}  // namespace pictavo::test
