#!/usr/bin/env bash
# Renders kestle.svg to the PNG sizes installed beside it (rsvg-convert, from
# Debian's librsvg2-bin). The PNGs are kept in the tree; run this after
# changing the SVG.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" kestle.svg -o "kestle-$size.png"
done
