#include "imaging/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "imaging/pixel_helpers.h"
#include "imaging/worker_pool.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::CheckerRaster;
using test::FlatRaster;
using test::NoisyRaster;

std::vector<TResampleFilter> AllFilters() {
  std::vector<TResampleFilter> all;
  for (int i = 0; i < kResampleFilterCount; ++i) all.push_back(*ResampleFilterFromIndex(i));
  return all;
}

// Filters that average the area an output pixel covers when reducing.
bool IsAreaFilter(TResampleFilter f) {
  return f != TResampleFilter::None && f != TResampleFilter::FastLinear;
}

TEST(ResampleFilterNames, NamesAndNumbersFollowTheList) {
  const char* names[] = {"None",     "Triangle", "Hermite", "Bell",        "BSpline",  "Lanczos3",
                         "Mitchell", "Nearest",  "Linear",  "Fast Linear", "Bilinear", "Bicubic"};
  for (int i = 0; i < kResampleFilterCount; ++i) {
    const TResampleFilter f = *ResampleFilterFromIndex(i);
    EXPECT_EQ(ResampleFilterIndex(f), i);
    EXPECT_EQ(ResampleFilterName(f), names[i]);
    EXPECT_EQ(ResampleFilterFromName(names[i]), f);
  }
  EXPECT_EQ(ResampleFilterFromName("fast LINEAR"), TResampleFilter::FastLinear);
  EXPECT_EQ(ResampleFilterFromName("lanczos3"), TResampleFilter::Lanczos3);
  EXPECT_FALSE(ResampleFilterFromName("Lanczos"));
  EXPECT_FALSE(ResampleFilterFromName(""));
  EXPECT_FALSE(ResampleFilterFromIndex(-1));
  EXPECT_FALSE(ResampleFilterFromIndex(12));  // "Lossless" is not a filter
}

TEST(SmartResampleFilter, MitchellOnlyForSmallJpegsTurnedByQuarters) {
  struct TCase {
    bool jpeg;
    int64_t size;
    double rotate;
    TResampleFilter want;
  } cases[] = {
      {true, 200 * 1024, 0, TResampleFilter::Mitchell},
      {true, 307200, 0, TResampleFilter::Mitchell},
      {true, 307201, 0, TResampleFilter::Lanczos3},
      {true, 2 * 1024 * 1024, 0, TResampleFilter::Lanczos3},
      {false, 200 * 1024, 0, TResampleFilter::Lanczos3},
      {true, 200 * 1024, 90, TResampleFilter::Mitchell},
      {true, 200 * 1024, -270, TResampleFilter::Mitchell},
      {true, 200 * 1024, 180, TResampleFilter::Mitchell},
      {true, 200 * 1024, 45, TResampleFilter::Lanczos3},
      {true, 200 * 1024, 90.5, TResampleFilter::Lanczos3},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.jpeg << " " << c.size << " " << c.rotate);
    EXPECT_EQ(SmartResampleFilter(c.jpeg, c.size, c.rotate), c.want);
    EXPECT_EQ(EffectiveResampleFilter(true, TResampleFilter::Bell, c.jpeg, c.size, c.rotate),
              c.want);
  }
  EXPECT_EQ(EffectiveResampleFilter(false, TResampleFilter::Bell, true, 1000, 0),
            TResampleFilter::Bell);
}

// Every filter keeps a flat colour flat, at exact sizes, for reductions,
// enlargements, mixed changes, extreme ratios and 1-pixel pictures.
TEST(Resample, FlatColourStaysFlatAtExactSizes) {
  const TRgb colour{37, 150, 250};
  struct TSize {
    int w, h, to_w, to_h;
  } sizes[] = {{64, 48, 16, 12},
               {64, 48, 21, 17},
               {16, 12, 64, 48},
               {30, 20, 45, 7},
               {1, 1, 5, 3},
               {7, 5, 1, 1},
               {3000, 2, 1, 1},
               {2, 900, 700, 3},
               {1, 40, 13, 40},
               {40, 1, 40, 9},
               {13, 11, 13, 200},
               {5, 5, 4, 4},
               // Whole-number ratios put some centres exactly on source pixels, where
               // kernels such as Catmull-Rom have exact zeros.
               {40, 30, 120, 90},
               {7, 9, 21, 27},
               {30, 30, 10, 10},
               {12, 12, 36, 4}};
  for (TResampleFilter f : AllFilters()) {
    for (const TSize& s : sizes) {
      SCOPED_TRACE(testing::Message() << ResampleFilterName(f) << " " << s.w << "x" << s.h << " -> "
                                      << s.to_w << "x" << s.to_h);
      const TRaster out = Resample(FlatRaster(s.w, s.h, colour), s.to_w, s.to_h, f);
      ASSERT_EQ(out.width, s.to_w);
      ASSERT_EQ(out.height, s.to_h);
      ASSERT_EQ(out.pixels.size(), static_cast<size_t>(s.to_w) * s.to_h * 3);
      for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) ASSERT_EQ(out.at(x, y), colour) << x << "," << y;
    }
  }
}

TEST(Resample, EmptyInputOrSizeGivesEmptyAndSameSizeCopies) {
  const TRaster noisy = NoisyRaster(9, 7);
  EXPECT_TRUE(Resample(TRaster(), 10, 10, TResampleFilter::Lanczos3).empty());
  EXPECT_TRUE(Resample(noisy, 0, 10, TResampleFilter::Lanczos3).empty());
  EXPECT_TRUE(Resample(noisy, 10, -1, TResampleFilter::Lanczos3).empty());
  EXPECT_EQ(Resample(noisy, 9, 7, TResampleFilter::Lanczos3).pixels, noisy.pixels);
}

// A 1-pixel checkerboard has all its energy at the highest frequency; a
// filter with proper area support turns it into grey instead of aliasing it
// into stripes of black and white.
TEST(Resample, ReducingACheckerboardGivesGreyForAreaFilters) {
  const TRaster checker = CheckerRaster(400, 300);
  for (TResampleFilter f : AllFilters()) {
    if (!IsAreaFilter(f)) continue;
    for (auto [w, h] : {std::pair{100, 75}, std::pair{133, 101}, std::pair{57, 43}}) {
      SCOPED_TRACE(testing::Message() << ResampleFilterName(f) << " " << w << "x" << h);
      const TRaster out = Resample(checker, w, h, f);
      int lo = 255, hi = 0;
      for (uint8_t v : out.pixels) {
        lo = std::min<int>(lo, v);
        hi = std::max<int>(hi, v);
      }
      EXPECT_GE(lo, 112);
      EXPECT_LE(hi, 143);
    }
  }
}

TEST(Resample, BoxReductionAveragesWholeBlocks) {
  // 4 x 4 blocks with known means.
  TRaster src(8, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      const uint8_t v = static_cast<uint8_t>(x < 4 ? (x + y) * 10 : 200 + x - y);
      src.set(x, y, {v, static_cast<uint8_t>(255 - v), 7});
    }
  const TRaster out = Resample(src, 2, 1, TResampleFilter::Nearest);
  // Means: left (0+...+6)*10/16 = 30; right 200 + (4+5+6+7)/4 - 1.5 = 204.
  EXPECT_EQ(out.at(0, 0), (TRgb{30, 225, 7}));
  EXPECT_EQ(out.at(1, 0), (TRgb{204, 51, 7}));
}

TEST(Resample, EnlargingRepeatsOrInterpolates) {
  TRaster src(2, 1);
  src.set(0, 0, {0, 100, 255});
  src.set(1, 0, {255, 100, 0});
  // Pixel repetition for None and Nearest.
  for (TResampleFilter f : {TResampleFilter::None, TResampleFilter::Nearest}) {
    const TRaster out = Resample(src, 6, 2, f);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 6; ++x) EXPECT_EQ(out.at(x, y), src.at(x / 3, 0)) << x;
  }
  // The tent filters: the ends keep the edge colours, the values in between
  // climb steadily.
  for (TResampleFilter f : {TResampleFilter::Triangle, TResampleFilter::Linear,
                            TResampleFilter::Bilinear, TResampleFilter::FastLinear}) {
    SCOPED_TRACE(ResampleFilterName(f));
    const TRaster out = Resample(src, 8, 1, f);
    EXPECT_EQ(out.at(0, 0), src.at(0, 0));
    EXPECT_EQ(out.at(7, 0), src.at(1, 0));
    for (int x = 1; x < 8; ++x) EXPECT_GE(out.at(x, 0).r, out.at(x - 1, 0).r);
    EXPECT_GT(out.at(3, 0).r, 0);
    EXPECT_LT(out.at(3, 0).r, 255);
  }
}

// Filters with negative lobes overshoot at a hard edge; the overshoot is
// clamped, never wrapped around (a white pixel turning black).
TEST(Resample, OvershootIsClampedNotWrapped) {
  TRaster src(40, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 40; ++x) {
      const uint8_t v = x < 20 ? 0 : 255;
      src.set(x, y, {v, v, v});
    }
  for (TResampleFilter f :
       {TResampleFilter::Lanczos3, TResampleFilter::Bicubic, TResampleFilter::Mitchell}) {
    for (int w : {160, 27}) {
      SCOPED_TRACE(testing::Message() << ResampleFilterName(f) << " " << w);
      const TRaster out = Resample(src, w, 3, f);
      for (int x = 0; x < w; ++x) {
        const double centre = (x + 0.5) * 40.0 / w;
        if (centre < 17) {
          EXPECT_LE(out.at(x, 1).r, 20) << x;
        }
        if (centre > 23) {
          EXPECT_GE(out.at(x, 1).r, 235) << x;
        }
      }
      EXPECT_EQ(out.at(0, 0).r, 0);
      EXPECT_EQ(out.at(w - 1, 0).r, 255);
    }
  }
}

// Splitting the rows over threads gives the same bytes as one thread.
TEST(Resample, ParallelRunsGiveTheSameBytes) {
  const TRaster src = NoisyRaster(1003, 757, 7);
  TWorkerPool one(1), four(4);
  struct TCase {
    int w, h;
    TResampleFilter f;
  } cases[] = {{301, 211, TResampleFilter::Lanczos3},
               {1500, 1100, TResampleFilter::Bicubic},
               {97, 1200, TResampleFilter::Mitchell},
               {40, 31, TResampleFilter::Nearest}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(ResampleFilterName(c.f));
    const TRaster a = Resample(src, c.w, c.h, c.f, &one);
    const TRaster b = Resample(src, c.w, c.h, c.f, &four);
    EXPECT_EQ(a.pixels, b.pixels);
  }
}

// Our filters against ImageMagick's resize with the same kernels, on a
// photo-like picture (smooth areas and grain). A reduction with Lanczos3
// must reach 40 dB, the quality the album's display copies are measured by.
// Enlargements show a wrong kernel clearly: the right one reaches about
// 51 dB (ImageMagick's 8-bit output truncates, costing half a level), a
// neighbouring kernel (Mitchell for Catmull-Rom, tent for Hermite) 43 to 45.
TEST(Resample, FiltersMatchImageMagick) {
  if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
  test::TTempDir dir;
  const std::string in = dir.file("in.ppm");
  ASSERT_EQ(test::RunCommand("convert -seed 4 -size 900x600 plasma:fractal -blur 0x1 "
                             "-attenuate 0.5 +noise Gaussian -depth 8 '" +
                             in + "'"),
            0);
  const TRaster src = test::ReadPpm(in);
  struct TCase {
    TResampleFilter ours;
    const char* theirs;
    int w, h;
    double min_psnr;
  } cases[] = {
      {TResampleFilter::Lanczos3, "Lanczos", 300, 200, 40},
      {TResampleFilter::Lanczos3, "Lanczos", 413, 271, 40},
      {TResampleFilter::Lanczos3, "Lanczos", 90, 60, 40},
      {TResampleFilter::Lanczos3, "Lanczos", 1300, 870, 48},
      {TResampleFilter::Mitchell, "Mitchell", 1300, 870, 48},
      {TResampleFilter::Bicubic, "Catrom", 1300, 870, 48},
      {TResampleFilter::BSpline, "Spline", 1300, 870, 48},
      {TResampleFilter::Hermite, "Hermite", 1300, 870, 48},
      {TResampleFilter::Bell, "Quadratic", 1300, 870, 48},
      {TResampleFilter::Triangle, "Triangle", 1300, 870, 48},
      {TResampleFilter::Mitchell, "Mitchell", 413, 271, 45},
      {TResampleFilter::Triangle, "Triangle", 413, 271, 45},
  };
  for (const TCase& c : cases) {
    const std::string size = std::to_string(c.w) + "x" + std::to_string(c.h);
    SCOPED_TRACE(std::string(ResampleFilterName(c.ours)) + " " + size);
    const std::string out = dir.file("out.ppm");
    ASSERT_EQ(test::RunCommand("convert '" + in + "' -filter " + c.theirs + " -resize " + size +
                               "! -depth 8 '" + out + "'"),
              0);
    const double psnr = test::Psnr(Resample(src, c.w, c.h, c.ours), test::ReadPpm(out));
    EXPECT_GE(psnr, c.min_psnr);
  }
}

}  // namespace
}  // namespace pictavo
