#!/usr/bin/env bash
# Configures and builds Pictavo into out/<preset>.
#   scripts/build.sh            release build with tests (out/release)
#   scripts/build.sh sanitize   AddressSanitizer + UBSan build (out/sanitize)
#   scripts/build.sh fuzz       libFuzzer targets with clang (out/fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
jobs=${JOBS:-2}
case "$preset" in
  release)  args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  sanitize) args=(-DCMAKE_BUILD_TYPE=Debug -DPICTAVO_SANITIZE=ON -DPICTAVO_BENCH=OFF) ;;
  fuzz)     args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DPICTAVO_FUZZ=ON -DPICTAVO_TESTS=OFF
                  -DPICTAVO_BENCH=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "unknown preset: $preset" >&2; exit 2 ;;
esac
cmake -S . -B "out/$preset" -G Ninja "${args[@]}" >/dev/null
cmake --build "out/$preset" -j"$jobs"
