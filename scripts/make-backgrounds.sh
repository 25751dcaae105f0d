#!/usr/bin/env bash
# Makes the small tiling background images in data/Backgrounds with
# ImageMagick (CC0, see data/Backgrounds/LICENSE). The same seeds give the
# same images; every image tiles without seams.
set -euo pipefail
cd "$(dirname "$0")/../data/Backgrounds"
# Warm paper: fine grain, tinted.
convert -seed 7 -size 128x128 xc:gray50 +noise Gaussian -attenuate 0.6 -colorspace gray \
  -virtual-pixel tile -blur 0x0.7 -auto-level +level 90%,100% -fill '#f8f3ea' -tint 100 \
  -colors 16 png8:Paper.png
# Pale blue mist: soft clouds from blurred noise.
convert -seed 8 -size 128x128 xc:gray +noise Random -colorspace gray -virtual-pixel tile \
  -blur 0x5 -auto-level +level 88%,97% -fill '#dfe9f0' -tint 100 -colors 24 png8:Mist.png
# Linen: a faint diagonal lattice.
convert -size 64x64 xc:'#fbfaf7' -stroke '#f1eee7' -draw 'line 0,0 63,63' \
  -draw 'line 0,63 63,0' -colors 8 png8:Linen.png
# Dark slate for dark pages.
convert -seed 9 -size 96x96 xc:gray50 +noise Gaussian -colorspace gray -virtual-pixel tile \
  -blur 0x0.6 -auto-level +level 10%,17% -colors 12 png8:Slate.png
