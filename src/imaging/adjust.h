#pragma once
// Brightness and contrast of a picture, in place.
#include "imaging/raster.h"

namespace pictavo {

// Lightness from -100 to 100 (0 and values outside the range change
// nothing): each channel moves towards white by brightness % of its distance
// to 255 (brightness > 0) or towards black by -brightness % of its value
// (brightness < 0). Hue and saturation stay; 100 gives white, -100 black.
void AdjustBrightness(TRaster& image, int brightness);

// Contrast from -100 to 100 (0 and values outside the range change nothing):
// each channel v becomes 127.5 + (v - 127.5) * tan((contrast / 100 + 1) * pi / 4),
// rounded and clamped to 0..255. -100 gives flat grey, 100 a threshold at
// the middle.
void AdjustContrast(TRaster& image, int contrast);

}  // namespace pictavo
