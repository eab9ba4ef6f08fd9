#!/usr/bin/env bash
# Renders the PNG sizes of the program's icon from its SVG (needs rsvg-convert from librsvg2-bin).
set -euo pipefail
dir=$(cd "$(dirname "$0")/../data/desktop/icons" && pwd)
id=de.maravelt.cantovex3
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$dir/$id.svg" -o "$dir/$id-$size.png"
done
