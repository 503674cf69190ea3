#!/usr/bin/env bash
# `cmake --install` of a build into a scratch prefix: the game in bin/, the
# tiles under share/delve/, a desktop entry that desktop-file-validate passes
# and the icon; the installed game, started from an unrelated folder, finds its
# tiles (it warns on standard error when it does not) and closes cleanly.
#
#   install_tree.sh BUILD_FOLDER
set -uo pipefail
build=$(cd "$1" && pwd)
fail() { echo "install_tree: FAIL: $*" >&2; exit 1; }

tmp=$(mktemp -d) || fail "no scratch folder"
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 || fail "cmake --install: $(cat "$tmp/install.log")"

for f in bin/delve share/delve/resources/tiles.png share/delve/resources/DejaVuSans.ttf share/applications/delve.desktop \
         share/icons/hicolor/64x64/apps/delve.png share/man/man6/delve.6.gz share/doc/delve/copyright \
         share/doc/delve/changelog.gz; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done

# The manual page reads without a complaint from the formatter, names this
# version and where this tree keeps its tiles, and has the sections a player
# looks for.
page=$prefix/share/man/man6/delve.6.gz
MANWIDTH=250 man -l --warnings "$page" >"$tmp/man.txt" 2>"$tmp/man.err" || fail "man -l failed: $(cat "$tmp/man.err")"
[ ! -s "$tmp/man.err" ] || fail "man -l warns: $(cat "$tmp/man.err")"
for want in "DELVE(6)" "delve $("$build/delve" --version | cut -d' ' -f2)" SYNOPSIS OPTIONS KEYS FILES ENVIRONMENT \
            "EXIT STATUS" EXAMPLES -- "--timedemo FILE" "share/delve/resources/tiles.png" SDL_VIDEODRIVER; do
    [ "$want" = -- ] && continue
    grep -qF -- "$want" "$tmp/man.txt" || fail "the manual page lacks '$want'"
done
# The command line has no option the manual leaves out.
for option in $("$build/delve" --help | grep -oE -- '--[a-z]+' | sort -u); do
    grep -qF -- "$option" "$tmp/man.txt" || fail "the manual page lacks $option"
done
zcat "$prefix/share/doc/delve/changelog.gz" | head -n 1 | grep -q "^delve (" || fail "the changelog has no entry"
[ -x "$prefix/bin/delve" ] || fail "bin/delve is not executable"
cmp -s "$prefix/share/delve/resources/tiles.png" "$(dirname "$0")/../../resources/tiles.png" ||
    fail "the installed tiles differ from resources/tiles.png"
cmp -s "$prefix/share/delve/resources/DejaVuSans.ttf" "$(dirname "$0")/../../resources/DejaVuSans.ttf" ||
    fail "the installed font differs from resources/DejaVuSans.ttf"
[ "$(identify -format '%wx%h' "$prefix/share/icons/hicolor/64x64/apps/delve.png")" = 64x64 ] ||
    fail "the icon is not 64x64"
desktop-file-validate "$prefix/share/applications/delve.desktop" || fail "the desktop entry does not validate"
grep -qx 'Exec=delve' "$prefix/share/applications/delve.desktop" || fail "the desktop entry does not start delve"
grep -qx 'Icon=delve' "$prefix/share/applications/delve.desktop" || fail "the desktop entry names no delve icon"

# No tiles in the working folder nor beside the executable: only the data folder has them.
mkdir "$tmp/elsewhere"
version=$("$prefix/bin/delve" --version)
[[ $version =~ ^delve\ [0-9]+\.[0-9]+\.[0-9]+$ ]] && [ "$version" = "$("$build/delve" --version)" ] ||
    fail "the installed game prints '$version' for its version"
(cd "$tmp/elsewhere" && SDL_VIDEODRIVER=dummy SDL_RENDER_DRIVER=software \
    timeout --preserve-status -s TERM 2 "$prefix/bin/delve" >"$tmp/out" 2>"$tmp/err")
status=$?
[ "$status" -eq 0 ] || fail "the installed game exited with status $status: $(cat "$tmp/err")"
[ ! -s "$tmp/err" ] || fail "the installed game complained: $(cat "$tmp/err")"
[ ! -s "$tmp/out" ] || fail "the installed game wrote to standard output: $(head -n 3 "$tmp/out")"
echo "install_tree: passed (prefix $prefix)"
