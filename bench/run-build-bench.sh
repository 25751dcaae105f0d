#!/usr/bin/env bash
# run-build-bench.sh - a whole album build with pictavo-cli against vipsthumbnail, same run.
#
#   bench/run-build-bench.sh [--quick] [--count N] [--repeat N]
#
#   --quick     the first 50 photos of the corpus (a fair subset of 200)
#   --count N   the first N photos (default 200)
#   --repeat N  each timing is run N times and the best is kept (default 1)
#
# Environment: CORPUS (default out/bench/corpus), OUT (out/bench/build). The corpus
# is made by ../shared/bench/make-corpus.sh when missing.
#
# The album: every photo with a display copy fitted into 800 x 600 and a thumbnail
# fitted into 160 x 120 (a template with thumbmaxsize=160x120), JPEG quality 80,
# 20 pictures per page. Measured:
#   1. the first build (empty album folder) vs vipsthumbnail making the display
#      copies from the originals and the thumbnails from the display copies;
#   2. a second build without changes (overwrite off) vs the first;
#   3. peak memory (/usr/bin/time -v) of the first build with a quarter of the
#      photos and with all of them (flat: about the same).
# Timings run under the build lock so that nobody's build disturbs them.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SHARED_BENCH=${SHARED_BENCH:-$ROOT/../shared/bench}
CORPUS=${CORPUS:-$ROOT/out/bench/corpus}
OUT=${OUT:-$ROOT/out/bench/build}
LOCK=/tmp/pictavo-build.lock
COUNT=200
REPEAT=1
while [ $# -gt 0 ]; do
  case $1 in
    --quick) COUNT=50 ;;
    --count) COUNT=$2; shift ;;
    --repeat) REPEAT=$2; shift ;;
    -h|--help) awk 'NR > 1 && !/^#/ {exit} NR > 1 {sub(/^# ?/, ""); print}' "$0"; exit 0 ;;
    *) echo "run-build-bench: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

command -v vipsthumbnail >/dev/null ||
  { echo "run-build-bench: vipsthumbnail missing (apt-get install libvips-tools)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "run-build-bench: /usr/bin/time missing (apt-get install time)" >&2; exit 1; }

# ---------------------------------------------------------------- corpus and build
ls "$CORPUS"/img_0001.* >/dev/null 2>&1 || bash "$SHARED_BENCH/make-corpus.sh" "$CORPUS" "$COUNT" || true
"$ROOT/scripts/dev-build.sh" pictavo-cli >/dev/null
CLI=$ROOT/out/dev/bin/pictavo-cli

mkdir -p "$OUT"
rm -rf "$OUT/pics" "$OUT/quarter"
mkdir -p "$OUT/pics" "$OUT/quarter"
mapfile -t NAMES < <(cd "$CORPUS" && ls img_*.jpg img_*.png 2>/dev/null | sort | head -n "$COUNT")
N=${#NAMES[@]}
for ((i = 0; i < N; i++)); do
  ln -s "$CORPUS/${NAMES[i]}" "$OUT/pics/${NAMES[i]}"
  if ((i < N / 4)); then ln -s "$CORPUS/${NAMES[i]}" "$OUT/quarter/${NAMES[i]}"; fi
done
PATHS=()
for n in "${NAMES[@]}"; do PATHS+=("$CORPUS/$n"); done
echo "run-build-bench: $N photos from $CORPUS, $(nproc) cores"

cat >"$OUT/Bench.html" <<'TEMPLATE'
<!--album-options
thumbmaxsize=160x120
thumboverwrite=no
-->
<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>{PageTitle}</title></head><body>
<!--body_start-->
<a href="{FileUrl}"><img src="{ThumbUrl}" width="{ThumbWidth}" height="{ThumbHeight}" alt="{FileNoExt}"></a>
<!--body_end-->
<p><a href="{PagePrev}">Previous</a> {PageIndex} / {PageCount} <a href="{PageNext}">Next</a></p>
</body></html>
TEMPLATE
printf '[Options]\r\nBaseFolder=%s\r\nImageMaxWidth=800\r\nImageMaxHeight=600\r\n' \
  "$OUT/base" >"$OUT/bench.ini"
mkdir -p "$OUT/base/Templates"

build() {  # build FOLDER OVERWRITE PICTURES
  HOME=$OUT XDG_CONFIG_HOME=$OUT/config XDG_DATA_HOME=$OUT/data "$CLI" build \
    --ini "$OUT/bench.ini" "Settings.PictureFolder=$3" "Settings.Template=$OUT/Bench.html" \
    "Settings.PictureFilter=*.jpg;*.png" Settings.MaxImages=20 Settings.PageTitle=Bench \
    "Settings.OutputDir=$1" "Options.OverwriteImages=$2"
}
vips_chained() {
  mkdir -p "$OUT/vips/display" "$OUT/vips/thumbs"
  vipsthumbnail "${PATHS[@]}" --size 800x600 -o "$OUT/vips/display/%s.jpg[Q=80]"
  vipsthumbnail "$OUT"/vips/display/*.jpg --size 160x120 -o "$OUT/vips/thumbs/tn_%s.jpg[Q=80]"
}
export -f build vips_chained
export CLI OUT

# Wall seconds of a command under the build lock; the best of REPEAT runs.
# $1 names a folder emptied before every run ("-" for none).
timed() {
  local clean=$1; shift
  local best=""
  for ((r = 0; r < REPEAT; r++)); do
    if [ "$clean" != - ]; then rm -rf "$clean"; mkdir -p "$clean"; fi
    local t
    t=$(flock "$LOCK" bash -c 's=$(date +%s.%N); "$@" >"'"$OUT"'/last-stdout.txt" 2>"'"$OUT"'/last-stderr.txt" || true; e=$(date +%s.%N); echo "$e - $s" | bc' _ "$@")
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  printf '%.2f' "$best"
}
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

echo "--- 1. first build vs vipsthumbnail chained"
T_FIRST=$(timed "$OUT/base/Albums/album" build album 1 "$OUT/pics")
tail -n 2 "$OUT/last-stdout.txt"
T_VIPS=$(timed "$OUT/vips" bash -c "$(declare -p PATHS); vips_chained")
echo "pictavo-cli build         $T_FIRST s"
echo "vipsthumbnail chained     $T_VIPS s"
echo "speed-up                  $(ratio "$T_VIPS" "$T_FIRST") x   (target >= 1.3)"

echo "--- 2. second build without changes (overwrite off)"
T_SECOND=$(timed - build album 0 "$OUT/pics")
tail -n 1 "$OUT/last-stdout.txt"
echo "second build              $T_SECOND s"
echo "faster than the first     $(ratio "$T_FIRST" "$T_SECOND") x   (target >= 20)"

echo "--- 3. peak memory of a first build"
rss() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F: '/Maximum resident/ {gsub(/ /, "", $2); print $2}'; }
rm -rf "$OUT/base/Albums/mem1" "$OUT/base/Albums/mem2"
M_QUARTER=$(rss bash -c 'build mem1 1 "$OUT/quarter"')
M_ALL=$(rss bash -c 'build mem2 1 "$OUT/pics"')
echo "$((N / 4)) photos                $M_QUARTER kB"
echo "$N photos               $M_ALL kB"
