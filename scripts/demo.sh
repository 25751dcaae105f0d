#!/usr/bin/env bash
# Installs what is missing, builds, and builds the sample album: the bundled
# pictures of data/Samples with the template Default and the album settings
# "Demo Default". Everything it writes stays below out/demo (its own INI file
# and base folder, so the user's settings and folders are not touched); the
# last line printed is the album's contents page, to open in a web browser.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release
demo="$PWD/out/demo"
rm -rf "$demo"
mkdir -p "$demo/base"
# A fresh base folder: its Templates and Backgrounds are seeded from data/.
printf '[Options]\nBaseFolder=%s\n' "$demo/base" >"$demo/pictavo.ini"
out/release/bin/pictavo-cli build --ini "$demo/pictavo.ini" \
  --album "$PWD/data/Settings/Demo Default.alb" "Settings.OutputDir=$demo/album" |
  tee "$demo/build.log"
page=$(tail -n 1 "$demo/build.log")
echo
echo "The sample album is ready. Open it in a web browser:"
echo "  file://${page// /%20}"
