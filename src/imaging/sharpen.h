#pragma once
// The 3 x 3 sharpening (or, for negative amounts, softening) convolution.
#include "imaging/raster.h"

namespace pictavo {

class TWorkerPool;

struct TSharpenKernel {
  int corner = 0;  // the four corners
  int edge = 0;    // the four edge neighbours
  int centre = 0;
  int divisor = 1;  // the sum of the nine weights
};

// The kernel for an amount a (not 0): d = round((100 - a) / 4), ties to even;
// a > 0: corners -1, edges -2, centre d + 15, divisor d + 3; a < 0: corners
// 1, edges 2, centre d + 15, divisor d + 27.
TSharpenKernel SharpenKernel(int amount);

// Applies the kernel of `amount` (-100 to 100; 0 and values outside the range
// change nothing). Pixels outside the picture repeat the nearest edge pixel;
// results are rounded to the nearest integer and clamped to 0..255.
// pool: nullptr for DefaultWorkerPool().
void Sharpen(TRaster& image, int amount, TWorkerPool* pool = nullptr);

}  // namespace pictavo
