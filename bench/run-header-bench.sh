#!/usr/bin/env bash
# The image header reader against ImageMagick's identify -ping over the same
# 2,000 small pictures (JPEG, PNG, GIF, BMP), in the same run. The pictures
# are made once with convert under out/bench-data/headers (copies of a few
# originals). Target: the reader at least 20 times faster.
set -euo pipefail
cd "$(dirname "$0")/.."
data=out/bench-data/headers
count=2000
if [ ! -f "$data/.complete" ]; then
  rm -rf "$data" && mkdir -p "$data/orig"
  convert -size 800x600 plasma:fractal -quality 85 "$data/orig/a.jpg"
  convert -size 640x480 plasma:fractal -interlace Plane "$data/orig/b.jpg"
  convert -size 400x300 plasma:fractal "$data/orig/c.png"
  convert -size 320x240 plasma:fractal "$data/orig/d.gif"
  convert -size 200x150 plasma:fractal "$data/orig/e.bmp"
  originals=("$data"/orig/*)
  for ((i = 0; i < count; i++)); do
    src=${originals[$((i % ${#originals[@]}))]}
    cp "$src" "$data/$(printf 'pic%04d' "$i").${src##*.}"
  done
  touch "$data/.complete"
fi
scripts/dev-build.sh header_bench >/dev/null
files=()
for f in "$data"/pic*; do files+=("$(realpath "$f")"); done
printf '%s\n' "${files[@]}" > "$data/list.txt"

# Both read the same warm files: one pass of each to warm the cache first.
identify -ping -format '%w %h\n' "${files[@]}" >/dev/null
read -r _ n _ valid _ first _ best < <(out/dev/bench/header_bench "$data/list.txt" 5)
start=$(date +%s%N)
identify -ping -format '%w %h\n' "${files[@]}" >/dev/null
end=$(date +%s%N)
identify_s=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", (b - a) / 1e9 }')
echo "files:               $n ($valid valid)"
echo "GetImageInfo:        ${best}s (fastest of 5 passes; first pass ${first}s)"
echo "identify -ping:      ${identify_s}s (one invocation over all files)"
awk -v r="$identify_s" -v b="$best" -v f="$first" 'BEGIN {
  printf "ratio:               %.1fx faster (first pass: %.1fx; target 20x)\n", r / b, r / f }'
