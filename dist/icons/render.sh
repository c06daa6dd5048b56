#!/usr/bin/env bash
# Renders the PNG icons from the SVG. Run after changing the SVG and commit
# the results (needs rsvg-convert from Debian's librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 256; do
  rsvg-convert -w "$size" -h "$size" org.kivolink.LinkUtility.svg \
    -o "org.kivolink.LinkUtility-$size.png"
done
