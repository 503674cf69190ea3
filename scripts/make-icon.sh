#!/usr/bin/env bash
# Draws the game's icon from the tile sprite: four tiles at twice their size,
# three of rock in the lit tint and one dug out in the empty tint, with the
# player's grey rectangle standing in it, 64x64.
#   scripts/make-icon.sh                 resources/delve.png, the desktop icon
#   scripts/make-icon.sh SIZE OUTPUT     the same picture at SIZE x SIZE (a whole
#                                        multiple of 64, pixels kept square), for
#                                        the browser build's installable page
# Needs ImageMagick (scripts/install-deps.sh installs it).
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-64}
out=${2:-resources/delve.png}
if [ $((size % 64)) -ne 0 ] || [ "$size" -lt 64 ]; then
    echo "make-icon.sh: SIZE must be a whole multiple of 64, not $size" >&2
    exit 2
fi
sprite=resources/tiles.png
tile() { # r g b: the sprite at 32x32, multiplied by a tint
    convert "$sprite" -crop 16x16+0+0 +repage -filter point -resize 32x32 \
        \( -size 32x32 "xc:rgb($1,$2,$3)" \) -compose multiply -composite "$4"
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
tile 240 200 200 "$tmp/rock.png"
tile 120 100 100 "$tmp/dug.png"
convert -size 64x64 xc:black \
    "$tmp/rock.png" -geometry +0+0 -composite \
    "$tmp/dug.png" -geometry +32+0 -composite \
    "$tmp/rock.png" -geometry +0+32 -composite \
    "$tmp/rock.png" -geometry +32+32 -composite \
    -fill 'rgb(130,130,130)' -draw 'rectangle 42,3 53,31' \
    -filter point -resize "${size}x${size}" \
    -strip "PNG24:$out"
identify "$out"
