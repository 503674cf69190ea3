#!/usr/bin/env bash
# The console's Ctrl+C ends the Windows build as SIGINT does on Linux: the
# game, recording a demo, started from a console (a pseudo-terminal gives
# Wine's console one), exits 0 with its recording whole, which then plays to
# the same frames and state. (Wine sends no Ctrl+Break to a whole console, and
# a console's close cannot be asked for from a program: the game treats both
# as it treats Ctrl+C.) And started as by a double click, with no console and
# no standard streams at all, the game's lines go nowhere, quietly: the shipped
# demo's timedemo still ends by itself, with status 0.
#   console.sh WINDOWS_BUILD
set -u
winbuild=$(cd "$1" && pwd)
. "$(dirname "$0")/wine.sh"
scratch=$(mktemp -d "$winbuild/console.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
command -v script >/dev/null || { echo "console: no script(1) (bsdutils)" >&2; exit 1; }
win() { "$WINE" winepath -w "$1" 2>/dev/null; }
fail=0
for event in c; do
  demo=$scratch/$event.dem
  SDL_VIDEODRIVER=dummy script -qec "'$WINE' '$winbuild/console_ctrl.exe' $event 3000 '$(win "$scratch/$event.status")' \
    '$(win "$scratch/$event.out")' '$(win "$scratch/$event.err")' '$(win "$winbuild/delve.exe")' \
    --record '$(win "$demo")'" /dev/null >/dev/null 2>&1
  status=$(cat "$scratch/$event.status" 2>/dev/null)
  recorded=$(sed -n 's/^demo: \([0-9]*\) frames recorded, state \([0-9a-f]*\)$/\1 \2/p' "$scratch/$event.err" 2>/dev/null)
  if [ "$status" != "exit 0" ] || [ -z "$recorded" ]; then
    echo "console: Ctrl+$event: ${status:-no status}; the game wrote: $(cat "$scratch/$event.err" 2>/dev/null)" >&2
    fail=1
    continue
  fi
  played=$(cd "$scratch" && SDL_VIDEODRIVER=dummy "$WINE" "$winbuild/delve.exe" --timedemo "$event.dem" 2>&1 >/dev/null |
    sed -n 's/^timedemo: \([0-9]*\) frames in .* state \([0-9a-f]*\)$/\1 \2/p')
  if [ "$played" != "$recorded" ]; then
    echo "console: Ctrl+$event: recorded '$recorded' (frames, state), played back '$played'" >&2
    fail=1
    continue
  fi
  echo "console: Ctrl+$event: exit 0, the recording whole ($recorded)"
done

SDL_VIDEODRIVER=dummy "$WINE" "$winbuild/console_ctrl.exe" none 60000 "$(win "$scratch/none.status")" - - \
  "$(win "$winbuild/delve.exe")" --timedemo "$(win "$(dirname "$0")/../demos/descent.dem")" >/dev/null 2>&1
status=$(cat "$scratch/none.status" 2>/dev/null)
if [ "$status" = "exit 0" ]; then
  echo "console: with no console and no streams: the timedemo ended, exit 0"
else
  echo "console: with no console and no streams: ${status:-no status}" >&2
  fail=1
fi
exit $fail
