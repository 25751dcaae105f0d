#include "imaging/sharpen.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "imaging/worker_pool.h"

namespace pictavo {

TSharpenKernel SharpenKernel(int amount) {
  const int d = static_cast<int>(std::nearbyint((100 - amount) / 4.0));
  TSharpenKernel k;
  if (amount > 0) {
    k.corner = -1;
    k.edge = -2;
    k.centre = d + 15;
    k.divisor = d + 3;
  } else {
    k.corner = 1;
    k.edge = 2;
    k.centre = d + 15;
    k.divisor = d + 27;
  }
  return k;
}

namespace {

// sum / divisor rounded to the nearest integer (ties to even), clamped to a byte.
inline uint8_t DivideToByte(int sum, int divisor) {
  if (sum <= 0) return 0;
  int q = sum / divisor;
  const int r2 = 2 * (sum % divisor);
  if (r2 > divisor || (r2 == divisor && (q & 1))) ++q;
  return static_cast<uint8_t>(std::min(q, 255));
}

}  // namespace

void Sharpen(TRaster& image, int amount, TWorkerPool* pool) {
  if (amount == 0 || amount < -100 || amount > 100 || image.empty()) return;
  const TSharpenKernel k = SharpenKernel(amount);
  const int w = image.width, h = image.height;
  // Every weighted sum lies between these bounds; a table turns each into
  // its rounded, clamped byte without a division per value.
  const int min_sum = 255 * (4 * std::min(k.corner, 0) + 4 * std::min(k.edge, 0));
  const int max_sum = 255 * (4 * std::max(k.corner, 0) + 4 * std::max(k.edge, 0) + k.centre);
  std::vector<uint8_t> table(static_cast<size_t>(max_sum - min_sum + 1));
  for (int sum = min_sum; sum <= max_sum; ++sum) {
    table[static_cast<size_t>(sum - min_sum)] = DivideToByte(sum, k.divisor);
  }
  const uint8_t* to_byte = table.data() - min_sum;
  const TRaster source = image;
  const size_t n = static_cast<size_t>(w) * 3;
  if (!pool) pool = &DefaultWorkerPool();
  pool->ParallelFor(0, h, 16, [&](int first, int last) {
    // Three rows with one repeated pixel at each end, so that the edge
    // pixels repeat and the loop below needs no bounds checks.
    std::vector<uint8_t> padded(3 * (n + 6));
    for (int y = first; y < last; ++y) {
      const int rows[3] = {std::max(0, y - 1), y, std::min(h - 1, y + 1)};
      for (int i = 0; i < 3; ++i) {
        uint8_t* p = padded.data() + static_cast<size_t>(i) * (n + 6);
        const uint8_t* r = source.row(rows[i]);
        std::copy(r, r + 3, p);
        std::copy(r, r + n, p + 3);
        std::copy(r + n - 3, r + n, p + 3 + n);
      }
      const uint8_t* up = padded.data() + 3;
      const uint8_t* mid = up + n + 6;
      const uint8_t* down = mid + n + 6;
      uint8_t* out = image.row(y);
      for (ptrdiff_t i = 0; i < static_cast<ptrdiff_t>(n); ++i) {
        const int corners = up[i - 3] + up[i + 3] + down[i - 3] + down[i + 3];
        const int edges = up[i] + down[i] + mid[i - 3] + mid[i + 3];
        out[i] = to_byte[k.corner * corners + k.edge * edges + k.centre * mid[i]];
      }
    }
  });
}

}  // namespace pictavo
