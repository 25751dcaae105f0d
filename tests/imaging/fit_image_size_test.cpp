#include "imaging/fit_image_size.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

struct TFitCase {
  const char* what;
  TResizeMode mode;
  int w, h, max_w, max_h;
  int want_w, want_h;
  bool changed;
  double percent;
};

const TFitCase kCases[] = {
    // The examples of the converter and of the build's image objects.
    {"best fit shrinks", scBestFit, 3000, 2000, 150, 150, 150, 100, true, 5.0},
    {"best fit enlarges", scBestFit, 100, 50, 150, 150, 150, 75, true, 150.0},
    {"shrink leaves a fitting picture", scReduce, 600, 400, 650, 450, 600, 400, false, 100.0},
    {"shrink to the box", scReduce, 1300, 900, 650, 450, 650, 450, true, 50.0},
    {"shrink with only a width", scReduce, 400, 1000, 200, 0, 200, 500, true, 50.0},
    {"shrink by the height", scReduce, 640, 480, 650, 450, 600, 450, true, 93.75},
    {"enlarge needs every limit larger", scIncrease, 800, 400, 800, 600, 800, 400, false, 100.0},
    {"enlarge by the smaller ratio", scIncrease, 400, 200, 800, 600, 800, 400, true, 200.0},
    {"enlarge with only a height", scIncrease, 400, 200, 0, 600, 1200, 600, true, 300.0},
    {"enlarge never shrinks", scIncrease, 1000, 100, 800, 600, 1000, 100, false, 100.0},
    {"best fit shrinks when one side is too big", scBestFit, 300, 50, 150, 150, 150, 25, true,
     50.0},
    {"best fit at the limit stays", scBestFit, 150, 50, 150, 150, 150, 50, false, 100.0},
    {"best fit with only a width enlarges", scBestFit, 100, 50, 150, -1, 150, 75, true, 150.0},
    {"stretch", scFill, 3000, 2000, 200, 100, 200, 100, true, 200.0 / 30},
    {"stretch the width only", scFill, 3000, 2000, 200, 0, 200, 2000, true, 200.0 / 30},
    {"stretch the height only", scFill, 300, 200, 0, 100, 300, 100, true, 50.0},
    {"no resize", scNone, 3000, 2000, 150, 150, 3000, 2000, false, 100.0},
    {"size equal to the limits", scReduce, 650, 450, 650, 450, 650, 450, false, 100.0},
    {"size equal to the limits, stretch", scFill, 650, 450, 650, 450, 650, 450, false, 100.0},
    {"no limits", scBestFit, 3000, 2000, 0, 0, 3000, 2000, false, 100.0},
    {"negative limits count as none", scFill, 3000, 2000, -5, -1, 3000, 2000, false, 100.0},
    {"negative width limit, height given", scReduce, 1300, 900, -1, 450, 650, 450, true, 50.0},
    // Rounding: halves go to the even neighbour, other fractions to the nearest.
    {"2.5 rounds down to even", scReduce, 4, 5, 2, 0, 2, 2, true, 50.0},
    {"3.5 rounds up to even", scReduce, 4, 7, 2, 0, 2, 4, true, 50.0},
    {"1000.5 rounds to 1000", scReduce, 3000, 2001, 1500, 0, 1500, 1000, true, 50.0},
    {"1001.5 rounds to 1002", scReduce, 3000, 2003, 1500, 0, 1500, 1002, true, 50.0},
    {"a third rounds to nearest", scReduce, 300, 200, 100, 0, 100, 67, true, 100.0 / 3},
    {"enlarge tie to even", scIncrease, 2, 5, 3, 0, 3, 8, true, 150.0},
    {"enlarge tie to even, down", scIncrease, 2, 3, 3, 0, 3, 4, true, 150.0},
    // A side never goes below 1 pixel.
    {"at least one pixel", scReduce, 10000, 1, 100, 0, 100, 1, true, 1.0},
    {"half a pixel is one", scReduce, 4, 1, 2, 2, 2, 1, true, 50.0},
    // A picture without area stays as it is.
    {"zero width", scBestFit, 0, 100, 150, 150, 0, 100, false, 100.0},
    {"zero height", scIncrease, 100, 0, 150, 150, 100, 0, false, 100.0},
};

TEST(FitImageSize, Table) {
  for (const TFitCase& c : kCases) {
    SCOPED_TRACE(c.what);
    int w = c.w, h = c.h;
    double percent = -1;
    EXPECT_EQ(FitImageSize(w, h, c.mode, c.max_w, c.max_h, &percent), c.changed);
    EXPECT_EQ(w, c.want_w);
    EXPECT_EQ(h, c.want_h);
    EXPECT_NEAR(percent, c.percent, 1e-9);
  }
}

// Fitting a fitted size again changes nothing, and the result always lies in
// the box for the shrinking modes, whatever the shape.
TEST(FitImageSize, ResultsFitTheBoxAndAreStable) {
  for (TResizeMode mode : {scBestFit, scReduce}) {
    for (int w : {1, 7, 150, 151, 640, 2999, 4000}) {
      for (int h : {1, 3, 100, 149, 480, 3000}) {
        SCOPED_TRACE(testing::Message() << mode << " " << w << "x" << h);
        int fw = w, fh = h;
        FitImageSize(fw, fh, mode, 150, 150);
        EXPECT_LE(fw, 150);
        EXPECT_LE(fh, 150);
        EXPECT_GE(fw, 1);
        EXPECT_GE(fh, 1);
        if (mode == scBestFit) {
          EXPECT_TRUE(fw == 150 || fh == 150);
        }
        int gw = fw, gh = fh;
        FitImageSize(gw, gh, mode, 150, 150);
        EXPECT_EQ(gw, fw);
        EXPECT_EQ(gh, fh);
      }
    }
  }
}

}  // namespace
}  // namespace pictavo
