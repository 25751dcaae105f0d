#include "imaging/rotate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/pixel_helpers.h"
#include "imaging/worker_pool.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

// A 2 x 3 picture whose six pixels are told apart by their red value
// 'a' .. 'f' (rows "ab", "cd", "ef").
TRaster Labelled() {
  TRaster r(2, 3);
  const char* labels = "abcdef";
  for (int i = 0; i < 6; ++i) {
    r.set(i % 2, i / 2, {static_cast<uint8_t>(labels[i]), static_cast<uint8_t>(i * 40), 9});
  }
  return r;
}

// The labels row by row, rows separated by '/'.
std::string Labels(const TRaster& r) {
  std::string s;
  for (int y = 0; y < r.height; ++y) {
    if (y) s += '/';
    for (int x = 0; x < r.width; ++x) s += static_cast<char>(r.at(x, y).r);
  }
  return s;
}

TEST(ExactTurns, MoveEveryPixelWhereItBelongs) {
  const TRaster src = Labelled();
  EXPECT_EQ(Labels(RotateClockwise90(src)), "eca/fdb");
  EXPECT_EQ(Labels(Rotate180(src)), "fe/dc/ba");
  EXPECT_EQ(Labels(RotateClockwise270(src)), "bdf/ace");
  EXPECT_EQ(Labels(FlipHorizontal(src)), "ba/dc/fe");
  EXPECT_EQ(Labels(FlipVertical(src)), "ef/cd/ab");
  EXPECT_EQ(Labels(Transpose(src)), "ace/bdf");
  EXPECT_EQ(Labels(Transverse(src)), "fdb/eca");
}

// Stored pixels of a picture with EXIF orientation n, turned the way it is
// meant to be seen.
TEST(ApplyOrientation, AllEightOrientations) {
  const char* want[] = {"ab/cd/ef", "ab/cd/ef", "ba/dc/fe", "fe/dc/ba", "ef/cd/ab",
                        "ace/bdf",  "eca/fdb",  "fdb/eca",  "bdf/ace",  "ab/cd/ef"};
  for (int orientation = 0; orientation <= 9; ++orientation) {
    TRaster r = Labelled();
    ApplyOrientation(r, orientation);
    EXPECT_EQ(Labels(r), want[orientation]) << "orientation " << orientation;
    EXPECT_EQ(r.pixels.size(), 18u);
  }
}

// The same mapping as ImageMagick's auto-orient, which follows the EXIF
// standard independently of us.
TEST(ApplyOrientation, AgreesWithImageMagick) {
  if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
  const char* names[] = {"",        "TopLeft",  "TopRight",    "BottomRight", "BottomLeft",
                         "LeftTop", "RightTop", "RightBottom", "LeftBottom"};
  test::TTempDir dir;
  test::WritePpm(dir.file("in.ppm"), Labelled());
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(names[orientation]);
    const std::string out = dir.file("out" + std::to_string(orientation) + ".ppm");
    ASSERT_EQ(test::RunCommand("convert '" + dir.file("in.ppm") + "' -orient " +
                               names[orientation] + " -auto-orient '" + out + "'"),
              0);
    TRaster ours = Labelled();
    ApplyOrientation(ours, orientation);
    EXPECT_EQ(Labels(ours), Labels(test::ReadPpm(out)));
  }
}

TEST(Rotate, QuarterTurnsTakeTheExactPaths) {
  const TRaster src = test::NoisyRaster(13, 7);
  const TRgb bg{1, 2, 3};
  EXPECT_EQ(Rotate(src, 90, bg).pixels, RotateClockwise90(src).pixels);
  EXPECT_EQ(Rotate(src, -270, bg).pixels, RotateClockwise90(src).pixels);
  EXPECT_EQ(Rotate(src, 180, bg).pixels, Rotate180(src).pixels);
  EXPECT_EQ(Rotate(src, -180, bg).pixels, Rotate180(src).pixels);
  EXPECT_EQ(Rotate(src, 270, bg).pixels, RotateClockwise270(src).pixels);
  EXPECT_EQ(Rotate(src, -90, bg).pixels, RotateClockwise270(src).pixels);
  EXPECT_EQ(Rotate(src, 0, bg).pixels, src.pixels);
  EXPECT_EQ(Rotate(src, 360, bg).pixels, src.pixels);
  EXPECT_EQ(Rotate(src, -360, bg).pixels, src.pixels);
}

// The general path, just off a quarter turn, lands (almost) on the exact
// result: same size, same direction, same pixels.
TEST(Rotate, AnyAngleAgreesWithTheExactTurnsNearThem) {
  const TRaster src = test::NoisyRaster(31, 17, 5);
  const TRgb bg{0, 0, 0};
  struct TCase {
    double degrees;
    TRaster exact;
  } cases[] = {{89.999, RotateClockwise90(src)},
               {-89.999, RotateClockwise270(src)},
               {179.999, Rotate180(src)},
               {0.001, src}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.degrees);
    const TRaster turned = Rotate(src, c.degrees, bg);
    ASSERT_EQ(turned.width, c.exact.width);
    ASSERT_EQ(turned.height, c.exact.height);
    EXPECT_LE(test::MaxAbsDiff(turned, c.exact), 2);
  }
}

TEST(Rotate, SizeIsTheBoundingBox) {
  struct TCase {
    int w, h;
    double degrees;
    int want_w, want_h;
  } cases[] = {
      {200, 100, 30, 223, 187},  // 173.2 + 50 = 223.2; 100 + 86.6 = 186.6
      {200, 100, -30, 223, 187}, {100, 100, 45, 141, 141},  {200, 100, 90, 100, 200},
      {200, 100, -90, 100, 200}, {200, 100, 180, 200, 100}, {1, 1, 45, 1, 1},
      {200, 100, 135, 212, 212},  // 141.4 + 70.7 = 212.1
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.degrees);
    int w = 0, h = 0;
    RotatedSize(c.w, c.h, c.degrees, w, h);
    EXPECT_EQ(w, c.want_w);
    EXPECT_EQ(h, c.want_h);
    const TRaster turned = Rotate(test::FlatRaster(c.w, c.h, {200, 0, 0}), c.degrees, {0, 0, 0});
    EXPECT_EQ(turned.width, c.want_w);
    EXPECT_EQ(turned.height, c.want_h);
  }
}

TEST(Rotate, FillsTheCornersAndSmoothsTheEdges) {
  const TRgb fg{200, 40, 10}, bg{10, 250, 120};
  const TRaster turned = Rotate(test::FlatRaster(200, 100, fg), 30, bg);
  ASSERT_EQ(turned.width, 223);
  // The four corners of the box lie outside the turned picture.
  EXPECT_EQ(turned.at(0, 0), bg);
  EXPECT_EQ(turned.at(222, 0), bg);
  EXPECT_EQ(turned.at(0, 186), bg);
  EXPECT_EQ(turned.at(222, 186), bg);
  EXPECT_EQ(turned.at(111, 93), fg);
  // Between them, along the picture's edges, pixels blend both colours.
  int blended = 0;
  for (int y = 0; y < turned.height; ++y)
    for (int x = 0; x < turned.width; ++x) {
      const TRgb p = turned.at(x, y);
      if (p == fg || p == bg) continue;
      ++blended;
      EXPECT_TRUE(p.r >= bg.r && p.r <= fg.r && p.g <= bg.g && p.g >= fg.g) << x << "," << y;
    }
  EXPECT_GT(blended, 400);   // the perimeter is about 600 pixels long
  EXPECT_LT(blended, 2000);  // but only a thin seam
}

// Clockwise: the top-left corner of a picture turned a little clockwise
// moves right, the top-right corner moves down.
TEST(Rotate, PositiveAnglesTurnClockwise) {
  TRaster src = test::FlatRaster(100, 50, {0, 0, 0});
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) src.set(x, y, {255, 255, 255});  // marker at the top left
  const TRaster turned = Rotate(src, 20, {0, 0, 0});
  // Where the marker went: mean position of bright pixels.
  double sx = 0, sy = 0, n = 0;
  for (int y = 0; y < turned.height; ++y)
    for (int x = 0; x < turned.width; ++x)
      if (turned.at(x, y).r > 128) {
        sx += x;
        sy += y;
        ++n;
      }
  ASSERT_GT(n, 0);
  // The marker's centre, 45 pixels left of and 20 above the picture's,
  // turned 20 degrees clockwise lies 35.4 left and 34.2 above the centre of
  // the 111 x 81 box: near (20, 6). Anti-clockwise it would be near (6, 37).
  EXPECT_NEAR(sx / n, 20.1, 3);
  EXPECT_NEAR(sy / n, 6.3, 3);
}

TEST(Rotate, ParallelRunsGiveTheSameBytes) {
  const TRaster src = test::NoisyRaster(333, 211, 9);
  TWorkerPool one(1), four(4);
  EXPECT_EQ(Rotate(src, 33.3, {1, 2, 3}, &one).pixels, Rotate(src, 33.3, {1, 2, 3}, &four).pixels);
}

}  // namespace
}  // namespace pictavo
