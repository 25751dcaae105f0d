#include "imaging/resample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imaging/worker_pool.h"
#include "platform/case_fold.h"

namespace pictavo {

namespace {

constexpr std::array<std::string_view, kResampleFilterCount> kFilterNames = {
    "None",     "Triangle", "Hermite", "Bell",        "BSpline",  "Lanczos3",
    "Mitchell", "Nearest",  "Linear",  "Fast Linear", "Bilinear", "Bicubic"};

// ---------------------------------------------------------------------------
// Filter kernels, for x >= 0 (all are even functions).

enum class TKernel { Point, Box, Tent, Hermite, Bell, BSpline, Lanczos3, Mitchell, CatmullRom };

struct TKernelInfo {
  TKernel kernel;
  double support;  // radius in source pixels at scale 1
  bool area;       // widened by the reduction factor when reducing
};

TKernelInfo KernelOf(TResampleFilter filter) {
  switch (filter) {
    case TResampleFilter::None:
      return {TKernel::Point, 0.5, false};
    case TResampleFilter::Triangle:
    case TResampleFilter::Linear:
    case TResampleFilter::Bilinear:
      return {TKernel::Tent, 1.0, true};
    case TResampleFilter::Hermite:
      return {TKernel::Hermite, 1.0, true};
    case TResampleFilter::Bell:
      return {TKernel::Bell, 1.5, true};
    case TResampleFilter::BSpline:
      return {TKernel::BSpline, 2.0, true};
    case TResampleFilter::Lanczos3:
      return {TKernel::Lanczos3, 3.0, true};
    case TResampleFilter::Mitchell:
      return {TKernel::Mitchell, 2.0, true};
    case TResampleFilter::Nearest:
      return {TKernel::Box, 0.5, true};
    case TResampleFilter::FastLinear:
      return {TKernel::Tent, 1.0, false};
    case TResampleFilter::Bicubic:
      return {TKernel::CatmullRom, 2.0, true};
  }
  return {TKernel::Lanczos3, 3.0, true};
}

double Sinc(double x) {
  if (x == 0.0) return 1.0;
  const double px = std::numbers::pi * x;
  return std::sin(px) / px;
}

// The cubic family of Mitchell and Netravali with parameters B and C.
double Cubic(double x, double b, double c) {
  if (x < 1.0) {
    return ((12 - 9 * b - 6 * c) * x * x * x + (-18 + 12 * b + 6 * c) * x * x + (6 - 2 * b)) / 6;
  }
  if (x < 2.0) {
    return ((-b - 6 * c) * x * x * x + (6 * b + 30 * c) * x * x + (-12 * b - 48 * c) * x +
            (8 * b + 24 * c)) /
           6;
  }
  return 0.0;
}

double KernelValue(TKernel kernel, double x) {
  x = std::fabs(x);
  switch (kernel) {
    case TKernel::Point:
    case TKernel::Box:
      return x < 0.5 ? 1.0 : 0.0;
    case TKernel::Tent:
      return x < 1.0 ? 1.0 - x : 0.0;
    case TKernel::Hermite:
      return x < 1.0 ? (2 * x - 3) * x * x + 1 : 0.0;
    case TKernel::Bell:
      if (x < 0.5) return 0.75 - x * x;
      if (x < 1.5) return 0.5 * (x - 1.5) * (x - 1.5);
      return 0.0;
    case TKernel::BSpline:
      return Cubic(x, 1.0, 0.0);
    case TKernel::Lanczos3:
      return x < 3.0 ? Sinc(x) * Sinc(x / 3.0) : 0.0;
    case TKernel::Mitchell:
      return Cubic(x, 1.0 / 3.0, 1.0 / 3.0);
    case TKernel::CatmullRom:
      return Cubic(x, 0.0, 0.5);
  }
  return 0.0;
}

// ---------------------------------------------------------------------------
// Weight tables: for every output index a run of `taps` consecutive source
// indices starting at start[i] (always inside the source) and their weights,
// which sum to 1. Source indices outside the picture were folded onto the
// edge pixel (the edge repeats).

struct TAxisWeights {
  int taps = 1;
  std::vector<int> start;
  std::vector<float> weights;  // out_n * taps
};

TAxisWeights MakeWeights(int in_n, int out_n, TResampleFilter filter) {
  const TKernelInfo info = KernelOf(filter);
  const double scale = static_cast<double>(in_n) / out_n;
  TAxisWeights aw;
  aw.start.resize(out_n);
  if (info.kernel == TKernel::Point) {
    aw.taps = 1;
    aw.weights.assign(out_n, 1.0f);
    for (int i = 0; i < out_n; ++i) {
      const int j = static_cast<int>(std::floor((i + 0.5) * scale));
      aw.start[i] = std::clamp(j, 0, in_n - 1);
    }
    return aw;
  }
  const double fscale = (info.area && scale > 1.0) ? scale : 1.0;
  const double support = info.support * fscale;
  const bool box_area = info.kernel == TKernel::Box && fscale > 1.0;
  // The window of every output: the source pixels the kernel reaches (for
  // the reducing box, the pixels that overlap the footprint), clamped to the
  // picture. Its ends grow with the output index, which the vertical pass
  // relies on; zero weights inside it are kept for that reason.
  std::vector<std::vector<double>> folded(out_n);
  std::vector<int> first(out_n), last(out_n);
  int max_taps = 1;
  for (int i = 0; i < out_n; ++i) {
    const double centre = (i + 0.5) * scale - 0.5;
    const double reach = box_area ? support + 0.5 : support;
    const int lo = static_cast<int>(std::ceil(centre - reach));
    const int hi = static_cast<int>(std::floor(centre + reach));
    const int flo = std::clamp(lo, 0, in_n - 1), fhi = std::clamp(hi, 0, in_n - 1);
    std::vector<double>& w = folded[i];
    w.assign(static_cast<size_t>(fhi - flo + 1), 0.0);
    double total = 0.0;
    for (int j = lo; j <= hi; ++j) {
      // The box reducing: each source pixel weighs what it covers of the
      // output pixel's footprint, so the average is over the exact area.
      const double v = box_area ? std::max(0.0, std::min(j + 0.5, centre + support) -
                                                    std::max(j - 0.5, centre - support))
                                : KernelValue(info.kernel, (j - centre) / fscale);
      w[static_cast<size_t>(std::clamp(j, 0, in_n - 1) - flo)] += v;
      total += v;
    }
    if (total == 0.0) {
      // No weight inside the window (a centre exactly between two pixels
      // for the enlarging box): take the nearer pixel on the right.
      const int j = std::clamp(static_cast<int>(std::floor(centre + 0.5)), flo, fhi);
      w[static_cast<size_t>(j - flo)] = 1.0;
      total = 1.0;
    }
    for (double& v : w) v /= total;
    first[i] = flo;
    last[i] = fhi;
    max_taps = std::max(max_taps, fhi - flo + 1);
  }
  aw.taps = std::min(max_taps, in_n);
  aw.weights.assign(static_cast<size_t>(out_n) * aw.taps, 0.0f);
  for (int i = 0; i < out_n; ++i) {
    // A fixed number of taps per output keeps the inner loops regular; the
    // run is moved left where it would pass the last source pixel.
    const int s = std::min(first[i], in_n - aw.taps);
    aw.start[i] = s;
    float* dst = aw.weights.data() + static_cast<size_t>(i) * aw.taps;
    for (int j = first[i]; j <= last[i]; ++j) {
      dst[j - s] = static_cast<float>(folded[i][static_cast<size_t>(j - first[i])]);
    }
  }
  return aw;
}

// ---------------------------------------------------------------------------
// The two passes. The horizontal pass filters four source rows at once: the
// rows are interleaved so that one vector holds the same channel of the same
// pixel in the four rows, and every tap is three 4-wide multiply-adds with
// one weight for all four rows. Each lane is computed exactly as a single row
// would be, so results do not depend on how rows are grouped.

// Four floats in one vector register (GCC and Clang vector extension), so
// that the loops below become SIMD code at -O2 on every target.
typedef float TVec4 __attribute__((vector_size(16)));
typedef int32_t TVec4i __attribute__((vector_size(16)));

inline TVec4 Load4(const float* p) {
  TVec4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void Store4(float* p, TVec4 v) {
  std::memcpy(p, &v, sizeof v);
}

// Four source rows (8-bit RGB, n = width * 3 channel values each) to floats
// interleaved by row: dst[4 * i + lane] = rows[lane][i].
void InterleaveRows(const uint8_t* const rows[4], size_t n, float* dst) {
  const uint8_t *r0 = rows[0], *r1 = rows[1], *r2 = rows[2], *r3 = rows[3];
  size_t i = 0;
#if defined(__SSE2__)
  // Sixteen values of each row per step: bytes interleaved by unpacking,
  // widened to 32 bits and converted (exact, as the plain loop below).
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + i));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r2 + i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r3 + i));
    const __m128i ab_lo = _mm_unpacklo_epi8(a, b), ab_hi = _mm_unpackhi_epi8(a, b);
    const __m128i cd_lo = _mm_unpacklo_epi8(c, d), cd_hi = _mm_unpackhi_epi8(c, d);
    const __m128i q[4] = {_mm_unpacklo_epi16(ab_lo, cd_lo), _mm_unpackhi_epi16(ab_lo, cd_lo),
                          _mm_unpacklo_epi16(ab_hi, cd_hi), _mm_unpackhi_epi16(ab_hi, cd_hi)};
    float* out = dst + 4 * i;
    for (int j = 0; j < 4; ++j, out += 16) {
      const __m128i lo16 = _mm_unpacklo_epi8(q[j], zero), hi16 = _mm_unpackhi_epi8(q[j], zero);
      _mm_storeu_ps(out, _mm_cvtepi32_ps(_mm_unpacklo_epi16(lo16, zero)));
      _mm_storeu_ps(out + 4, _mm_cvtepi32_ps(_mm_unpackhi_epi16(lo16, zero)));
      _mm_storeu_ps(out + 8, _mm_cvtepi32_ps(_mm_unpacklo_epi16(hi16, zero)));
      _mm_storeu_ps(out + 12, _mm_cvtepi32_ps(_mm_unpackhi_epi16(hi16, zero)));
    }
  }
#endif
  for (; i < n; ++i) {
    const TVec4i v = {r0[i], r1[i], r2[i], r3[i]};
    Store4(dst + 4 * i, __builtin_convertvector(v, TVec4));
  }
}

// Horizontal pass of four interleaved rows: src holds in_w pixels, dst gets
// out_w pixels, both as [pixel][channel][lane]. Two sets of partial sums
// (even and odd taps) shorten the chains of dependent additions; they are
// added in a fixed order.
void FilterRows4(const float* src, const TAxisWeights& wx, const std::vector<TVec4>& w4, int out_w,
                 float* dst) {
  const int taps = wx.taps;
  for (int x = 0; x < out_w; ++x) {
    const float* p = src + static_cast<size_t>(wx.start[static_cast<size_t>(x)]) * 12;
    const TVec4* w = w4.data() + static_cast<size_t>(x) * taps;
    TVec4 r0 = {0, 0, 0, 0}, g0 = r0, b0 = r0, r1 = r0, g1 = r0, b1 = r0;
    int k = 0;
    for (; k + 2 <= taps; k += 2, p += 24) {
      const TVec4 wa = w[k], wb = w[k + 1];
      r0 += wa * Load4(p);
      g0 += wa * Load4(p + 4);
      b0 += wa * Load4(p + 8);
      r1 += wb * Load4(p + 12);
      g1 += wb * Load4(p + 16);
      b1 += wb * Load4(p + 20);
    }
    if (k < taps) {
      const TVec4 wa = w[k];
      r0 += wa * Load4(p);
      g0 += wa * Load4(p + 4);
      b0 += wa * Load4(p + 8);
    }
    float* d = dst + static_cast<size_t>(x) * 12;
    Store4(d, r0 + r1);
    Store4(d + 4, g0 + g1);
    Store4(d + 8, b0 + b1);
  }
}

// One lane of interleaved rows back to a plain row of n floats.
void TakeLane(const float* src, size_t n, int lane, float* dst) {
  for (size_t i = 0; i < n; ++i) dst[i] = src[4 * i + static_cast<size_t>(lane)];
}

// acc += w * row, over n floats.
void AddScaledRow(float* __restrict acc, const float* __restrict row, float w, size_t n) {
  const TVec4 wv = {w, w, w, w};
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    Store4(acc + i, Load4(acc + i) + wv * Load4(row + i));
    Store4(acc + i + 4, Load4(acc + i + 4) + wv * Load4(row + i + 4));
  }
  for (; i < n; ++i) acc[i] += w * row[i];
}

// Floats to bytes, rounded and clamped to 0..255.
void PackRow(const float* src, size_t n, uint8_t* dst) {
  for (size_t i = 0; i < n; ++i) {
    const float v = src[i] < 0.0f ? 0.0f : (src[i] > 255.0f ? 255.0f : src[i]);
    dst[i] = static_cast<uint8_t>(static_cast<int>(v + 0.5f));
  }
}

}  // namespace

std::string_view ResampleFilterName(TResampleFilter filter) {
  const int i = static_cast<int>(filter);
  return i >= 0 && i < kResampleFilterCount ? kFilterNames[static_cast<size_t>(i)]
                                            : std::string_view();
}

std::optional<TResampleFilter> ResampleFilterFromName(std::string_view name) {
  for (int i = 0; i < kResampleFilterCount; ++i) {
    if (EqualsNoCase(kFilterNames[static_cast<size_t>(i)], name)) {
      return static_cast<TResampleFilter>(i);
    }
  }
  return std::nullopt;
}

std::optional<TResampleFilter> ResampleFilterFromIndex(int index) {
  if (index < 0 || index >= kResampleFilterCount) return std::nullopt;
  return static_cast<TResampleFilter>(index);
}

TResampleFilter SmartResampleFilter(bool source_is_jpeg, int64_t source_file_size,
                                    double rotate_degrees) {
  const bool quarter = std::isfinite(rotate_degrees) && std::fmod(rotate_degrees, 90.0) == 0.0;
  if (source_is_jpeg && source_file_size >= 0 && source_file_size <= kSmartMitchellMaxBytes &&
      quarter) {
    return TResampleFilter::Mitchell;
  }
  return TResampleFilter::Lanczos3;
}

TResampleFilter EffectiveResampleFilter(bool smart, TResampleFilter chosen, bool source_is_jpeg,
                                        int64_t source_file_size, double rotate_degrees) {
  return smart ? SmartResampleFilter(source_is_jpeg, source_file_size, rotate_degrees) : chosen;
}

TRaster Resample(const TRaster& source, int width, int height, TResampleFilter filter,
                 TWorkerPool* pool) {
  if (source.empty() || width < 1 || height < 1) return TRaster();
  if (width == source.width && height == source.height) return source;
  const int in_w = source.width, in_h = source.height;
  const TAxisWeights wx = MakeWeights(in_w, width, filter);
  const TAxisWeights wy = MakeWeights(in_h, height, filter);
  // Each weight of the horizontal table repeated over the four lanes.
  std::vector<TVec4> wx4(wx.weights.size());
  for (size_t i = 0; i < wx.weights.size(); ++i) {
    const float w = wx.weights[i];
    wx4[i] = TVec4{w, w, w, w};
  }
  TRaster out(width, height);
  const size_t in_n = static_cast<size_t>(in_w) * 3;
  const size_t out_n = static_cast<size_t>(width) * 3;

  // Output rows are made in chunks: each chunk filters the source rows it
  // needs horizontally (four at a time) and adds each into the output rows
  // whose vertical window holds it, in increasing source row order, so every
  // output row sums its taps in the same order whatever the chunking.
  const double scale_y = static_cast<double>(in_h) / height;
  const int chunk_rows = std::clamp(static_cast<int>(std::ceil(8.0 * wy.taps / scale_y)), 16, 128);
  const int chunks = (height + chunk_rows - 1) / chunk_rows;
  if (!pool) pool = &DefaultWorkerPool();
  pool->ParallelFor(0, chunks, 1, [&](int first_chunk, int last_chunk) {
    std::vector<float> src4(in_n * 4);
    std::vector<float> h4(out_n * 4);
    std::vector<float> h_row(out_n);
    std::vector<float> acc;
    for (int chunk = first_chunk; chunk < last_chunk; ++chunk) {
      const int y0 = chunk * chunk_rows;
      const int y1 = std::min(height, y0 + chunk_rows);
      acc.assign(static_cast<size_t>(y1 - y0) * out_n, 0.0f);
      const int r_begin = wy.start[static_cast<size_t>(y0)];
      const int r_end = wy.start[static_cast<size_t>(y1 - 1)] + wy.taps;
      int lo = y0;  // first output row whose window has not ended yet
      for (int r4 = r_begin; r4 < r_end; r4 += 4) {
        const uint8_t* rows[4];
        for (int lane = 0; lane < 4; ++lane)
          rows[lane] = source.row(std::min(r4 + lane, r_end - 1));
        InterleaveRows(rows, in_n, src4.data());
        FilterRows4(src4.data(), wx, wx4, width, h4.data());
        for (int lane = 0; lane < 4 && r4 + lane < r_end; ++lane) {
          const int r = r4 + lane;
          TakeLane(h4.data(), out_n, lane, h_row.data());
          while (lo < y1 && wy.start[static_cast<size_t>(lo)] + wy.taps <= r) ++lo;
          for (int y = lo; y < y1 && wy.start[static_cast<size_t>(y)] <= r; ++y) {
            const float w = wy.weights[static_cast<size_t>(y) * wy.taps +
                                       static_cast<size_t>(r - wy.start[static_cast<size_t>(y)])];
            if (w == 0.0f) continue;
            AddScaledRow(acc.data() + static_cast<size_t>(y - y0) * out_n, h_row.data(), w, out_n);
          }
        }
      }
      for (int y = y0; y < y1; ++y) {
        PackRow(acc.data() + static_cast<size_t>(y - y0) * out_n, out_n, out.row(y));
      }
    }
  });
  return out;
}

}  // namespace pictavo
