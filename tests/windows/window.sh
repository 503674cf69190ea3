#!/usr/bin/env bash
# The Windows build in a real window under Wine, on a private Xvfb display,
# played with xdotool and read back with ImageMagick (tests/e2e/lib.sh): the
# window is "hello window", 640x480; a right click empties the tile beside the
# player; D held moves the player (the view follows it); F12 writes a
# 640x480 PNG; Escape exits 0; a second start opens the window where the
# first one left it, from the settings file in the prefix's %APPDATA%.
# Screenshots and the game's output land in ./e2e-windows.
#   window.sh REPO_ROOT WINDOWS_BUILD
set -uo pipefail
export LC_ALL=C
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$1" && pwd)
winbuild=$(cd "$2" && pwd)
out=$PWD/e2e-windows

started=$SECONDS
log() { echo "windows [$((SECONDS - started))s]: $*"; }
fail() {
    echo "windows: FAIL: $*" >&2
    [ -f "${cur:-}" ] && cp "$cur" "$out/failed.png" && echo "windows: last screenshot: $out/failed.png" >&2
    [ -s "$out/stderr.txt" ] && sed 's/^/  | /' "$out/stderr.txt" >&2
    exit 1
}
. "$here/wine.sh"
. "$root/tests/e2e/lib.sh"
for tool in Xvfb xdotool import convert compare identify; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-windows-deps.sh installs it)"
done
[ -f "$winbuild/delve.exe" ] || fail "no $winbuild/delve.exe (make windows)"

mkdir -p "$out" || fail "cannot create $out"
rm -f "$out"/*.png "$out"/*.txt
tmp=$(mktemp -d) || fail "cannot create a temporary folder"
cur=$out/current.png
xvfb_pid= game_pid= game_status= watchdog_pid= win=
cleanup() {
    [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
    e2e_stop "$game_pid"
    # Wine's own helpers drew on this display: they end with it.
    "$WINESERVER" -k 2>/dev/null
    e2e_stop "$xvfb_pid"
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'echo "windows: interrupted" >&2; exit 1' INT TERM HUP

# Wine's helpers left running by the tests before (its desktop, bound to
# no display) would keep this one from opening a window.
"$WINESERVER" -k 2>/dev/null
"$WINESERVER" -w 2>/dev/null
settings=$(wine_settings)
[ -n "$settings" ] && rm -f "$settings"
e2e_start_xvfb 1024x768
log "private display $DISPLAY"

# Starts the game from the output folder (F12's screenshots land there); its
# data is found beside the program.
start_game() {
    game_status=
    (cd "$out" && exec env -u SDL_VIDEODRIVER -u SDL_RENDER_DRIVER "$WINE" "$winbuild/delve.exe" \
        >>"$out/stdout.txt" 2>>"$out/stderr.txt") &
    game_pid=$!
    e2e_watchdog "$game_pid" "$xvfb_pid"
    e2e_find_window
    X= Y= WIDTH= HEIGHT=
    eval "$(xdotool getwindowgeometry --shell "$win")"
    [ "$WIDTH" = 640 ] && [ "$HEIGHT" = 480 ] || fail "the window is ${WIDTH}x${HEIGHT}, expected 640x480"
}
point() { xdotool mousemove $((X + $1)) $((Y + $2)); }

# The player, 12x28, at rest where the camera puts it: (320,256), give or take a pixel.
at_rest() {
    find_rect
    seen="player rectangle $rect"
    case $rect in 12x28+31[9]+25[5-7] | 12x28+32[01]+25[5-7]) return 0 ;; esac
    return 1
}
# The brightest green in the middle of a 16x16 tile (the player's grey left
# out): an empty tile never shows more than 99, lit rock beside the player does.
tile_g() { # x y
    pixels $(($1 + 3)) $(($2 + 3)) 10 10 |
        awk '!($3 == 130 && $4 == 130 && $5 == 130) && $4 > g { g = $4 } END { print g + 0 }'
}
tile_empty() { local g; g=$(tile_g "$@"); seen="tile at ($1,$2): green $g"; [ "$g" -le 99 ]; }
# The view below the spinner's corner, for comparing two screenshots.
view() { convert "$cur" -alpha off -crop 640x440+0+40 +repage "$1"; }
differing() { compare -metric AE "$1" "$2" null: 2>&1 | awk '{ print int($1) }'; }

# ---- First start ----------------------------------------------------------------

start_game
log "window $win: 640x480 at ($X,$Y), titled \"hello window\""
point 600 440
xdotool windowfocus "$win"
until_ok 30 "the player at rest at (320,256)" at_rest
[ "$(identify -format '%wx%h' "$cur")" = 640x480 ] || fail "the window's picture is not 640x480"
keep 01-start

g=$(tile_g 336 256)
[ "$g" -gt 99 ] || fail "the tile beside the player is not lit rock before digging (green $g)"
point 344 264
xdotool click 3
until_ok 10 "the tile beside the player emptied by a right click" tile_empty 336 256
keep 02-dug
log "right click: the tile at (336,256) emptied (green $g, then $(tile_g 336 256))"

# Room to walk: the player's own two tiles and the one below the first dug.
for p in "334 264" "334 280" "344 280"; do
    point $p
    xdotool click 3
    sleep 0.2
done
point 600 440
sleep 1
until_ok 20 "the player at rest in the dug room" at_rest
view "$tmp/before.png"
# Left alone, the view at rest stays as it is (but for the spinner's corner).
sleep 0.5
snap || fail "cannot read the window back"
view "$tmp/still.png"
still=$(differing "$tmp/before.png" "$tmp/still.png")
[ "$still" -le 50 ] || fail "the view at rest changed in $still pixels with no input"
xdotool keydown d
sleep 1
xdotool keyup d
sleep 1
until_ok 20 "the player at rest after walking" at_rest
view "$tmp/after.png"
moved=$(differing "$tmp/before.png" "$tmp/after.png")
keep 03-walked
[ "$moved" -ge 2000 ] || fail "D held did not move the player: the view changed in only $moved pixels"
log "D held: the view followed the player ($moved pixels changed; $still at rest)"

xdotool key F12
for _ in $(seq 100); do [ -s "$out/screenshot000.png" ] && break; sleep 0.1; done
[ -s "$out/screenshot000.png" ] || fail "F12 wrote no screenshot000.png in the working folder"
sleep 0.5
[ "$(identify -format '%m %wx%h' "$out/screenshot000.png")" = "PNG 640x480" ] ||
    fail "F12's screenshot is $(identify -format '%m %wx%h' "$out/screenshot000.png"), expected a 640x480 PNG"
grep -qx 'delve: screenshot saved as screenshot000.png' "$out/stderr.txt" || fail "F12 did not name its file"
log "F12: screenshot000.png, a 640x480 PNG"

xdotool windowmove "$win" 50 60
for _ in $(seq 50); do
    eval "$(xdotool getwindowgeometry --shell "$win")"
    [ "$X,$Y" = 50,60 ] && break
    sleep 0.1
done
[ "$X,$Y" = 50,60 ] || fail "the window could not be moved to (50,60); it is at ($X,$Y)"
xdotool windowfocus "$win"
e2e_escape_exits
log "Escape: exit status 0"

settings=$(wine_settings)
[ -n "$settings" ] || fail "no settings.ini under the prefix's AppData"
printf 'width=640\nheight=480\nx=50\ny=60\n' >"$tmp/want"
grep -E '^(width|height|x|y)=' "$settings" | cmp -s - "$tmp/want" ||
    fail "the settings file does not hold the window's place: $(tr '\n' ' ' <"$settings")"
! grep -q $'\r' "$settings" || fail "the settings file has Windows line ends"
log "settings: ${settings#"$WINEPREFIX"/}"

# ---- Second start: where the first one left it -----------------------------------

start_game
[ "$X,$Y" = 50,60 ] || fail "the second start opened the window at ($X,$Y), not where the first left it (50,60)"
xdotool windowfocus "$win"
e2e_escape_exits
log "second start: 640x480 at (50,60); Escape: exit status 0"

odd=$(grep -vx 'delve: screenshot saved as screenshot000.png' "$out/stderr.txt" | head -n 5)
[ -z "$odd" ] || fail "unexpected lines on standard error: $odd"
rm -f "$cur"
log "passed in $((SECONDS - started))s; screenshots in $out"
