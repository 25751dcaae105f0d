#include "imaging/rotate.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <utility>

#include "imaging/worker_pool.h"

namespace pictavo {

namespace {

// Builds a picture of out_w x out_h whose pixel (x, y) is the source pixel
// at byte offset base + x * dx + y * dy: every exact turn and mirror is such
// a walk. The output is made in square tiles so that turned reads stay
// within a few cache lines.
TRaster Remap(const TRaster& image, int out_w, int out_h, ptrdiff_t base, ptrdiff_t dx,
              ptrdiff_t dy) {
  constexpr int kTile = 64;
  TRaster out(out_w, out_h);
  const uint8_t* src = image.pixels.data();
  for (int ty = 0; ty < out_h; ty += kTile) {
    const int y_end = std::min(out_h, ty + kTile);
    for (int tx = 0; tx < out_w; tx += kTile) {
      const int x_end = std::min(out_w, tx + kTile);
      for (int y = ty; y < y_end; ++y) {
        uint8_t* d = out.row(y) + static_cast<size_t>(tx) * 3;
        ptrdiff_t off = base + tx * dx + y * dy;
        for (int x = tx; x < x_end; ++x, d += 3, off += dx) {
          d[0] = src[off];
          d[1] = src[off + 1];
          d[2] = src[off + 2];
        }
      }
    }
  }
  return out;
}

// Quarter turns clockwise of a multiple of 90 degrees, 0 to 3.
int QuarterTurns(double degrees) {
  const long turns = std::lround(std::fmod(degrees, 360.0) / 90.0);
  return static_cast<int>(((turns % 4) + 4) % 4);
}

}  // namespace

TRaster RotateClockwise90(const TRaster& image) {
  const ptrdiff_t stride = static_cast<ptrdiff_t>(image.width) * 3;
  return Remap(image, image.height, image.width, (image.height - 1) * stride, -stride, 3);
}

TRaster Rotate180(const TRaster& image) {
  const ptrdiff_t stride = static_cast<ptrdiff_t>(image.width) * 3;
  return Remap(image, image.width, image.height, (image.height - 1) * stride + stride - 3, -3,
               -stride);
}

TRaster RotateClockwise270(const TRaster& image) {
  const ptrdiff_t stride = static_cast<ptrdiff_t>(image.width) * 3;
  return Remap(image, image.height, image.width, stride - 3, stride, -3);
}

TRaster FlipHorizontal(const TRaster& image) {
  const ptrdiff_t stride = static_cast<ptrdiff_t>(image.width) * 3;
  return Remap(image, image.width, image.height, stride - 3, -3, stride);
}

TRaster FlipVertical(const TRaster& image) {
  const ptrdiff_t stride = static_cast<ptrdiff_t>(image.width) * 3;
  return Remap(image, image.width, image.height, (image.height - 1) * stride, 3, -stride);
}

TRaster Transpose(const TRaster& image) {
  const ptrdiff_t stride = static_cast<ptrdiff_t>(image.width) * 3;
  return Remap(image, image.height, image.width, 0, stride, 3);
}

TRaster Transverse(const TRaster& image) {
  const ptrdiff_t stride = static_cast<ptrdiff_t>(image.width) * 3;
  return Remap(image, image.height, image.width, (image.height - 1) * stride + stride - 3, -stride,
               -3);
}

bool IsQuarterTurn(double degrees) {
  return std::isfinite(degrees) && std::fmod(degrees, 90.0) == 0.0;
}

void RotatedSize(int width, int height, double degrees, int& out_width, int& out_height) {
  if (IsQuarterTurn(degrees) || !std::isfinite(degrees)) {
    const bool swap = QuarterTurns(std::isfinite(degrees) ? degrees : 0) % 2 == 1;
    out_width = swap ? height : width;
    out_height = swap ? width : height;
    return;
  }
  const double a = degrees * std::numbers::pi / 180.0;
  const double c = std::fabs(std::cos(a)), s = std::fabs(std::sin(a));
  out_width = std::max(1, static_cast<int>(std::nearbyint(width * c + height * s)));
  out_height = std::max(1, static_cast<int>(std::nearbyint(width * s + height * c)));
}

TRaster Rotate(const TRaster& image, double degrees, TRgb background, TWorkerPool* pool) {
  if (image.empty() || !std::isfinite(degrees)) return image;
  if (IsQuarterTurn(degrees)) {
    switch (QuarterTurns(degrees)) {
      case 1:
        return RotateClockwise90(image);
      case 2:
        return Rotate180(image);
      case 3:
        return RotateClockwise270(image);
      default:
        return image;
    }
  }
  const int w = image.width, h = image.height;
  int ow, oh;
  RotatedSize(w, h, degrees, ow, oh);
  TRaster out(ow, oh);
  const double a = degrees * std::numbers::pi / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  const uint8_t bg[3] = {background.r, background.g, background.b};
  const size_t stride = static_cast<size_t>(w) * 3;
  if (!pool) pool = &DefaultWorkerPool();
  pool->ParallelFor(0, oh, 16, [&](int first, int last) {
    for (int y = first; y < last; ++y) {
      uint8_t* d = out.row(y);
      // The output pixel's centre turned back onto the source (the clockwise
      // turn in y-down coordinates undone), in source pixel coordinates:
      // sx = ax + x * c, sy = ay - x * s.
      const double dy = y + 0.5 - oh / 2.0;
      const double ax = (0.5 - ow / 2.0) * c + dy * s + w / 2.0 - 0.5;
      const double ay = -(0.5 - ow / 2.0) * s + dy * c + h / 2.0 - 0.5;
      for (int x = 0; x < ow; ++x, d += 3) {
        const double sx = ax + x * c;
        const double sy = ay - x * s;
        if (!(sx > -1.0 && sy > -1.0 && sx < w && sy < h)) {
          d[0] = bg[0];
          d[1] = bg[1];
          d[2] = bg[2];
          continue;
        }
        // Bilinear sample with 8-bit fractions; taps outside the picture
        // are the background, so the picture's border blends into it.
        const int x0 = static_cast<int>(sx + 1.0) - 1;  // floor, as sx > -1
        const int y0 = static_cast<int>(sy + 1.0) - 1;
        const int fx = static_cast<int>((sx - x0) * 256.0 + 0.5);
        const int fy = static_cast<int>((sy - y0) * 256.0 + 0.5);
        const int w00 = (256 - fx) * (256 - fy), w10 = fx * (256 - fy);
        const int w01 = (256 - fx) * fy, w11 = fx * fy;
        const uint8_t *p00, *p10, *p01, *p11;
        if (x0 >= 0 && y0 >= 0 && x0 + 1 < w && y0 + 1 < h) {
          p00 =
              image.pixels.data() + static_cast<size_t>(y0) * stride + static_cast<size_t>(x0) * 3;
          p10 = p00 + 3;
          p01 = p00 + stride;
          p11 = p01 + 3;
        } else {
          auto at = [&](int px, int py) -> const uint8_t* {
            return (px >= 0 && px < w && py >= 0 && py < h)
                       ? image.pixels.data() + static_cast<size_t>(py) * stride +
                             static_cast<size_t>(px) * 3
                       : bg;
          };
          p00 = at(x0, y0);
          p10 = at(x0 + 1, y0);
          p01 = at(x0, y0 + 1);
          p11 = at(x0 + 1, y0 + 1);
        }
        for (int ch = 0; ch < 3; ++ch) {
          const int v = w00 * p00[ch] + w10 * p10[ch] + w01 * p01[ch] + w11 * p11[ch];
          d[ch] = static_cast<uint8_t>((v + 32768) >> 16);
        }
      }
    }
  });
  return out;
}

namespace {

// In-place mirrors (no second picture in memory).
void SwapPixels(uint8_t* a, uint8_t* b) {
  std::swap(a[0], b[0]);
  std::swap(a[1], b[1]);
  std::swap(a[2], b[2]);
}

void MirrorRowsInPlace(TRaster& image) {
  for (int y = 0; y < image.height; ++y) {
    uint8_t* row = image.row(y);
    for (int l = 0, r = image.width - 1; l < r; ++l, --r) {
      SwapPixels(row + static_cast<size_t>(l) * 3, row + static_cast<size_t>(r) * 3);
    }
  }
}

void FlipRowsInPlace(TRaster& image) {
  const size_t stride = static_cast<size_t>(image.width) * 3;
  for (int t = 0, b = image.height - 1; t < b; ++t, --b) {
    std::swap_ranges(image.row(t), image.row(t) + stride, image.row(b));
  }
}

}  // namespace

void ApplyOrientation(TRaster& image, int orientation) {
  if (image.empty()) return;
  switch (orientation) {
    case 2:
      MirrorRowsInPlace(image);
      break;
    case 3:
      MirrorRowsInPlace(image);
      FlipRowsInPlace(image);
      break;
    case 4:
      FlipRowsInPlace(image);
      break;
    case 5:
      image = Transpose(image);
      break;
    case 6:
      image = RotateClockwise90(image);
      break;
    case 7:
      image = Transverse(image);
      break;
    case 8:
      image = RotateClockwise270(image);
      break;
    default:
      break;
  }
}

}  // namespace pictavo
