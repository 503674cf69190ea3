#!/usr/bin/env bash
# Builds the Debian package as `make package` does (scripts/package.sh, in
# PACKAGE_FOLDER) and checks what it holds and what it depends on: the game,
# the tiles, the desktop entry and the icon under /usr, and the SDL2 runtime
# libraries the game links.
#
#   package_deb.sh REPO_ROOT PACKAGE_FOLDER
set -uo pipefail
root=$(cd "$1" && pwd)
fail() { echo "package_deb: FAIL: $*" >&2; exit 1; }

deb=$(bash "$root/scripts/package.sh" "$2" 2>"$2.log" | tail -n 1)
[ -n "$deb" ] && [ -f "$deb" ] || fail "no package built: $(tail -n 20 "$2.log")"
echo "package_deb: $deb"

files=$(dpkg-deb -c "$deb" | awk '{ print $NF }') || fail "dpkg-deb cannot list $deb"
for f in ./usr/bin/delve ./usr/share/delve/resources/tiles.png ./usr/share/delve/resources/DejaVuSans.ttf \
         ./usr/share/applications/delve.desktop \
         ./usr/share/icons/hicolor/64x64/apps/delve.png ./usr/share/man/man6/delve.6.gz \
         ./usr/share/doc/delve/copyright ./usr/share/doc/delve/changelog.gz; do
    grep -qx -- "$f" <<<"$files" || fail "the package lacks $f; it holds:"$'\n'"$files"
done
mode=$(dpkg-deb -c "$deb" | awk '$NF == "./usr/bin/delve" { print $1 }')
[ "${mode:3:1}" = x ] || fail "usr/bin/delve is not executable ($mode)"

[ "$(dpkg-deb -f "$deb" Package)" = delve ] || fail "the package is not named delve"
depends=$(dpkg-deb -f "$deb" Depends)
echo "package_deb: Depends: $depends"
for lib in libsdl2-2.0-0 libxxhash0; do
    grep -Eq "(^|, )$lib( |,|$)" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
# Images and text are the game's own (stb and the shipped font): no image,
# font or font-finding library is needed to play.
for lib in libsdl2-image-2.0-0 libsdl2-ttf-2.0-0 libfontconfig1; do
    if grep -Eq "(^|, )$lib( |,|$)" <<<"$depends"; then fail "Depends names $lib, which the game no longer uses: $depends"; fi
done
# Development packages are for building, never for playing.
if grep -q -- '-dev' <<<"$depends"; then fail "Depends names a development package: $depends"; fi
echo "package_deb: passed"
