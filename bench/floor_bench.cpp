// floor_bench: the practical floor of the picture work, for comparison with
// the build's pair path. A bare program on libjpeg-turbo and libpng alone:
// no EXIF, no orientation, no naming rules, no worker pool, no error reports.
// For every photo, on all cores (one photo per thread at a time):
//   - decode once, a JPEG at the DCT scale the pair path uses (the smallest
//     of 1/2, 1/4 and 1/8 that leaves the display copy at least twice smaller);
//   - a display copy fitted into 800 x 600 and a thumbnail fitted into
//     160 x 120, both with a plain separable Lanczos-3 from the decoded
//     picture, written as JPEG quality 80.
//
//   floor_bench OUTDIR FILE...
//
// Writes OUTDIR/display/NAME.jpg and OUTDIR/thumbs/tn_NAME.jpg.
#include <cstddef>
#include <cstdio>
// (jpeglib.h needs size_t and FILE declared first.)
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace {

struct TImage {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
};

struct TJpegError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void OnJpegError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<TJpegError*>(cinfo->err)->jump, 1);
}

std::vector<unsigned char> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int ScaleDenominator(int w, int h, int tw, int th) {
  for (int d : {8, 4, 2}) {
    if ((w + d - 1) / d >= 2 * tw && (h + d - 1) / d >= 2 * th) return d;
  }
  return 1;
}

bool DecodeJpeg(const std::vector<unsigned char>& bytes, int tw, int th, TImage* out) {
  jpeg_decompress_struct cinfo;
  TJpegError err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnJpegError;
  jpeg_create_decompress(&cinfo);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  cinfo.scale_num = 1;
  cinfo.scale_denom = static_cast<unsigned>(
      ScaleDenominator(static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height),
                       tw, th));
  jpeg_start_decompress(&cinfo);
  out->width = static_cast<int>(cinfo.output_width);
  out->height = static_cast<int>(cinfo.output_height);
  out->rgb.resize(static_cast<size_t>(out->width) * out->height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out->rgb.data() + static_cast<size_t>(cinfo.output_scanline) * out->width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

bool DecodePng(const std::vector<unsigned char>& bytes, TImage* out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return false;
  image.format = PNG_FORMAT_RGB;
  out->width = static_cast<int>(image.width);
  out->height = static_cast<int>(image.height);
  out->rgb.resize(PNG_IMAGE_SIZE(image));
  const png_color white{255, 255, 255};
  return png_image_finish_read(&image, &white, out->rgb.data(), 0, nullptr) != 0;
}

double Lanczos3(double x) {
  x = std::fabs(x);
  if (x >= 3.0) return 0.0;
  if (x < 1e-9) return 1.0;
  const double px = std::numbers::pi * x;
  return 3.0 * std::sin(px) * std::sin(px / 3.0) / (px * px);
}

struct TWeights {
  int taps = 0;
  std::vector<int> start;
  std::vector<float> w;
};

// Taps that fall outside the picture are folded onto the edge pixel, so the
// filter loops need no bounds checks.
TWeights MakeWeights(int in_n, int out_n) {
  const double scale = static_cast<double>(in_n) / out_n;
  const double f = std::max(1.0, scale);
  TWeights tw;
  tw.taps = std::min(in_n, static_cast<int>(std::ceil(3.0 * f)) * 2 + 1);
  tw.start.resize(static_cast<size_t>(out_n));
  tw.w.assign(static_cast<size_t>(out_n * tw.taps), 0.0f);
  for (int i = 0; i < out_n; ++i) {
    const double centre = (i + 0.5) * scale - 0.5;
    const int first = static_cast<int>(std::floor(centre)) - tw.taps / 2;
    const int s = std::clamp(first, 0, in_n - tw.taps);
    tw.start[static_cast<size_t>(i)] = s;
    float* w = tw.w.data() + i * tw.taps;
    double total = 0;
    std::vector<double> v(static_cast<size_t>(tw.taps), 0.0);
    for (int k = 0; k < tw.taps; ++k) {
      const double value = Lanczos3((first + k - centre) / f);
      v[static_cast<size_t>(std::clamp(first + k, 0, in_n - 1) - s)] += value;
      total += value;
    }
    for (int k = 0; k < tw.taps; ++k) w[k] = static_cast<float>(v[static_cast<size_t>(k)] / total);
  }
  return tw;
}

// Vertical pass first (whole rows, which the compiler vectorises), then the
// horizontal pass on the few output rows.
TImage Resize(const TImage& in, int ow, int oh) {
  const TWeights wx = MakeWeights(in.width, ow), wy = MakeWeights(in.height, oh);
  const size_t in_row = static_cast<size_t>(in.width) * 3;
  TImage out{ow, oh, std::vector<unsigned char>(static_cast<size_t>(ow) * oh * 3)};
  std::vector<float> col(in_row);
  for (int y = 0; y < oh; ++y) {
    std::fill(col.begin(), col.end(), 0.0f);
    const float* w = wy.w.data() + static_cast<size_t>(y) * wy.taps;
    for (int k = 0; k < wy.taps; ++k) {
      const unsigned char* row =
          in.rgb.data() + static_cast<size_t>(wy.start[static_cast<size_t>(y)] + k) * in_row;
      const float wk = w[k];
      for (size_t i = 0; i < in_row; ++i) col[i] += wk * static_cast<float>(row[i]);
    }
    unsigned char* dst = out.rgb.data() + static_cast<size_t>(y) * ow * 3;
    for (int x = 0; x < ow; ++x) {
      float r = 0, g = 0, b = 0;
      const float* wh = wx.w.data() + static_cast<size_t>(x) * wx.taps;
      const float* p = col.data() + wx.start[static_cast<size_t>(x)] * 3;
      for (int k = 0; k < wx.taps; ++k, p += 3) {
        r += wh[k] * p[0];
        g += wh[k] * p[1];
        b += wh[k] * p[2];
      }
      dst[x * 3] = static_cast<unsigned char>(std::clamp(r + 0.5f, 0.0f, 255.0f));
      dst[x * 3 + 1] = static_cast<unsigned char>(std::clamp(g + 0.5f, 0.0f, 255.0f));
      dst[x * 3 + 2] = static_cast<unsigned char>(std::clamp(b + 0.5f, 0.0f, 255.0f));
    }
  }
  return out;
}

void Fit(int w, int h, int mw, int mh, int* ow, int* oh) {
  const double s = std::min(1.0, std::min(double(mw) / w, double(mh) / h));
  *ow = std::max(1, static_cast<int>(std::lround(w * s)));
  *oh = std::max(1, static_cast<int>(std::lround(h * s)));
}

bool WriteJpeg(const TImage& img, const std::string& path) {
  jpeg_compress_struct cinfo;
  TJpegError err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnJpegError;
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return false;
  }
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(img.width);
  cinfo.image_height = static_cast<JDIMENSION>(img.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 80, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(img.rgb.data()) +
                   static_cast<size_t>(cinfo.next_scanline) * img.width * 3;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(buffer),
                                              static_cast<std::streamsize>(size));
  std::free(buffer);
  return true;
}

bool OnePhoto(const std::string& path, const std::string& outdir) {
  const std::vector<unsigned char> bytes = ReadAll(path);
  TImage img;
  const bool jpeg = bytes.size() > 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
  if (!(jpeg ? DecodeJpeg(bytes, 800, 600, &img) : DecodePng(bytes, &img))) return false;
  const std::string name = std::filesystem::path(path).stem().string();
  int w, h;
  Fit(img.width, img.height, 800, 600, &w, &h);
  if (!WriteJpeg(Resize(img, w, h), outdir + "/display/" + name + ".jpg")) return false;
  Fit(img.width, img.height, 160, 120, &w, &h);
  return WriteJpeg(Resize(img, w, h), outdir + "/thumbs/tn_" + name + ".jpg");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: floor_bench OUTDIR FILE...\n");
    return 2;
  }
  const std::string outdir = argv[1];
  std::filesystem::create_directories(outdir + "/display");
  std::filesystem::create_directories(outdir + "/thumbs");
  std::atomic<int> next{2}, failed{0};
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t) {
    threads.emplace_back([&] {
      for (int i = next++; i < argc; i = next++) {
        if (!OnePhoto(argv[i], outdir)) {
          std::fprintf(stderr, "floor_bench: %s failed\n", argv[i]);
          ++failed;
        }
      }
    });
  }
  for (auto& t : threads) t.join();
  return failed ? 1 : 0;
}
