#!/usr/bin/env bash
# Developer build into out/dev, one build at a time on this machine (several
# people may share a checkout): scripts/dev-build.sh [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
exec 9>/tmp/pictavo-build.lock
flock 9
if [ ! -f out/dev/build.ninja ]; then
  cmake -S . -B out/dev -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build out/dev -j2 "${targets[@]}"
