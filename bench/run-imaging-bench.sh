#!/usr/bin/env bash
# run-imaging-bench.sh - Pictavo's picture work against vipsthumbnail, same run.
#
#   bench/run-imaging-bench.sh [--quick] [--count N] [--psnr N] [--repeat N]
#
#   --quick     the first 50 photos of the corpus (a fair subset of 200)
#   --count N   the first N photos (default 200)
#   --psnr N    photos whose display copies are compared with ImageMagick (default 20)
#   --repeat N  each timing is run N times and the best is kept (default 1)
#
# Environment: CORPUS (default out/bench/corpus), CORPUS24 (out/bench/corpus24),
# OUT (out/bench/run). The corpus is made by ../shared/bench/make-corpus.sh when
# missing (12 MP camera-like photos; one 24 MP photo for the memory figure).
#
# For every photo: a display copy fitted into 800 x 600 and a thumbnail fitted into
# 160 x 120, JPEG quality 80, smart filter. Measured, each pair side by side:
#   1. pictavo-cli thumbs (one output per call, two calls) vs vipsthumbnail making
#      the same two outputs from the originals;
#   2. the build's pair path (imaging_bench pair: one decode, both outputs) vs
#      vipsthumbnail chained (the thumbnail made from the display copy), and vs
#      the floor: floor_bench, a bare libjpeg-turbo + libpng program with the
#      same DCT scale and a plain Lanczos-3 on all cores (no EXIF, no turning);
#   3. peak memory (/usr/bin/time -v) for a 24 MP photo;
#   4. median PSNR of display copies against ImageMagick's Lanczos resize of the
#      same photo to the same size: the JPEG files (quality 80) on the luma
#      (Rec. 601 Y, what JPEG keeps at full resolution; the target's figure) and
#      on all three colour channels (4:2:0 chroma at quality 80 caps that lower),
#      and the resampling alone (display copies written as PNG by both programs).
# Timings run under the build lock so that nobody's build disturbs them.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SHARED_BENCH=${SHARED_BENCH:-$ROOT/../shared/bench}
CORPUS=${CORPUS:-$ROOT/out/bench/corpus}
CORPUS24=${CORPUS24:-$ROOT/out/bench/corpus24}
OUT=${OUT:-$ROOT/out/bench/run}
LOCK=/tmp/pictavo-build.lock
COUNT=200
PSNR_COUNT=20
REPEAT=1
while [ $# -gt 0 ]; do
  case $1 in
    --quick) COUNT=50 ;;
    --count) COUNT=$2; shift ;;
    --psnr) PSNR_COUNT=$2; shift ;;
    --repeat) REPEAT=$2; shift ;;
    -h|--help) awk 'NR > 1 && !/^#/ {exit} NR > 1 {sub(/^# ?/, ""); print}' "$0"; exit 0 ;;
    *) echo "run-imaging-bench: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

# ---------------------------------------------------------------- tools
if ! command -v vipsthumbnail >/dev/null; then
  if [ "$(id -u)" = 0 ]; then
    apt-get install -y libvips-tools >/dev/null
  else
    echo "run-imaging-bench: vipsthumbnail missing (apt-get install libvips-tools)" >&2; exit 1
  fi
fi
IM=convert; CMP=compare
command -v convert-im6.q16 >/dev/null && IM=convert-im6.q16
command -v compare-im6.q16 >/dev/null && CMP=compare-im6.q16
[ -x /usr/bin/time ] || { echo "run-imaging-bench: /usr/bin/time missing (apt-get install time)" >&2; exit 1; }

# ---------------------------------------------------------------- corpus and build
# (make-corpus.sh ends with a failing status when its set holds no PNG, as
# sets of fewer than 10 photos do; the photos themselves are checked below.)
bash "$SHARED_BENCH/make-corpus.sh" "$CORPUS" "$COUNT" || true
CACHE=${CACHE:-$CORPUS/.sources} SIZE=6000x4000 bash "$SHARED_BENCH/make-corpus.sh" "$CORPUS24" 1 ||
  true
ls "$CORPUS24"/img_0001.* >/dev/null || { echo "run-imaging-bench: no 24 MP photo" >&2; exit 1; }
"$ROOT/scripts/dev-build.sh" pictavo-cli imaging_bench floor_bench >/dev/null
CLI=$ROOT/out/dev/bin/pictavo-cli
PAIR=$ROOT/out/dev/bench/imaging_bench
FLOOR=$ROOT/out/dev/bench/floor_bench

mapfile -t NAMES < <(cd "$CORPUS" && ls img_*.jpg img_*.png 2>/dev/null | sort | head -n "$COUNT")
PATHS=()
for n in "${NAMES[@]}"; do PATHS+=("$CORPUS/$n"); done
N=${#NAMES[@]}
echo "run-imaging-bench: $N photos from $CORPUS, $(nproc) cores"

# Wall seconds of a command run under the build lock; the best of REPEAT runs.
# $1 names a folder that is emptied before every run.
timed() {
  local clean=$1; shift
  local best=""
  for ((r = 0; r < REPEAT; r++)); do
    rm -rf "$clean"; mkdir -p "$clean"
    local t
    t=$(flock "$LOCK" bash -c 's=$(date +%s.%N); "$@" >/dev/null 2>"'"$OUT"'/last-stderr.txt" || true; e=$(date +%s.%N); echo "$e - $s" | bc' _ "$@")
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  printf '%.2f' "$best"
}
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

mkdir -p "$OUT"
THUMBS_SET=(Thumbnails.Resize=1 Thumbnails.JpgQuality=80 Thumbnails.ResizeAlgorithm=-1
            Thumbnails.ConvertPngToJpeg=1)

cli_two_calls() {
  "$CLI" thumbs "$CORPUS" "${NAMES[@]}" "${THUMBS_SET[@]}" Thumbnails.MaxWidth=800 \
    Thumbnails.MaxHeight=600 Thumbnails.AppendToName=1 "Thumbnails.SaveFolder=$OUT/cli/display"
  "$CLI" thumbs "$CORPUS" "${NAMES[@]}" "${THUMBS_SET[@]}" Thumbnails.MaxWidth=160 \
    Thumbnails.MaxHeight=120 Thumbnails.ThumbPrefix=tn_ "Thumbnails.SaveFolder=$OUT/cli/thumbs"
}
vips_two_calls() {
  mkdir -p "$OUT/vips/display" "$OUT/vips/thumbs"
  vipsthumbnail "${PATHS[@]}" --size 800x600 -o "$OUT/vips/display/%s.jpg[Q=80]"
  vipsthumbnail "${PATHS[@]}" --size 160x120 -o "$OUT/vips/thumbs/tn_%s.jpg[Q=80]"
}
vips_chained() {
  mkdir -p "$OUT/chain/display" "$OUT/chain/thumbs"
  vipsthumbnail "${PATHS[@]}" --size 800x600 -o "$OUT/chain/display/%s.jpg[Q=80]"
  vipsthumbnail "$OUT"/chain/display/*.jpg --size 160x120 -o "$OUT/chain/thumbs/tn_%s.jpg[Q=80]"
}
export -f cli_two_calls vips_two_calls vips_chained
export CLI CORPUS OUT

echo "--- 1. one output per call, both from the originals"
T_CLI=$(timed "$OUT/cli" bash -c "$(declare -p NAMES THUMBS_SET PATHS); cli_two_calls")
T_VIPS=$(timed "$OUT/vips" bash -c "$(declare -p PATHS); vips_two_calls")
echo "pictavo-cli thumbs        $T_CLI s"
echo "vipsthumbnail             $T_VIPS s"
echo "speed-up                  $(ratio "$T_VIPS" "$T_CLI") x   (target >= 1.3)"

echo "--- 2. display copy and thumbnail of every photo"
T_PAIR=$(timed "$OUT/pair" "$PAIR" pair "$OUT/pair" "${PATHS[@]}")
T_PAIR1=$(timed "$OUT/pair1" "$PAIR" pair "$OUT/pair1" --ahead 1 "${PATHS[@]}")
T_CHAIN=$(timed "$OUT/chain" bash -c "$(declare -p PATHS); vips_chained")
T_FLOOR=$(timed "$OUT/floor" "$FLOOR" "$OUT/floor" "${PATHS[@]}")
echo "pair path (one decode)    $T_PAIR s   (one photo at a time: $T_PAIR1 s)"
echo "vipsthumbnail chained     $T_CHAIN s"
echo "floor (bare libjpeg-turbo) $T_FLOOR s"
echo "speed-up                  $(ratio "$T_CHAIN" "$T_PAIR") x   (target >= 1.3)"
echo "vs the floor              $(ratio "$T_PAIR" "$T_FLOOR") x of its time   (target <= 1.4)"

echo "--- 3. peak memory, 24 MP photo"
P24=$(cd "$CORPUS24" && ls img_* | head -1)
rss() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F: '/Maximum resident/ {gsub(/ /, "", $2); print $2}'; }
rm -rf "$OUT/mem"; mkdir -p "$OUT/mem"
M_CLI=$(rss "$CLI" thumbs "$CORPUS24" "$P24" "${THUMBS_SET[@]}" Thumbnails.MaxWidth=800 \
  Thumbnails.MaxHeight=600 "Thumbnails.SaveFolder=$OUT/mem/cli")
M_PAIR=$(rss "$PAIR" pair "$OUT/mem/pair" "$CORPUS24/$P24")
M_VIPS=$(rss vipsthumbnail "$CORPUS24/$P24" --size 800x600 -o "$OUT/mem/%s.jpg[Q=80]")
echo "pictavo-cli thumbs        $((M_CLI / 1024)) MB   (target < 150 MB)"
echo "pair path                 $((M_PAIR / 1024)) MB"
echo "vipsthumbnail             $((M_VIPS / 1024)) MB"

echo "--- 4. PSNR of display copies against ImageMagick Lanczos (first $PSNR_COUNT photos)"
# psnr_of COPY ORIGINAL [CHANNELS]: dB of the copy against ImageMagick's
# Lanczos resize of the original to the copy's size; CHANNELS "luma" compares
# the Rec. 601 luma of both.
psnr_of() {
  local copy=$1 orig=$2 channels=${3:-rgb} size ref
  size=$("$IM" "$copy" -format '%wx%h' info:)
  ref=$OUT/psnr/ref-$(basename "${copy%.*}")-$size.png
  [ -f "$ref" ] || "$IM" "$orig" -auto-orient -colorspace sRGB -filter Lanczos -resize "$size!" "$ref"
  if [ "$channels" = luma ]; then
    "$IM" "$copy" -grayscale Rec601Luma "$OUT/psnr/a.png"
    "$IM" "$ref" -grayscale Rec601Luma "$OUT/psnr/b.png"
    copy=$OUT/psnr/a.png ref=$OUT/psnr/b.png
  fi
  # compare's status is 1 when the pictures differ; its figure goes to stderr.
  { "$CMP" -metric PSNR "$copy" "$ref" null: 2>&1 || true; } | awk '{print $1}'
}
median() { sort -g | awk '{a[NR] = $1} END {if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
mkdir -p "$OUT/psnr"
for f in pictavo vips pictavo-luma vips-luma; do : > "$OUT/psnr/$f.txt"; done
for ((i = 0; i < N && i < PSNR_COUNT; i++)); do
  base=${NAMES[$i]%.*}
  for who in pictavo vips; do
    copy=$OUT/pair/display/$base.jpg
    [ $who = vips ] && copy=$OUT/vips/display/$base.jpg
    psnr_of "$copy" "${PATHS[$i]}" >> "$OUT/psnr/$who.txt"
    psnr_of "$copy" "${PATHS[$i]}" luma >> "$OUT/psnr/$who-luma.txt"
  done
done
echo "luma:  pictavo display copies $(median < "$OUT/psnr/pictavo-luma.txt") dB median   (target >= 40)"
echo "       vipsthumbnail          $(median < "$OUT/psnr/vips-luma.txt") dB median"
echo "RGB:   pictavo display copies $(median < "$OUT/psnr/pictavo.txt") dB median"
echo "       vipsthumbnail          $(median < "$OUT/psnr/vips.txt") dB median"

# The same without JPEG's losses: display copies written as PNG.
rm -rf "$OUT/png"; mkdir -p "$OUT/png/vips"
PSNR_PATHS=("${PATHS[@]:0:$PSNR_COUNT}")
"$PAIR" pair "$OUT/png" --png "${PSNR_PATHS[@]}" >/dev/null
vipsthumbnail "${PSNR_PATHS[@]}" --size 800x600 -o "$OUT/png/vips/%s.png" >/dev/null
: > "$OUT/psnr/pictavo-png.txt"; : > "$OUT/psnr/vips-png.txt"
for ((i = 0; i < ${#PSNR_PATHS[@]}; i++)); do
  base=${NAMES[$i]%.*}
  psnr_of "$OUT/png/display/$base.png" "${PATHS[$i]}" >> "$OUT/psnr/pictavo-png.txt"
  psnr_of "$OUT/png/vips/$base.png" "${PATHS[$i]}" >> "$OUT/psnr/vips-png.txt"
done
echo "resampling alone (PNG): pictavo $(median < "$OUT/psnr/pictavo-png.txt") dB, vipsthumbnail $(median < "$OUT/psnr/vips-png.txt") dB median"
