#!/usr/bin/env bash
# Draws the application icon's PNG sizes from data/icons/org.tavuzip.TavuZip.svg into
# data/icons/<size>/org.tavuzip.TavuZip.png. The PNGs are kept in the repository, so the build
# needs no SVG tool; run this again after changing the SVG (needs rsvg-convert: librsvg2-bin).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../data/icons"
id=org.tavuzip.TavuZip
for size in 16 22 24 32 48 64 128 256 512; do
  mkdir -p "${size}x${size}"
  rsvg-convert -w "$size" -h "$size" "$id.svg" -o "${size}x${size}/$id.png"
done
echo "make_icons: $(ls -d ./*x* | wc -l) sizes written"
