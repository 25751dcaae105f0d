#!/usr/bin/env bash
# Makes the bundled sample pictures in data/Samples with ImageMagick. They are
# made by this project from random fractals and gradients and are released
# under CC0 (see data/Samples/LICENSE). Running it again gives new pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
out=data/Samples
mkdir -p "$out"
make() { # name size seed extra...
  local name=$1 size=$2 seed=$3; shift 3
  convert -seed "$seed" -size "$size" "$@" -quality 85 -strip "$out/$name"
}
make "Sunrise over the bay.jpg" 1200x800 11 plasma:orange-navy -blur 0x2
make "Forest path.jpg"          1200x800 22 plasma:forestgreen-saddlebrown -blur 0x1
make "Glacier.jpg"              800x1200 33 plasma:white-steelblue -blur 0x3
make "Desert dunes.jpg"         1200x800 44 gradient:khaki-sienna \( -size 1200x800 plasma:fractal -blur 0x4 -colorspace gray \) -compose overlay -composite
make "Harbour lights.jpg"       1200x900 55 plasma:midnightblue-gold -blur 0x1
make "Meadow.png"               480x320  66 plasma:yellowgreen-skyblue -blur 0x6 -colors 64
