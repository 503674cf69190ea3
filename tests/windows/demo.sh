#!/usr/bin/env bash
# The shipped demo played by the Windows build under Wine against the Linux
# build, in the same run: --timedemo ends in the recorded state digest with
# the recorded standard output (tests/demos/check-demo.sh), and --play, paced
# at 30 frames a second, writes the same standard output byte for byte. Both
# builds' timedemo lines are printed, for the README's figures.
#   demo.sh WINDOWS_BUILD LINUX_GAME DEMO   (DEMO without its extension)
set -u
winbuild=$(cd "$1" && pwd)
linux=$2
demo=$3
. "$(dirname "$0")/wine.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail=0

# check-demo.sh runs a program by one name: this one starts the game under Wine.
printf '#!/bin/sh\nexec "%s" "%s" "$@"\n' "$WINE" "$winbuild/delve.exe" >"$scratch/delve-wine"
chmod +x "$scratch/delve-wine"
check=$(dirname "$0")/../demos/check-demo.sh
wine_line=$(bash "$check" "$scratch/delve-wine" "$demo" 2>&1) || fail=1
linux_line=$(bash "$check" "$linux" "$demo" 2>&1)
echo "windows (Wine): $wine_line"
echo "linux:          $linux_line"

SDL_VIDEODRIVER=dummy "$WINE" "$winbuild/delve.exe" --play "$demo.dem" >"$scratch/play.out" 2>"$scratch/play.err"
status=$?
if [ "$status" -ne 0 ]; then
  echo "windows: --play exited with status $status: $(cat "$scratch/play.err")" >&2
  fail=1
fi
if ! cmp -s "$scratch/play.out" "$demo.out"; then
  echo "windows: --play's standard output differs from the recorded run's:" >&2
  diff "$demo.out" "$scratch/play.out" | head -n 20 >&2
  fail=1
fi
[ "$fail" -eq 0 ] && echo "windows: --play wrote the recorded standard output, $(wc -c <"$demo.out") bytes"
exit $fail
