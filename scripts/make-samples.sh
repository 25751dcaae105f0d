#!/usr/bin/env bash
# Makes the bundled sample pictures in data/Samples with ImageMagick and
# exiftool. They are made by this project: painted landscapes built from
# gradients, fractal noise and ridge lines drawn from a seeded random walk,
# with an EXIF date taken. They are released under CC0 (see
# data/Samples/LICENSE). The same seeds give the same pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
out=data/Samples
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"
rm -f "$out"/*.jpg "$out"/*.png

# A ridge polygon across the picture: points every 16 pixels from a random
# walk around height base (pixels from the top) with the given roughness.
ridge() { # width height base roughness seed
  awk -v w="$1" -v h="$2" -v base="$3" -v rough="$4" -v seed="$5" 'BEGIN {
    srand(seed); y = base; pts = "0," h
    for (x = 0; x <= w + 16; x += 16) {
      y += (rand() - 0.5) * rough + (base - y) * 0.08
      pts = pts " " x "," int(y)
    }
    print pts " " w + 16 "," h
  }'
}

# landscape NAME WxH SEED SKY_TOP SKY_BOTTOM SUN FAR NEAR GROUND DATE [extra convert args]
landscape() {
  local name=$1 size=$2 seed=$3 top=$4 bottom=$5 sun=$6 far=$7 near=$8 ground=$9 date=${10}
  shift 10
  local w=${size%x*} h=${size#*x}
  local sx=$(((seed * 37) % (w - 200) + 100)) sy=$((h * 28 / 100)) sr=$((w / 14))
  convert -size "$size" gradient:"$top"-"$bottom" \
    \( -size "$size" xc:none -fill "$sun" -draw "circle $sx,$sy $((sx + sr)),$sy" -blur 0x6 \) \
    -composite \
    \( -size "$size" xc:none -fill "$far" -draw "polygon $(ridge "$w" "$h" $((h * 45 / 100)) 70 "$seed")" \
       -blur 0x2 \) -composite \
    \( -size "$size" xc:none -fill "$near" -draw "polygon $(ridge "$w" "$h" $((h * 62 / 100)) 40 $((seed + 1)))" \
       -blur 0x1 \) -composite \
    \( -size "$size" xc:none -fill "$ground" -draw "polygon $(ridge "$w" "$h" $((h * 80 / 100)) 14 $((seed + 2)))" \) \
    -composite \
    "$@" "$tmp/base.png"
  # Fine grain from fractal noise, laid over softly.
  convert -seed "$seed" -size "$size" plasma:fractal -colorspace gray -blur 0x1 "$tmp/grain.png"
  convert "$tmp/base.png" "$tmp/grain.png" -compose soft-light -define compose:args=35 -composite \
    -strip "$tmp/out.png"
  case $name in
    *.png) convert "$tmp/out.png" -colors 96 "$out/$name" ;;
    *) convert "$tmp/out.png" -sampling-factor 4:2:0 -quality 78 "$out/$name" ;;
  esac
  exiftool -q -overwrite_original -DateTimeOriginal="$date" -CreateDate="$date" "$out/$name"
}

landscape "Sunrise over the bay.jpg" 960x640 11 "#f6b26b" "#fde9c9" "#fff6d8" "#6d7fa3" "#3b4a6b" "#1d2a44" "2025:06:21 05:12:00"
landscape "Forest path.jpg"          960x640 22 "#a9d2e8" "#e8f3f7" "#fffbe6" "#7da17a" "#3f6b45" "#2b4a2c" "2025:05:03 10:40:00"
landscape "Glacier.jpg"              640x960 33 "#7fb0d9" "#e6f0f8" "#ffffff" "#c9d9e8" "#9ab6cf" "#eef4f9" "2025:02:14 13:05:00"
landscape "Desert dunes.jpg"         960x640 44 "#f2c38b" "#fbe7c6" "#fff3d6" "#d9a066" "#c07f45" "#a5652f" "2025:08:09 17:55:00"
landscape "Harbour lights.jpg"       960x640 55 "#0f1a3a" "#4b3f72" "#ffd27a" "#2a2f55" "#1a1d3a" "#0d0f22" "2025:09:27 21:30:00"
landscape "Meadow.png"               480x320 66 "#9fd3f0" "#e3f4fb" "#fffbe0" "#9cc58a" "#76ad5c" "#5e9445" "2025:07:01 12:00:00"
landscape "Lavender hills.jpg"       960x640 77 "#c7b8e8" "#f3e9f7" "#fff4f0" "#9b86c4" "#7a62a8" "#5b4486" "2025:07:12 19:20:00"
landscape "Autumn valley.jpg"        960x640 88 "#e8c9a0" "#f8eedf" "#fff8e7" "#c9874a" "#a6582c" "#6e3b1f" "2025:10:18 15:45:00"
landscape "Lighthouse at dusk.jpg"   640x960 99 "#e87a5d" "#f7c9a9" "#ffe9b0" "#5a5d85" "#393b5e" "#22243d" "2025:04:30 20:10:00"
landscape "Winter morning.jpg"       960x640 110 "#b7c9de" "#f4f7fb" "#fffdf4" "#d7e1ec" "#b9c8d8" "#f7fafd" "2025:01:09 08:25:00"
landscape "Night sky.jpg"            960x640 121 "#05070f" "#1c2450" "#f1f1ff" "#151a33" "#0c1024" "#06080f" "2025:11:22 23:50:00"
landscape "Green terraces.jpg"       960x640 132 "#bfe2f2" "#f1f9fc" "#fffce8" "#8fbf7a" "#5f9a4c" "#3f7433" "2025:05:27 09:15:00"

cat >"$out/descript.ion" <<'EOF'
"Sunrise over the bay.jpg" Sunrise over the bay::The first light of the longest day reaches the water.
"Forest path.jpg" Forest path::A quiet walk under the spring leaves.
"Glacier.jpg" Glacier::Blue ice above the snow line.
"Harbour lights.jpg" Harbour lights::The boats come home under a golden moon.
"Lavender hills.jpg" Lavender hills::Evening over the fields in July.
"Night sky.jpg" The night sky above the dunes.
EOF
