#!/usr/bin/env bash
# Records tests/demos/zoomed-out.dem with the game itself: a real window on a
# private Xvfb display, played with xdotool's keys, mouse and wheel. Mostly
# zoomed out (4, 2 and 1 pixels per tile): a shaft dug with the mouse and
# fallen down far enough to shift the window, a room dug at the bottom,
# walking and jumps, then more digging at zoom 1 and 3.
#
#   record-zoomed-out.sh GAME OUT_DIR
#
# Writes OUT_DIR/zoomed-out.dem, .out (the recorded run's standard output)
# and .state (its final state digest), after checking that a headless replay
# gives the same. Played by a person's hands, as it were: every run records a
# different session, so redo it only when the game's rules change on purpose.
set -uo pipefail
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
game=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
dest=$(mkdir -p "$2" && cd "$2" && pwd)
name=zoomed-out

fail() {
    echo "record: FAIL: $*" >&2
    [ -s "$out/stderr.txt" ] && sed 's/^/  | /' "$out/stderr.txt" >&2
    exit 1
}
log() { echo "record: $*"; }

tmp=$(mktemp -d) || fail "cannot create a temporary folder"
out=$tmp
cur=$tmp/current.png
# shellcheck source=tests/e2e/lib.sh
. "$root/tests/e2e/lib.sh"

xvfb_pid= game_pid= game_status= watchdog_pid=
cleanup() {
    [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
    e2e_stop "$game_pid"
    e2e_stop "$xvfb_pid"
    rm -rf "$tmp"
}
trap cleanup EXIT

for f in "$dest/$name.dem" "$dest/$name.out" "$dest/$name.state"; do rm -f "$f"; done
e2e_start_xvfb 1024x768
(cd "$root" && exec env -u SDL_VIDEODRIVER -u SDL_RENDER_DRIVER XDG_DATA_HOME="$tmp" "$game" --no-settings \
    --record "$tmp/$name.dem" >"$tmp/stdout.txt" 2>"$tmp/stderr.txt") &
game_pid=$!
e2e_watchdog "$game_pid" "$xvfb_pid"
e2e_find_window
X= Y=
eval "$(xdotool getwindowgeometry --shell "$win")"
wx=$X wy=$Y
point() { xdotool mousemove $((wx + $1)) $((wy + $2)); }
hold() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; }
taps() { for _ in $(seq "$2"); do xdotool key "$1"; sleep 0.1; done; }
point 600 440
xdotool windowfocus "$win"
sleep 1.5 # the camera glides onto the player

# The player's rectangle on screen: sets px, py (top-left) and pw, ph.
player() {
    snap && find_rect
    [ "$rect" != none ] || return 1
    pw=${rect%%x*} ph=${rect#*x} ph=${ph%%+*}
    px=${rect#*+} py=${px#*+} px=${px%+*}
}

# Digs with the right button held at each point given as "x,y", a frame or so apiece.
dig() {
    xdotool mousedown 3
    for p in "$@"; do point "${p%,*}" "${p#*,}"; sleep 0.045; done
    xdotool mouseup 3
}

# Zoom 2 (12 keypad steps, the main row's minus key, a notch of the wheel): a
# shaft dug from the player's own tiles down, a round at a time from where its
# feet are seen, while it falls with S held. The player does not move across:
# its column is the two pixels from its left edge.
taps KP_Subtract 12
xdotool key minus
point 320 300
xdotool click 5
sleep 0.6
xdotool keydown s
for _ in $(seq "${SHAFT_ROUNDS:-5}"); do
    player || continue
    pts=()
    for y in $(seq $((py + 1)) 2 $((py + ph + 28))); do pts+=("$px,$y"); done
    dig "${pts[@]}"
done
# Zoom 1: the view's left edge is the world's, so the player's column 100 is
# the pixel at x 100, and the camera keeps its top edge near y 256. Sweeps
# down that column dig on, far enough to shift the window
# (tests/shipped_demos_test.cpp checks that it did).
xdotool key KP_Subtract
for _ in $(seq "${SWEEPS:-7}"); do
    pts=()
    for y in $(seq 256 294); do pts+=("100,$y"); done
    dig "${pts[@]}"
done
xdotool keyup s
sleep 0.5

# Zoom 4 (keypad): a room around the player where it landed, a walk and a jump in it.
taps KP_Add 3
sleep 0.5
player || fail "no player on screen"
pts=()
for y in $((py - 8)) $((py - 4)) "$py" $((py + 4)); do
    for x in $(seq $((px - 20)) 4 $((px + 24))); do pts+=("$((x + 2)),$((y + 1))"); done
done
dig "${pts[@]}"
hold d 0.5
hold a 0.7
hold w 0.15
sleep 0.5

# Zoom 1 (keypad): walking both ways, a jump, digging about the player.
taps KP_Subtract 3
sleep 0.5
hold a 0.6
hold d 0.8
hold w 0.15
sleep 0.4
# The player is under a pixel wide here, so not drawn; the view's left edge is
# the world's, so it stands about its column's number of pixels across.
px=100 py=256
pts=()
for i in $(seq 0 30); do pts+=("$((px - 15 + i)),$((py - 3 + i % 7))"); done
dig "${pts[@]}"
hold v 0.1
# Zoom 3 and back to 1, standing, then the end.
taps KP_Add 2
sleep 0.8
hold d 0.5
taps minus 2
sleep 1.5
e2e_escape_exits

line=$(tail -n 1 "$tmp/stderr.txt")
[[ $line =~ ^demo:\ ([0-9]+)\ frames\ recorded,\ state\ ([0-9a-f]{16})$ ]] || fail "no recording line: $line"
log "$line"
cp "$tmp/$name.dem" "$dest/$name.dem"
cp "$tmp/stdout.txt" "$dest/$name.out"
echo "${BASH_REMATCH[2]}" >"$dest/$name.state"
bash "$here/check-demo.sh" "$game" "$dest/$name" || fail "the recording does not replay to its own state and output"
