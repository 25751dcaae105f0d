#include "imaging/adjust.h"

#include <gtest/gtest.h>

#include "imaging/pixel_helpers.h"

namespace pictavo {
namespace {

// One picture holding every byte value once per channel position.
TRaster AllValues() {
  TRaster r(256, 1);
  for (int v = 0; v < 256; ++v) {
    const uint8_t b = static_cast<uint8_t>(v);
    r.set(v, 0, {b, b, static_cast<uint8_t>(255 - v)});
  }
  return r;
}

uint8_t Brightened(int v, int brightness) {
  TRaster r = test::FlatRaster(1, 1, {static_cast<uint8_t>(v), 0, 0});
  AdjustBrightness(r, brightness);
  return r.at(0, 0).r;
}

uint8_t Contrasted(int v, int contrast) {
  TRaster r = test::FlatRaster(1, 1, {static_cast<uint8_t>(v), 0, 0});
  AdjustContrast(r, contrast);
  return r.at(0, 0).r;
}

TEST(AdjustBrightness, MovesTowardsWhiteOrBlack) {
  struct TCase {
    int value, brightness, want;
  } cases[] = {
      {100, 0, 100},    {100, 100, 255}, {100, -100, 0}, {0, 100, 255},
      {255, -100, 0},   {100, 50, 178},  // 100 + 155 / 2 = 177.5, the tie goes to the even 178
      {101, 50, 178},                    // 101 + 77 = 178
      {100, -50, 50},   {255, 50, 255},  {0, -50, 0},    {200, 10, 206},  // 200 + 5.5 -> 206
      {100, 101, 100},  // outside the range: ignored
      {100, -101, 100},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Brightened(c.value, c.brightness), c.want)
        << c.value << " with brightness " << c.brightness;
  }
}

TEST(AdjustBrightness, KeepsOrderAndGreyStaysGrey) {
  for (int b : {-80, -7, 7, 80}) {
    TRaster r = AllValues();
    AdjustBrightness(r, b);
    for (int v = 1; v < 256; ++v) {
      EXPECT_GE(r.at(v, 0).r, r.at(v - 1, 0).r) << b;
      EXPECT_EQ(r.at(v, 0).r, r.at(v, 0).g);  // equal channels stay equal
    }
  }
}

TEST(AdjustContrast, StretchesAroundTheMiddle) {
  struct TCase {
    int value, contrast, want;
  } cases[] = {
      {100, 0, 100},   {0, -100, 128}, {255, -100, 128}, {127, 100, 0},
      {128, 100, 255}, {100, 50, 61},  // 127.5 - 27.5 * tan(3 pi / 8) = 61.1
      {155, 50, 194},                  // mirror image of the line above
      {100, -50, 116},                 // 127.5 - 27.5 * tan(pi / 8) = 116.1
      {0, 99, 0},      {255, 99, 255}, {100, 101, 100},  {100, -101, 100},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Contrasted(c.value, c.contrast), c.want)
        << c.value << " with contrast " << c.contrast;
  }
}

TEST(AdjustContrast, KeepsOrderAndSymmetry) {
  for (int c = -75; c <= 100; c += 25) {  // -100 makes everything 127.5 (128)
    TRaster r = AllValues();
    AdjustContrast(r, c);
    for (int v = 0; v < 256; ++v) {
      if (v > 0) {
        EXPECT_GE(r.at(v, 0).r, r.at(v - 1, 0).r) << c;
      }
      // v and 255 - v move by the same amount in opposite directions.
      EXPECT_EQ(r.at(v, 0).r + r.at(v, 0).b, 255) << c << " " << v;
    }
  }
}

}  // namespace
}  // namespace pictavo
