#pragma once
// Picture files for the converter tests, written by ImageMagick from rasters
// made in memory, EXIF tags set by exiftool, and files read back through the
// codecs.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "imaging/codecs/codec.h"
#include "imaging/raster.h"
#include "support/test_support.h"

namespace pictavo::test {

// Left half one colour, right half another.
inline TRaster HalvesRaster(int w, int h, TRgb left, TRgb right) {
  TRaster r(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) r.set(x, y, x < w / 2 ? left : right);
  return r;
}

// A smooth picture with some detail, so JPEG files have realistic sizes.
inline TRaster DetailRaster(int w, int h) {
  TRaster r(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      r.set(x, y,
            {static_cast<uint8_t>(x * 255 / w), static_cast<uint8_t>(y * 255 / h),
             static_cast<uint8_t>(((x / 8 + y / 8) % 2) * 120 + 60)});
    }
  return r;
}

inline std::string Quote(const std::string& s) {
  return "'" + s + "'";
}

// Writes the raster as a binary PPM and lets ImageMagick convert it to the
// format of path's extension (extra: more convert options).
inline void WritePicture(const std::string& path, const TRaster& raster,
                         const std::string& extra = "-quality 92") {
  std::string ppm = path + ".src.ppm";
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  {
    std::ofstream out(ppm, std::ios::binary);
    out << "P6\n" << raster.width << " " << raster.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(raster.pixels.data()),
              static_cast<std::streamsize>(raster.pixels.size()));
  }
  std::string cmd = "convert " + Quote(ppm) + " " + extra + " " + Quote(path) + " 2>&1";
  ASSERT_EQ(RunCommand(cmd), 0) << cmd;
  std::remove(ppm.c_str());
}

// Sets EXIF tags with exiftool (e.g. "-Orientation#=6").
inline void SetExif(const std::string& path, const std::string& tags) {
  std::string cmd = "exiftool -q -q -overwrite_original " + tags + " " + Quote(path);
  ASSERT_EQ(RunCommand(cmd), 0) << cmd;
}

inline std::string ExifTag(const std::string& path, const std::string& tag) {
  std::string out = CommandOutput("exiftool -s3 -n -" + tag + " " + Quote(path));
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

inline TRaster ReadPicture(const std::string& path) {
  return LoadImageFile(path, ImageTypeFromExt(path));
}

inline bool Near(TRgb a, TRgb b, int tolerance = 40) {
  auto d = [](int x, int y) { return x > y ? x - y : y - x; };
  return d(a.r, b.r) <= tolerance && d(a.g, b.g) <= tolerance && d(a.b, b.b) <= tolerance;
}

}  // namespace pictavo::test
