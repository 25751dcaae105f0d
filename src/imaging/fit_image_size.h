#pragma once
// Fitting a picture size into size limits, the rule behind every resize of the
// image converter.
namespace pictavo {

// How a picture is fitted into the limits (the resize box order: "No resize",
// "Best fit", "Shrink to fit", "Enlarge to fit", "Stretch to fit"; stored as
// these numbers in the settings).
enum TResizeMode : int { scNone = 0, scBestFit = 1, scReduce = 2, scIncrease = 3, scFill = 4 };

// Changes width and height in place by the rule of `mode` and the limits
// max_width x max_height (a limit below 1 counts as not given). Returns true
// when the size changed. scale_percent (when given) receives the scale in
// percent: 100 when nothing changes; for scFill the width's scale, or the
// height's when only a height limit is given. Sizes are rounded to the nearest
// integer, ties to the even one; a size below 1 is left as it is.
bool FitImageSize(int& width, int& height, TResizeMode mode, int max_width, int max_height,
                  double* scale_percent = nullptr);

}  // namespace pictavo
