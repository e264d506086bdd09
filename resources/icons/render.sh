#!/bin/sh
# Renders the program icon into the hicolor tree under this folder. Sizes with a hand-tuned
# source in src/ (quadrivo-N.svg, drawn on that size's pixel grid) use it; the others are
# scaled from quadrivo.svg, whose edges fall on whole pixels at 32, 64, 128 and 256.
# Needs rsvg-convert (Debian: librsvg2-bin). Run from anywhere: resources/icons/render.sh
set -eu
cd "$(dirname "$0")"
command -v rsvg-convert >/dev/null || { echo "render.sh: needs rsvg-convert (apt-get install librsvg2-bin)" >&2; exit 1; }
APP=org.quadrivo.Quadrivo
for n in 16 22 24 32 48 64 128 256; do
    src=quadrivo.svg
    [ -f "src/quadrivo-$n.svg" ] && src="src/quadrivo-$n.svg"
    mkdir -p "hicolor/${n}x${n}/apps"
    rsvg-convert -w "$n" -h "$n" "$src" -o "hicolor/${n}x${n}/apps/$APP.png"
    echo "${n}x${n}: $src"
done
mkdir -p hicolor/scalable/apps
cp quadrivo.svg "hicolor/scalable/apps/$APP.svg"
echo "scalable: quadrivo.svg"
