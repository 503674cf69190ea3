#!/usr/bin/env bash
# Runs one of the Windows build's unit test programs under Wine, from the
# build folder (the tests find resources/ there), on SDL's headless driver.
#   unit.sh WINDOWS_BUILD PROGRAM.exe
set -u
winbuild=$(cd "$1" && pwd)
. "$(dirname "$0")/wine.sh"
cd "$winbuild" || exit 1
[ -f "$2" ] || { echo "windows: no $winbuild/$2 (make windows)" >&2; exit 1; }
SDL_VIDEODRIVER=dummy exec "$WINE" "$2" --gtest_brief=1
