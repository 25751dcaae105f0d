#pragma once
// Turning and mirroring pictures: exact quarter turns and flips, rotation by
// any angle, and the EXIF orientations.
#include "imaging/raster.h"

namespace pictavo {

class TWorkerPool;

// Exact operations (no resampling).
TRaster RotateClockwise90(const TRaster& image);
TRaster Rotate180(const TRaster& image);
TRaster RotateClockwise270(const TRaster& image);
TRaster FlipHorizontal(const TRaster& image);  // mirror left-right
TRaster FlipVertical(const TRaster& image);    // mirror top-bottom
TRaster Transpose(const TRaster& image);       // mirror across the main diagonal
TRaster Transverse(const TRaster& image);      // mirror across the other diagonal

// True when `degrees` is a whole multiple of 90 (0 included).
bool IsQuarterTurn(double degrees);

// The size of a width x height picture turned by `degrees`: the bounding box
// of the turned picture, rounded to the nearest integer (ties to even), at
// least 1; exact (w x h or h x w) for multiples of 90.
void RotatedSize(int width, int height, double degrees, int& out_width, int& out_height);

// Turns the picture by `degrees` clockwise (negative: anti-clockwise) about
// its centre. Multiples of 90 take the exact paths; other angles sample the
// source bilinearly (anti-aliased edges) into the bounding box of the turned
// picture and fill the uncovered area with `background`.
// pool: nullptr for DefaultWorkerPool().
TRaster Rotate(const TRaster& image, double degrees, TRgb background, TWorkerPool* pool = nullptr);

// Turns or mirrors the stored pixels of a picture with EXIF orientation 1 to
// 8 so that they stand as the picture is meant to be seen (2 mirror, 3 half
// turn, 4 flip, 5 transpose, 6 quarter turn clockwise, 7 transverse, 8 quarter
// turn anti-clockwise). Other values leave the picture as it is.
void ApplyOrientation(TRaster& image, int orientation);

}  // namespace pictavo
