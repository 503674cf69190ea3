#!/usr/bin/env bash
# Makes the Wine prefix the Windows tests share, once, before any of them
# runs (a prefix made by two programs at once can come out broken).
#   prefix.sh WINDOWS_BUILD
set -u
winbuild=$(cd "$1" && pwd)
. "$(dirname "$0")/wine.sh"
[ -f "$WINEPREFIX/system.reg" ] && exit 0
"$WINE" wineboot -i >/dev/null 2>&1
"$WINESERVER" -w
[ -f "$WINEPREFIX/system.reg" ] || { echo "windows: Wine could not make its prefix in $WINEPREFIX" >&2; exit 1; }
