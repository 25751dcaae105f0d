#pragma once
// The resampler: separable, with the twelve named filters of the image
// converter, weights precomputed per output row and column.
//
// What the filters are here (the names are the user's choice in the
// thumbnail generator; filter numbers 0 to 11 in this order):
//   None        point sampling: each output pixel takes the source pixel under
//               its centre (pixels are repeated or dropped; the fastest).
//   Triangle    tent filter (support 1).
//   Hermite     cubic Hermite (support 1, smooth shoulders).
//   Bell        quadratic bell (support 1.5).
//   BSpline     cubic B-spline (support 2; soft, no overshoot).
//   Lanczos3    sinc windowed by sinc, three lobes (support 3).
//   Mitchell    Mitchell-Netravali cubic, B = C = 1/3 (support 2).
//   Nearest     box filter: pixel repetition when enlarging, the average of
//               the covered area when reducing.
//   Linear      the tent filter, like Triangle.
//   Bilinear    the tent filter, like Triangle.
//   Fast Linear linear interpolation between the two nearest source pixels,
//               also when reducing (no area support: fast, may alias).
//   Bicubic     Catmull-Rom cubic, B = 0, C = 1/2 (support 2; sharper than
//               Mitchell).
// Every filter except None and Fast Linear is widened by the reduction factor
// when reducing, so that each output pixel averages the area it covers.
// Pixels outside the picture repeat the nearest edge pixel. Results are
// rounded and clamped to 0..255.
#include <cstdint>
#include <optional>
#include <string_view>

#include "imaging/raster.h"

namespace pictavo {

class TWorkerPool;

enum class TResampleFilter : int {
  None = 0,
  Triangle = 1,
  Hermite = 2,
  Bell = 3,
  BSpline = 4,
  Lanczos3 = 5,
  Mitchell = 6,
  Nearest = 7,
  Linear = 8,
  FastLinear = 9,
  Bilinear = 10,
  Bicubic = 11,
};

inline constexpr int kResampleFilterCount = 12;

// The filter's name as the user sees it ("None" ... "Bicubic").
std::string_view ResampleFilterName(TResampleFilter filter);
// The filter of a name (compared without regard to case).
std::optional<TResampleFilter> ResampleFilterFromName(std::string_view name);
// The filter of a filter number 0 to 11 (as stored under ResizeAlgorithm).
std::optional<TResampleFilter> ResampleFilterFromIndex(int index);
inline int ResampleFilterIndex(TResampleFilter filter) {
  return static_cast<int>(filter);
}

// Largest JPEG file (bytes) for which the smart choice takes Mitchell.
inline constexpr int64_t kSmartMitchellMaxBytes = 307200;

// The smart filter choice: "Mitchell" for a JPEG source of at most 307200
// bytes whose rotation is a whole multiple of 90 degrees (0 included), else
// "Lanczos3".
TResampleFilter SmartResampleFilter(bool source_is_jpeg, int64_t source_file_size,
                                    double rotate_degrees);

// The filter a conversion uses: the smart choice when smart (SmartResample
// or JpgLossless) is on, else `chosen`.
TResampleFilter EffectiveResampleFilter(bool smart, TResampleFilter chosen, bool source_is_jpeg,
                                        int64_t source_file_size, double rotate_degrees);

// Resamples `source` to width x height (both at least 1) with `filter`. An
// empty source or a size below 1 gives an empty raster; the same size gives
// a copy. pool: nullptr for DefaultWorkerPool().
TRaster Resample(const TRaster& source, int width, int height, TResampleFilter filter,
                 TWorkerPool* pool = nullptr);

}  // namespace pictavo
