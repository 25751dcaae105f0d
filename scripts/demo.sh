#!/usr/bin/env bash
# Installs what is missing, builds, and runs Pictavo's main job on the bundled
# sample pictures: for now, the header reader over data/Samples.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release
out/release/bin/pictavo-cli info data/Samples/*.jpg data/Samples/*.png
