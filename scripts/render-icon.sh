#!/usr/bin/env bash
# Renders the program's icon (ui/window/icons/torvex.svg) into the PNG sizes
# that the window embeds. The build itself needs only the PNGs, so run this
# after changing the drawing. Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../ui/window/icons"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" torvex.svg -o "torvex-$size.png"
done
echo "Rendered torvex-{16,24,32,48,64,128,256}.png"
