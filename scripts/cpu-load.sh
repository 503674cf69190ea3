#!/usr/bin/env bash
# How much of one core the real game takes while the player stands still, at
# zoom 16 and zoom 1, headless (SDL's dummy driver) and in an X window (a
# private Xvfb display), and paused (P) there. The figures in the README come
# from this script.
#
#   scripts/cpu-load.sh [GAME_BINARY] [SECONDS]
#
# Each run starts the game, lets the camera settle, then reads the process's
# CPU time (user + system, from /proc) over SECONDS of play. Zoom 1 is
# reached by pressing keypad minus 15 times: with xdotool in the X window,
# and headless by playing a demo that does the same and then stands still.
set -uo pipefail
export LC_ALL=C

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
game=${1:-$root/build/delve}
seconds=${2:-10}
zoom_demo=$root/tests/demos/zoom-out-idle.dem
[ -x "$game" ] || { echo "cpu-load: no game binary at $game" >&2; exit 1; }

tmp=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

ticks=$(getconf CLK_TCK)
# CPU time of a process so far, in clock ticks (user + system).
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null; }

# Measures a running game: waits for it to settle, then samples SECONDS of play.
measure() { # label pid
    local label=$1 pid=$2 before after
    sleep 3
    kill -0 "$pid" 2>/dev/null || { printf '%-34s the game exited early\n' "$label"; return; }
    before=$(cpu_ticks "$pid")
    sleep "$seconds"
    after=$(cpu_ticks "$pid")
    kill -0 "$pid" 2>/dev/null || { printf '%-34s the game exited early\n' "$label"; return; }
    awk -v l="$label" -v d=$((after - before)) -v t="$ticks" -v s="$seconds" \
        'BEGIN { printf "%-34s %5.1f %% of a core\n", l, 100 * d / t / s }'
}

start_game() { # extra-args...: starts the game from the repository, prints its pid
    (cd "$root" && exec "$game" --no-settings "$@" >/dev/null 2>"$tmp/stderr") &
    echo $!
}

stop_game() {
    kill "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}

# ---- Headless -------------------------------------------------------------------

export SDL_VIDEODRIVER=dummy
pid=$(start_game)
pids+=("$pid")
measure "headless, zoom 16" "$pid"
stop_game "$pid"

if [ -f "$zoom_demo" ]; then
    pid=$(start_game --play "$zoom_demo")
    pids+=("$pid")
    measure "headless, zoom 1" "$pid"
    stop_game "$pid"
else
    printf '%-34s no demo at %s\n' "headless, zoom 1" "$zoom_demo"
fi
unset SDL_VIDEODRIVER

# ---- A real X window --------------------------------------------------------------

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "cpu-load: $tool is not installed" >&2; exit 1; }
done
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { echo "cpu-load: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$tmp/display")

pid=$(start_game)
pids+=("$pid")
win=
for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --name '^hello window$' 2>/dev/null | head -n 1)
    [ -n "$win" ] && break
    sleep 0.1
done
[ -n "$win" ] || { echo "cpu-load: no game window appeared" >&2; exit 1; }
xdotool windowfocus "$win" 2>/dev/null
measure "X window (Xvfb), zoom 16" "$pid"
for _ in $(seq 15); do
    xdotool key KP_Subtract
    sleep 0.1
done
measure "X window (Xvfb), zoom 1" "$pid"
xdotool key p
measure "X window (Xvfb), zoom 1, paused" "$pid"
stop_game "$pid"
