#!/usr/bin/env bash
# Renders the program icon's PNG images from its SVG (needs ImageMagick).
set -euo pipefail
cd "$(dirname "$0")/../ui/icons"
for size in 32 48 128 256; do
  convert -background none -density 384 recapitalizer.svg -resize "${size}x${size}" \
    -depth 8 "recapitalizer-${size}.png"
done
