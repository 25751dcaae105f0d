#include "imaging/fit_image_size.h"

#include <algorithm>
#include <cmath>

namespace pictavo {

namespace {

// A scale kept as the fraction num / den (a limit over a dimension), so that
// sizes are computed as dim * num / den with one rounding: a tie such as
// 2.5 is seen exactly and goes to the even neighbour.
struct TRatio {
  int num = 1;
  int den = 1;
  bool Less(const TRatio& other) const {
    return static_cast<long long>(num) * other.den < static_cast<long long>(other.num) * den;
  }
  int Apply(int dim) const {
    return static_cast<int>(
        std::nearbyint(static_cast<double>(dim) * num / static_cast<double>(den)));
  }
  double Percent() const { return 100.0 * num / den; }
};

// New size for the ratio r; each side at least 1 and at most its limit.
void ApplyRatio(int& width, int& height, const TRatio& r, int max_width, int max_height) {
  width = std::max(1, r.Apply(width));
  height = std::max(1, r.Apply(height));
  if (max_width > 0) width = std::min(width, max_width);
  if (max_height > 0) height = std::min(height, max_height);
}

bool Shrink(int& width, int& height, int max_width, int max_height, double& scale) {
  bool have = false;
  TRatio r;
  if (max_width > 0 && max_width < width) {
    r = {max_width, width};
    have = true;
  }
  if (max_height > 0 && max_height < height) {
    TRatio rh{max_height, height};
    if (!have || rh.Less(r)) r = rh;
    have = true;
  }
  if (!have) return false;
  scale = r.Percent();
  ApplyRatio(width, height, r, max_width, max_height);
  return true;
}

bool Enlarge(int& width, int& height, int max_width, int max_height, double& scale) {
  if (max_width > 0 && max_width <= width) return false;
  if (max_height > 0 && max_height <= height) return false;
  TRatio r;
  bool have = false;
  if (max_width > 0) {
    r = {max_width, width};
    have = true;
  }
  if (max_height > 0) {
    TRatio rh{max_height, height};
    if (!have || rh.Less(r)) r = rh;
    have = true;
  }
  if (!have) return false;
  scale = r.Percent();
  ApplyRatio(width, height, r, max_width, max_height);
  return true;
}

}  // namespace

bool FitImageSize(int& width, int& height, TResizeMode mode, int max_width, int max_height,
                  double* scale_percent) {
  double scale = 100.0;
  const int old_width = width, old_height = height;
  const bool has_w = max_width > 0, has_h = max_height > 0;
  // A picture without area has no aspect ratio to keep: it stays as it is.
  const bool stays = mode == scNone || (width == max_width && height == max_height) ||
                     (!has_w && !has_h) || width < 1 || height < 1;
  if (!stays) {
    switch (mode) {
      case scReduce:
        Shrink(width, height, max_width, max_height, scale);
        break;
      case scIncrease:
        Enlarge(width, height, max_width, max_height, scale);
        break;
      case scBestFit:
        if ((has_w && max_width < width) || (has_h && max_height < height)) {
          Shrink(width, height, max_width, max_height, scale);
        } else {
          Enlarge(width, height, max_width, max_height, scale);
        }
        break;
      case scFill:
        scale = has_w ? 100.0 * max_width / width : 100.0 * max_height / height;
        if (has_w) width = max_width;
        if (has_h) height = max_height;
        break;
      case scNone:
        break;
    }
  }
  if (scale_percent) *scale_percent = scale;
  return width != old_width || height != old_height;
}

}  // namespace pictavo
