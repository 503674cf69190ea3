#!/usr/bin/env bash
# The game on a desktop: a real window under a window manager (openbox) in a
# private Xvfb display, driven with xdotool and read back with ImageMagick.
# Checks --scale 2, digging through the scaled view, the main-row zoom keys and
# the wheel, P (pause) and F1 (the controls), F12 screenshots, F11 and
# Alt+Enter fullscreen and back, resizing (the frame re-centred between black
# bars, and shrunk), Escape, and a window that comes back as it was left.
#
#   desktop.sh [REPO_ROOT] [GAME_BINARY]
#
# The game starts in a scratch working folder (it finds its tiles beside the
# binary), where F12 writes. Screenshots and output land in ./e2e-desktop.
set -uo pipefail
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "${1:-$here/../..}" && pwd)
game=$(realpath "${2:-$root/build/delve}")
out=$PWD/e2e-desktop
screen_w=1600
screen_h=1200

started=$SECONDS
log() { echo "e2e-desktop [$((SECONDS - started))s]: $*"; }

fail() {
    echo "e2e-desktop: FAIL: $*" >&2
    [ -f "${cur:-}" ] && cp "$cur" "$out/failed.png" && echo "e2e-desktop: last screenshot: $out/failed.png" >&2
    [ -s "$out/stderr.txt" ] && { echo "e2e-desktop: game stderr:" >&2; sed 's/^/  | /' "$out/stderr.txt" >&2; }
    exit 1
}

# shellcheck source=tests/e2e/lib.sh
. "$here/lib.sh"

for tool in Xvfb openbox xdotool xprop xwininfo import convert identify; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh installs it)"
done
[ -x "$game" ] || fail "no game binary at $game"

mkdir -p "$out" || fail "cannot create $out"
rm -rf "$out"/*.png "$out"/*.txt "$out"/*.log "$out/work"
work=$out/work
mkdir -p "$work"
tmp=$(mktemp -d) || fail "cannot create a temporary folder"
cur=$out/current.png
# The game's settings file goes here, fresh, not to the player's folder.
export XDG_DATA_HOME=$tmp/data
settings=$XDG_DATA_HOME/delve/settings.ini

xvfb_pid= wm_pid= game_pid= game_status= watchdog_pid=

cleanup() {
    [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
    [ -n "$game_pid" ] && pkill -P "$game_pid" 2>/dev/null  # the game of a pipeline
    e2e_stop "$game_pid"
    e2e_stop "$wm_pid"
    e2e_stop "$xvfb_pid"
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'echo "e2e-desktop: interrupted" >&2; exit 1' INT TERM HUP

e2e_start_xvfb "${screen_w}x${screen_h}"

# A window manager, for fullscreen and for resizes the way a desktop makes them.
openbox --sm-disable >"$out/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    kill -0 "$wm_pid" 2>/dev/null || fail "openbox exited at start: $(tail -n 5 "$out/openbox.log")"
    sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || fail "openbox did not start within 10s"
log "private display $DISPLAY with openbox"

(cd "$work" && exec env -u SDL_VIDEODRIVER -u SDL_RENDER_DRIVER "$game" --scale 2 \
    >"$out/stdout.txt" 2>"$out/stderr.txt") &
game_pid=$!
e2e_watchdog "$game_pid" "$wm_pid" "$xvfb_pid"

# ---- The window, screenshots and pixels ----------------------------------------

win=
wx=0 wy=0 ww=0 wh=0
seen="nothing yet"

# Reads the window's place and size on the screen. (xdotool's geometry counts
# a window manager's frame twice; xwininfo gives the inside's true place.)
geometry() {
    local info
    info=$(xwininfo -id "$win" 2>/dev/null) || return 1
    wx=$(awk '/Absolute upper-left X:/ { print $NF }' <<<"$info")
    wy=$(awk '/Absolute upper-left Y:/ { print $NF }' <<<"$info")
    ww=$(awk '/^ *Width:/ { print $NF }' <<<"$info")
    wh=$(awk '/^ *Height:/ { print $NF }' <<<"$info")
    [ -n "$wx" ] && [ -n "$wy" ] && [ -n "$ww" ] && [ -n "$wh" ]
}

# The player's rectangle, w x h, with its top-left corner within `slack`
# pixels of (x, y), in a window of the size expected.
player_at() { # w h x y slack window-w window-h
    geometry || { seen="no geometry"; return 1; }
    find_rect
    seen="window ${ww}x${wh}; player rectangle $rect ($rect_fill grey pixels)"
    [ "$ww" = "$6" ] && [ "$wh" = "$7" ] || return 1
    [ "$rect" != none ] && [ "${rect%%+*}" = "${1}x${2}" ] && [ "$rect_fill" -eq $(($1 * $2)) ] || return 1
    local x=${rect#*+} y
    y=${x#*+}
    x=${x%+*}
    [ $((x - $3)) -ge -"$5" ] && [ $((x - $3)) -le "$5" ] && [ $((y - $4)) -ge -"$5" ] && [ $((y - $4)) -le "$5" ]
}

# Pure black at each listed window pixel: the bars.
black_at() { # x,y ...
    local p v
    for p in "$@"; do
        v=$(pixels "${p%,*}" "${p#*,}" 1 1 | awk '{ print $3 + $4 + $5 }')
        seen="$seen; pixel ($p) sums to ${v:-nothing}"
        [ "$v" = 0 ] || return 1
    done
}

# The brightest green of a tile's square, the player left out: empty tiles
# never exceed 99, lit rock beside the player does.
tile_g() { # x y side
    pixels "$1" "$2" "$3" "$3" | awk '!($3 == 130 && $4 == 130 && $5 == 130) && $4 >= g { g = $4 } END { print g + 0 }'
}
tile_is_empty() { local g; g=$(tile_g "$@"); seen="tile at ($1,$2) side $3: green $g"; [ "$g" -le 99 ] && [ "$g" -gt 0 ]; }
tile_is_solid() { local g; g=$(tile_g "$@"); seen="tile at ($1,$2) side $3: green $g"; [ "$g" -gt 99 ]; }


# The current screenshot is exactly the picture kept as $1, or differs from it.
same_as() { # name
    local ae
    ae=$(compare -metric AE "$cur" "$out/$1.png" null: 2>&1)
    seen="$ae pixels differ from $1"
    [ "$ae" = 0 ]
}
differs_from() { # name
    local ae
    ae=$(compare -metric AE "$cur" "$out/$1.png" null: 2>&1)
    seen="$ae pixels differ from $1"
    [ "$ae" != 0 ]
}

point() { xdotool mousemove $((wx + $1)) $((wy + $2)); }
focus() { xdotool windowactivate "$win" 2>/dev/null; xdotool windowfocus "$win" 2>/dev/null; }

# ---- 1. --scale 2 opens 1280x960 with the player doubled --------------------------

e2e_find_window
focus
geometry || fail "cannot read the window's geometry"
[ "$ww" = 1280 ] && [ "$wh" = 960 ] || fail "--scale 2 opened a ${ww}x${wh} window, expected 1280x960"
point 1200 900
# 12x28 at (320,256) in the frame is 24x56 at (640,512) in the window.
until_ok 30 "the player doubled, 24x56 at (640,512)" player_at 24 56 640 512 2 1280 960
keep 01-scale2
log "--scale 2: window 1280x960, player $rect"

# ---- 2. Digging at 2x empties the tile under the cursor -------------------------
#   The frame tile right of the player's, at (336,256), is 32x32 at (672,512).
tile_is_solid 672 512 32 || fail "before digging, rock beside the player: $seen"
point 688 528
xdotool mousedown 3
until_ok 10 "the tile under the cursor at (688,528) dug out" tile_is_empty 672 512 32
xdotool mouseup 3
point 1200 900
tile_is_solid 704 512 32 || fail "the next tile was dug too: $seen"
keep 02-dug
log "dig: the 32x32 tile under the cursor emptied, its neighbour kept"
#   A click with no time between press and release, as a touchpad tap makes,
#   digs the next tile just as well, and only that one.
point 720 528
xdotool click 3
until_ok 10 "a zero-length click at (720,528) dug its tile" tile_is_empty 704 512 32
point 1200 900
tile_is_solid 736 512 32 || fail "the zero-length click dug the tile after it too: $seen"
log "dig: a zero-length click emptied its tile"

# ---- 3. Zoom with - and = and the wheel ----------------------------------------
#   13x30 at 17 pixels per tile, doubled.
zoom() { # xdotool-args... then description and the player's w h
    local what=$1 w=$2 h=$3
    shift 3
    xdotool "$@"
    until_ok 20 "$what: the player ${w}x$h at rest" player_at "$w" "$h" 640 512 2 1280 960
}
zoom "= zooms in" 26 60 key equal
zoom "- zooms out" 24 56 key minus
point 1200 900
zoom "a wheel notch up zooms in" 26 60 click 4
zoom "a wheel notch down zooms out" 24 56 click 5
log "zoom: =, -, wheel up and down each one step"

# ---- 3b. P pauses, F1 shows the controls over the paused picture and takes them away exactly ----
#   Playing, the spinner turns every frame; paused, nothing moves.
snap && keep 06-playing
sleep 0.3
until_ok 5 "frames change while playing" differs_from 06-playing
xdotool key p
sleep 0.5
snap && keep 07-paused
sleep 0.6
until_ok 1 "paused: the picture stands still" same_as 07-paused
xdotool key F1
until_ok 10 "F1: the controls over the paused picture" differs_from 07-paused
sleep 0.3
snap && keep 08-controls
# The panel is dark with light text: at 2x, column 72 (frame 36) is the keys' column.
lit=$(pixels 72 230 300 400 | awk '$3 + $4 + $5 > 600 { n++ } END { print n + 0 }')
[ "$lit" -gt 500 ] || fail "F1: no light text on the panel ($lit light pixels)"
xdotool key F1
until_ok 10 "F1 again: the paused picture exactly as before" same_as 07-paused
xdotool key p
until_ok 10 "P again: play goes on" differs_from 07-paused
log "P: the picture stood still; F1 showed the controls ($lit light pixels) and F1 again gave back the exact picture"

# ---- 4. F12 writes the frame, 640x480, and names it on standard error -----------
xdotool key F12
end=$((SECONDS + 10))
until [ -s "$work/screenshot000.png" ] && grep -q 'screenshot000.png' "$out/stderr.txt"; do
    [ "$SECONDS" -lt "$end" ] || fail "F12 wrote no screenshot000.png within 10s (work folder: $(ls "$work"))"
    sleep 0.1
done
sleep 0.3
shot=$(identify -format '%wx%h' "$work/screenshot000.png" 2>&1)
[ "$shot" = 640x480 ] || fail "the F12 screenshot is $shot, expected 640x480"
[ "$(grep -c . "$out/stderr.txt")" = 1 ] &&
    grep -qx 'delve: screenshot saved as screenshot000.png' "$out/stderr.txt" ||
    fail "standard error after F12: $(cat "$out/stderr.txt")"
log "F12: screenshot000.png, 640x480"

# ---- 5. F11 and Alt+Enter: fullscreen and back ----------------------------------
#   The 1600x1200 screen takes 2x: 1280x960 at (160,120).
for keys in F11 alt+Return; do
    xdotool key "$keys"
    until_ok 15 "$keys: fullscreen, the frame centred at 2x" player_at 24 56 $((160 + 640)) $((120 + 512)) 2 \
        $screen_w $screen_h
    black_at 80,600 1520,600 800,60 800,1140 || fail "$keys: no black bars around the frame: $seen"
    keep "03-fullscreen-$keys"
    xdotool key "$keys"
    until_ok 15 "$keys again: back to 1280x960" player_at 24 56 640 512 2 1280 960
done
focus
log "F11 and Alt+Enter: fullscreen and back to 1280x960"

# ---- 6. Resizing re-centres the frame, and shrinks it below its size --------------
xdotool windowsize "$win" 1400 1000
until_ok 15 "resized to 1400x1000: 2x at (60,20)" player_at 24 56 $((60 + 640)) $((20 + 512)) 2 1400 1000
black_at 30,500 1370,500 700,10 700,990 || fail "1400x1000: no black bars: $seen"
keep 04-resized
xdotool windowsize "$win" 320 240
until_ok 15 "resized to 320x240: the frame at half size" player_at 6 14 160 128 1 320 240
keep 05-shrunk
log "resize: 1400x1000 centred between bars, 320x240 shrunk"

# ---- 7. Escape exits with status 0 -------------------------------------------------
focus
e2e_escape_exits
[ "$(grep -c . "$out/stderr.txt")" = 1 ] || fail "unexpected lines on standard error: $(cat "$out/stderr.txt")"
odd=$(grep -v -E '^(stopping!!|-?[0-9]+ -?[0-9]+)$' "$out/stdout.txt" | head -n 5)
[ -z "$odd" ] || fail "unexpected lines on standard output: $odd"
log "Escape: status 0"

# ---- 8. --scale 3 on this 1600x1200 screen, recording, into a pipe closed early ----
#   1920x1440 would not fit: the game takes 2x and says so. Its debug lines go
#   to `head -n 1`, which leaves after the first; the game plays on and the
#   recording ends whole.
game_status=
(
    cd "$work" || exit 1
    env -u SDL_VIDEODRIVER -u SDL_RENDER_DRIVER "$game" --scale 3 --record "$work/piped.dem" 2>"$out/stderr-piped.txt" |
        head -n 1 >"$out/head.txt"
    echo "${PIPESTATUS[0]}" >"$out/piped-status.txt"
) &
game_pid=$!
e2e_find_window
focus
until_ok 30 "--scale 3 on a 1600x1200 screen: 1280x960" player_at 24 56 640 512 2 1280 960
grep -qx 'delve: a 1920x1440 window does not fit the 1600x1200 screen; using --scale 2 (1280x960)' \
    "$out/stderr-piped.txt" || fail "no line naming the scale used: $(cat "$out/stderr-piped.txt")"
xdotool keydown v
end=$((SECONDS + 15))
until [ -s "$out/head.txt" ] && ! pgrep -x head -P "$game_pid" >/dev/null; do
    [ "$SECONDS" -lt "$end" ] || { xdotool keyup v; fail "head read no line within 15s"; }
    sleep 0.1
done
sleep 0.5  # more debug lines meet the closed pipe
xdotool keyup v
alive || fail "the game ended when its pipe closed (status $(cat "$out/piped-status.txt" 2>/dev/null))"
e2e_escape_exits
[ "$(cat "$out/piped-status.txt")" = 0 ] || fail "the piped game exited with status $(cat "$out/piped-status.txt")"
[ "$(cat "$out/head.txt")" = "stopping!!" ] || fail "head read: $(cat "$out/head.txt")"
summary=$(grep '^demo: ' "$out/stderr-piped.txt") || fail "no recording summary: $(cat "$out/stderr-piped.txt")"
played=$(SDL_VIDEODRIVER=dummy "$game" --timedemo "$work/piped.dem" 2>&1 >/dev/null)
[ "$(cut -d' ' -f2 <<<"$summary")" = "$(cut -d' ' -f2 <<<"$played")" ] &&
    [ "${summary##*state }" = "${played##*state }" ] ||
    fail "the recording does not play back whole: recorded '$summary', played '$played'"
log "--scale 3: 2x with a line saying so; a closed pipe left the game and its recording whole ($summary)"

# ---- 9. The window comes back as it was left ---------------------------------------
#   The piped game ended at 1280x960; --scale 3 won over the settings then.
[ -s "$settings" ] || fail "no settings file at $settings"
grep -qx 'width=1280' "$settings" && grep -qx 'height=960' "$settings" ||
    fail "the settings do not hold the last window: $(cat "$settings")"
start_plain() {
    game_status=
    (cd "$work" && exec env -u SDL_VIDEODRIVER -u SDL_RENDER_DRIVER "$game" "$@" \
        >"$out/stdout-next.txt" 2>"$out/stderr-next.txt") &
    game_pid=$!
    e2e_find_window
    focus
}
start_plain
until_ok 30 "the next start at 1280x960, as left" player_at 24 56 640 512 2 1280 960
xdotool windowsize "$win" 1000 700
until_ok 15 "resized to 1000x700" player_at 12 28 $((180 + 320)) $((110 + 256)) 1 1000 700
#   Moved away from where the window manager first put it: the place kept is
#   where the player left it.
geometry
placed_at="$wx,$wy"
xdotool windowmove "$win" 310 170
end=$((SECONDS + 10))
while geometry && [ "$wx,$wy" = "$placed_at" ]; do
    [ "$SECONDS" -lt "$end" ] || fail "the window did not move from $placed_at"
    sleep 0.1
done
sleep 0.3
geometry
left_at="$wx,$wy"
#   Escape quits while paused too.
xdotool key p
sleep 0.3
e2e_escape_exits
grep -qx 'width=1000' "$settings" && grep -qx 'height=700' "$settings" ||
    fail "the settings do not hold the resized window: $(cat "$settings")"
start_plain
until_ok 30 "the next start at 1000x700, as left" player_at 12 28 $((180 + 320)) $((110 + 256)) 1 1000 700
keep 09-restored
[ $((wx - ${left_at%,*})) -ge -2 ] && [ $((wx - ${left_at%,*})) -le 2 ] && [ $((wy - ${left_at#*,})) -ge -2 ] &&
    [ $((wy - ${left_at#*,})) -le 2 ] || fail "the window left at $left_at came back at $wx,$wy"
log "the window came back at 1000x700, at $wx,$wy (left at $left_at)"
#   A broken file: one warning, the defaults; --no-settings reads nothing and writes nothing.
e2e_escape_exits
echo "not a settings file" >"$settings"
start_plain
until_ok 30 "a broken settings file: the default 640x480" player_at 12 28 320 256 1 640 480
grep -q "^delve: ignoring the settings in $settings: " "$out/stderr-next.txt" && [ "$(grep -c . "$out/stderr-next.txt")" = 1 ] ||
    fail "a broken settings file: $(cat "$out/stderr-next.txt")"
e2e_escape_exits
grep -qx 'width=640' "$settings" || fail "the broken file was not replaced: $(cat "$settings")"
echo "still not a settings file" >"$settings"
start_plain --no-settings
until_ok 30 "--no-settings: 640x480" player_at 12 28 320 256 1 640 480
xdotool windowsize "$win" 800 600
until_ok 15 "--no-settings resized to 800x600" player_at 12 28 400 316 1 800 600
e2e_escape_exits
[ ! -s "$out/stderr-next.txt" ] || fail "--no-settings read the file: $(cat "$out/stderr-next.txt")"
[ "$(cat "$settings")" = "still not a settings file" ] || fail "--no-settings wrote the file"
log "settings: a broken file warned once and was replaced; --no-settings left it alone"

rm -f "$cur"
log "passed in $((SECONDS - started))s; screenshots in $out"
