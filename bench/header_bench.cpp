// Times the image header reader over a list of picture files (one path a
// line): header_bench LIST [PASSES]. Prints the files, how many were valid,
// and the seconds of the fastest pass and of the first pass.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "pictures/image_info.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: header_bench LIST [PASSES]\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  std::vector<std::string> files;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) files.push_back(line);
  int passes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  double first = 0, best = 1e30;
  long valid = 0;
  for (int pass = 0; pass < passes; ++pass) {
    valid = 0;
    auto start = std::chrono::steady_clock::now();
    for (const auto& file : files) {
      pictavo::TImageInfo info;
      pictavo::GetImageInfo(file, info);
      valid += info.valid;
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (pass == 0) first = seconds;
    best = std::min(best, seconds);
  }
  std::printf("files %zu valid %ld first %.6f best %.6f\n", files.size(), valid, first, best);
  return valid == static_cast<long>(files.size()) ? 0 : 1;
}
