#include "imaging/sharpen.h"

#include <gtest/gtest.h>

#include "imaging/pixel_helpers.h"
#include "imaging/worker_pool.h"

namespace pictavo {
namespace {

TEST(SharpenKernel, AmountRule) {
  struct TCase {
    int amount, corner, edge, centre, divisor;
  } cases[] = {
      {20, -1, -2, 35, 23}, {100, -1, -2, 15, 3}, {1, -1, -2, 40, 28},  // d = 24.75 -> 25
      {2, -1, -2, 39, 27},                                              // d = 24.5 -> 24
      {6, -1, -2, 39, 27},                                              // d = 23.5 -> 24
      {-2, 1, 2, 41, 53},                                               // d = 25.5 -> 26
      {-100, 1, 2, 65, 77}, {-20, 1, 2, 45, 57},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.amount);
    const TSharpenKernel k = SharpenKernel(c.amount);
    EXPECT_EQ(k.corner, c.corner);
    EXPECT_EQ(k.edge, c.edge);
    EXPECT_EQ(k.centre, c.centre);
    EXPECT_EQ(k.divisor, c.divisor);
    EXPECT_EQ(4 * k.corner + 4 * k.edge + k.centre, k.divisor);
  }
}

TEST(Sharpen, FlatPicturesStayFlat) {
  for (int amount : {-100, -37, 1, 20, 100}) {
    TRaster r = test::FlatRaster(7, 5, {10, 128, 250});
    Sharpen(r, amount);
    EXPECT_EQ(r.pixels, test::FlatRaster(7, 5, {10, 128, 250}).pixels) << amount;
  }
}

TEST(Sharpen, OnePointThroughTheKernel) {
  TRaster r = test::FlatRaster(5, 5, {0, 0, 0});
  r.set(2, 2, {100, 230, 0});
  TRaster sharp = r;
  Sharpen(sharp, 20);                              // centre 35, divisor 23
  EXPECT_EQ(sharp.at(2, 2), (TRgb{152, 255, 0}));  // 3500 / 23 = 152.2; 8050 / 23 clamps
  EXPECT_EQ(sharp.at(1, 2), (TRgb{0, 0, 0}));      // negative, clamped to 0
  TRaster soft = r;
  Sharpen(soft, -100);                           // corners 1, edges 2, centre 65, divisor 77
  EXPECT_EQ(soft.at(2, 2), (TRgb{84, 194, 0}));  // 6500 / 77 = 84.4; 14950 / 77 = 194.2
  EXPECT_EQ(soft.at(2, 1), (TRgb{3, 6, 0}));     // 200 / 77 = 2.6; 460 / 77 = 5.97
  EXPECT_EQ(soft.at(1, 1), (TRgb{1, 3, 0}));     // 100 / 77 = 1.3; 230 / 77 = 2.99
  EXPECT_EQ(soft.at(0, 0), (TRgb{0, 0, 0}));
}

TEST(Sharpen, EdgesGainContrastAndBordersRepeat) {
  TRaster r(6, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) r.set(x, y, x < 3 ? TRgb{50, 50, 50} : TRgb{200, 200, 200});
  TRaster sharp = r;
  Sharpen(sharp, 100);
  for (int y = 0; y < 3; ++y) {  // the top and bottom rows see their own row repeated
    EXPECT_EQ(sharp.at(0, y).r, 50);
    EXPECT_LT(sharp.at(2, y).r, 50);
    EXPECT_GT(sharp.at(3, y).r, 200);
    EXPECT_EQ(sharp.at(5, y).r, 200);
  }
  TRaster soft = r;
  Sharpen(soft, -50);
  EXPECT_GT(soft.at(2, 1).r, 50);
  EXPECT_LT(soft.at(3, 1).r, 200);
}

TEST(Sharpen, AmountZeroOrOutOfRangeChangesNothing) {
  const TRaster noisy = test::NoisyRaster(20, 10);
  for (int amount : {0, 101, -101}) {
    TRaster r = noisy;
    Sharpen(r, amount);
    EXPECT_EQ(r.pixels, noisy.pixels) << amount;
  }
}

TEST(Sharpen, ParallelRunsGiveTheSameBytes) {
  const TRaster noisy = test::NoisyRaster(301, 257, 3);
  TWorkerPool one(1), three(3);
  TRaster a = noisy, b = noisy;
  Sharpen(a, 20, &one);
  Sharpen(b, 20, &three);
  EXPECT_EQ(a.pixels, b.pixels);
  EXPECT_NE(a.pixels, noisy.pixels);
}

}  // namespace
}  // namespace pictavo
