#!/usr/bin/env bash
# Draws resources/delve.png, the 64x64 desktop icon, from the tile sprite: four
# tiles at twice their size, three of rock in the lit tint and one dug out in
# the empty tint, with the player's grey rectangle standing in it.
# Needs ImageMagick (scripts/install-deps.sh installs it).
set -euo pipefail
cd "$(dirname "$0")/.."
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
    -strip PNG24:resources/delve.png
identify resources/delve.png
