// imaging_bench: the build's picture path timed on its own. For every photo
// a display copy fitted into 800 x 600 and a thumbnail fitted into 160 x 120
// (JPEG quality 80, smart filter) are made from one decode of the photo.
//
//   imaging_bench pair OUTDIR [--ahead N] [--png] FILE...
//
// Writes OUTDIR/display/NAME.jpg and OUTDIR/thumbs/tn_NAME.jpg and prints the
// wall time in seconds. --ahead 1 works on one photo at a time; the default
// keeps one photo in work per core. --png writes PNG files instead (the
// resampling without JPEG's losses, for quality measurements).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/image_conv.h"

using namespace pictavo;

int main(int argc, char** argv) {
  if (argc < 4 || std::string(argv[1]) != "pair") {
    std::fprintf(stderr, "usage: imaging_bench pair OUTDIR [--ahead N] FILE...\n");
    return 2;
  }
  std::string out = argv[2];
  int ahead = 0;
  bool png = false;
  std::vector<std::string> files;
  for (int i = 3; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--ahead" && i + 1 < argc) {
      ahead = std::atoi(argv[++i]);
    } else if (arg == "--png") {
      png = true;
    } else {
      files.push_back(arg);
    }
  }
  TJwImageConv display, thumbnail;
  for (TJwImageConv* c : {&display, &thumbnail}) {
    c->OutputFormat = png ? static_cast<int>(iftPng) : kOutputJpeg;
    c->ResizeMode = scBestFit;
    c->SetJpgQuality(80);
    c->SmartResample = true;
    c->OnError = [](const std::string& message, bool&) {
      std::fprintf(stderr, "%s\n", message.c_str());
    };
  }
  display.SetDestFolder(out + "/display");
  display.MaxWidth = 800;
  display.MaxHeight = 600;
  thumbnail.SetDestFolder(out + "/thumbs");
  thumbnail.SubName = "tn_";
  thumbnail.MaxWidth = 160;
  thumbnail.MaxHeight = 120;

  TConvertJob jobs[2];
  jobs[0].converter = &display;
  jobs[1].converter = &thumbnail;
  int made = 0;
  auto start = std::chrono::steady_clock::now();
  ConvertBatch(files, jobs, 2, false, ahead, nullptr, [&](size_t, const TConvertJob* done) {
    made += !done[0].result.empty();
    made += !done[1].result.empty();
  });
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.3f s for %d outputs of %zu photos\n", seconds, made, files.size());
  return made == static_cast<int>(files.size()) * 2 ? 0 : 1;
}
