#!/usr/bin/env bash
# Plays the real game in a real X window and checks what a player sees and
# what the game writes: a private Xvfb display, keyboard and mouse events sent
# with xdotool, screenshots read back with ImageMagick.
#
#   play.sh [REPO_ROOT] [GAME_BINARY]
#
# The game starts from REPO_ROOT (it loads resources/tiles.png from there).
# Screenshots and the game's output land in ./e2e (ctest runs this from the
# build folder), so a failure can be looked at afterwards.
#
# Every wait polls a condition with a time limit: nothing relies on the game
# running at full speed, so a loaded machine only makes the run slower.
set -uo pipefail
export LC_ALL=C  # decimal points in times and awk's numbers

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "${1:-$here/../..}" && pwd)
game=${2:-$root/build/delve}
out=$PWD/e2e

# ---- Reporting ---------------------------------------------------------------

started=$SECONDS
log() { echo "e2e [$((SECONDS - started))s]: $*"; }

fail() {
    echo "e2e: FAIL: $*" >&2
    [ -f "${cur:-}" ] && cp "$cur" "$out/failed.png" && echo "e2e: last screenshot: $out/failed.png" >&2
    if [ -f "$out/stdout.txt" ]; then
        echo "e2e: game stdout ($(wc -l <"$out/stdout.txt") lines, last 10):" >&2
        tail -n 10 "$out/stdout.txt" | sed 's/^/  | /' >&2
    fi
    if [ -s "$out/stderr.txt" ]; then
        echo "e2e: game stderr:" >&2
        sed 's/^/  | /' "$out/stderr.txt" >&2
    fi
    exit 1
}

# shellcheck source=tests/e2e/lib.sh
. "$here/lib.sh"

for tool in Xvfb xdotool import convert identify; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh installs it)"
done
[ -x "$game" ] || fail "no game binary at $game"
[ -f "$root/resources/tiles.png" ] || fail "no resources/tiles.png under $root"

mkdir -p "$out" || fail "cannot create $out"
rm -f "$out"/*.png "$out"/stdout.txt "$out"/stderr.txt "$out"/xvfb.log
tmp=$(mktemp -d) || fail "cannot create a temporary folder"
cur=$out/current.png

# ---- Processes: a private display and the game, both ended whatever happens --

xvfb_pid=
game_pid=
game_status=
watchdog_pid=

cleanup() {
    [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
    e2e_stop "$game_pid"
    e2e_stop "$xvfb_pid"
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'echo "e2e: interrupted" >&2; exit 1' INT TERM HUP

e2e_start_xvfb 1024x768
log "private display $DISPLAY"

# Standard output goes into a pipe, as in `delve | grep stopping`: the game
# must hand its lines on by the end of each frame, or the checks below see
# them only when it exits. A headless video driver left in the environment
# would open no window at all.
mkfifo "$tmp/stdout" || fail "cannot create a pipe"
cat <"$tmp/stdout" >"$out/stdout.txt" &
(cd "$root" && exec env -u SDL_VIDEODRIVER -u SDL_RENDER_DRIVER "$game" \
    >"$tmp/stdout" 2>"$out/stderr.txt") &
game_pid=$!

e2e_watchdog "$game_pid" "$xvfb_pid"

# ---- Screenshots and pixels ---------------------------------------------------

win=
seen="nothing yet"

# The brightest pixel of a tile's square, leaving out the player drawn over it:
# sets tile_r and tile_g. The sprite's lightest texels are pure white, so these
# are the tile's tint.
tile_tint() { # x y side
    local v
    v=$(pixels "$1" "$2" "$3" "$3" | awk '!($3 == 130 && $4 == 130 && $5 == 130) && $4 >= g { g = $4; r = $3 }
        END { print r + 0, g + 0 }')
    tile_r=${v% *}
    tile_g=${v#* }
}

# An empty tile is tinted at most 99 green, however bright its light; a lit
# solid tile near the player is brighter. Sets box to the bounding box "WxH+X+Y"
# of the pixels at or below that in a region, and box_fill to their number.
empty_box() { # x y w h
    local v
    v=$(pixels "$@" | awk '!($3 == 130 && $4 == 130 && $5 == 130) && $4 <= 99 {
            n++; if (n == 1 || $1 < x0) x0 = $1; if (n == 1 || $1 > x1) x1 = $1
            if (n == 1 || $2 < y0) y0 = $2; if (n == 1 || $2 > y1) y1 = $2 }
        END { if (n) printf "%dx%d+%d+%d %d\n", x1 - x0 + 1, y1 - y0 + 1, x0, y0, n; else print "none 0" }')
    box=${v% *}
    box_fill=${v#* }
}

# Fingerprint of the spinner's corner: it changes every frame while the game
# runs. From the current screenshot, or straight from the window (quicker).
spinner_sig() { convert "$cur" -alpha off -crop 21x21+0+0 +repage -depth 8 rgb:- 2>/dev/null | cksum; }
live_spinner_sig() { import -window "$win" -crop 21x21+0+0 -depth 8 rgb:- 2>"$tmp/import.err" | cksum; }

# ---- Waiting ------------------------------------------------------------------


# Waits until the game has drawn at least n more frames.
frames_pass() { # n
    local n=$1 changes=0 last= now end=$((SECONDS + 20))
    while [ "$changes" -lt "$n" ]; do
        alive || fail "the game exited (status $game_status) while waiting for frames"
        [ "$SECONDS" -lt "$end" ] || fail "the spinner stopped turning: fewer than $n frames in 20s"
        now=$(live_spinner_sig)
        # A failed grab yields no pixels: not a frame.
        if [ "${now##* }" = 1323 ]; then
            [ -n "$last" ] && [ "$now" != "$last" ] && changes=$((changes + 1))
            last=$now
        fi
        sleep 0.03
    done
}

# ---- Checks on one screenshot ---------------------------------------------------

# The player's rectangle of the given size, resting at (320,256), or a pixel
# off it where the camera's glide came to rest a fraction of a pixel short.
rect_rests() { # w h
    local w=$1 h=$2 x y
    find_rect
    seen="player rectangle $rect ($rect_fill pixels of (130,130,130))"
    [ "$rect" != none ] || return 1
    [ "${rect%%+*}" = "${w}x${h}" ] && [ "$rect_fill" -eq $((w * h)) ] || return 1
    x=${rect#*+}
    y=${x#*+}
    x=${x%+*}
    [ "$x" -ge 319 ] && [ "$x" -le 321 ] && [ "$y" -ge 255 ] && [ "$y" -le 257 ]
}

# A settled view: the same resting rectangle in two screenshots frames apart.
settled() { # w h
    rect_rests "$@" || return 1
    local first=$rect
    frames_pass 2
    snap && rect_rests "$@" && [ "$rect" = "$first" ]
}

spinner_ok() {
    local r b n
    r=$(convert "$cur" -alpha off -crop 80x80+0+0 +repage -fill black +opaque white -fill white -opaque white \
        -format '%@ %[fx:round(mean*w*h)]' info: 2>/dev/null)
    b=${r% *}
    n=${r#* }
    seen="white pixels in the top-left 80x80: bounding box $b, $n pixels"
    case $b in 0x0*) return 1 ;; esac
    # A triangle inscribed in a circle of radius 10 about (10,10), with
    # vertices 1 and 3 radians apart: about 80 pixels, all within 0..20, at
    # least 8 across and 15 along its longer side whatever its turn.
    local w=${b%%x*} rest=${b#*x}
    local h=${rest%%+*} xy=${b#*+}
    local x=${xy%+*} y=${xy#*+}
    [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 21 ] && [ $((y + h)) -le 21 ] &&
        [ "$w" -ge 7 ] && [ "$h" -ge 7 ] && [ $((w > h ? w : h)) -ge 15 ] && [ "$n" -ge 50 ] && [ "$n" -le 115 ]
}

tile_is_empty() { # x y side
    tile_tint "$@"
    seen="tile at ($1,$2): brightest pixel r=$tile_r g=$tile_g (empty tiles never exceed g=99)"
    [ "$tile_g" -le 99 ] && [ "$tile_g" -gt 0 ]
}

tile_is_solid() { # x y side
    tile_tint "$@"
    seen="tile at ($1,$2): brightest pixel r=$tile_r g=$tile_g (a lit solid tile here exceeds g=99)"
    [ "$tile_g" -gt 99 ]
}

tile_is() { # x y side g: the tile shows the tint of green g, give or take 2
    tile_tint "$1" "$2" "$3"
    seen="tile at ($1,$2): brightest pixel r=$tile_r g=$tile_g, expected g=$4"
    [ $((tile_g - $4)) -ge -2 ] && [ $((tile_g - $4)) -le 2 ]
}

box_is() { # x y w h expected-box
    empty_box "$1" "$2" "$3" "$4"
    seen="empty-tinted pixels in ${3}x${4}+$1+$2: bounding box $box, $box_fill pixels; expected $5"
    local side=${5%%x*}
    [ "$box" = "$5" ] && [ "$box_fill" -eq $((side * side)) ]
}

# The green of a tile drawn at a light: solid (v=1) twice as bright as empty (v=0).
tint_g() { # v light
    awk -v v="$1" -v l="$2" 'BEGIN { printf "%d\n", int(l * (v + 1) * 100 * 0.0039215684) }'
}

tint_ok() { # r g: a tile tint is warm grey, red about 1.2 times green
    local r=$1 g=$2
    [ $((r * 10)) -ge $((g * 12 - 20)) ] && [ $((r * 10)) -le $((g * 12 + 20)) ]
}

# ---- Input --------------------------------------------------------------------

wx=0
wy=0
# Moves the pointer to a window pixel. Root coordinates with XTEST make the
# server generate the same motion and button events a real mouse would, in the
# order sent. (No --sync: it waits some 15s when the pointer is already there.)
point() { xdotool mousemove $((wx + $1)) $((wy + $2)); }

stopping_lines() { grep -c '^stopping!!$' "$out/stdout.txt"; }

# ---- Play -----------------------------------------------------------------------

log "starting $game in $root"
e2e_find_window

X= Y= WIDTH= HEIGHT=
eval "$(xdotool getwindowgeometry --shell "$win")"
[ -n "$X" ] && [ -n "$Y" ] || fail "cannot read the geometry of window $win"
wx=$X
wy=$Y
[ "$WIDTH" = 640 ] && [ "$HEIGHT" = 480 ] || fail "the window is ${WIDTH}x${HEIGHT}, expected 640x480"
log "window $win: 640x480 at ($wx,$wy)"

# The pointer rests in the window, away from the player, and the window has the
# keyboard; no button is held, so nothing is edited.
point 600 440
xdotool windowfocus "$win"

# 1. Start-up: the camera glides from far above onto the player, who is shown
#    at (320,256), 12x28 at 16 pixels per tile; the spinner turns in the corner.
until_ok 30 "player at rest at (320,256), 12x28" settled 12 28 0
size=$(identify -format '%wx%h' "$cur")
[ "$size" = 640x480 ] || fail "the screenshot is $size, expected 640x480"
keep 01-start
spinner_ok || fail "no spinning triangle in the top-left corner: $seen"
first=$(spinner_sig)
until_ok 10 "the spinner turning" eval '[ "$(spinner_sig)" != "$first" ] && spinner_ok'
log "start: window 640x480, player 12x28 at (320,256), spinner turning"

# 2. Digging and filling beside the player. At 16 pixels per tile the three
#    tiles right of the player's own, in its row, have their top-left corners at
#    x = 336, 352, 368 and y = 256. They are solid rock lit by the player alone:
#    light starts at 255 on the player's tile and loses 40 entering each solid
#    tile, 10 entering each empty one. Dug out, they show the empty tint, half
#    the solid one for the same light, though they now let more light through.
tx=(336 352 368)
for i in 0 1 2; do
    want=$(tint_g 1 $((215 - 40 * i)))
    tile_is "${tx[$i]}" 256 16 "$want" || fail "before digging, solid rock: $seen"
    tint_ok "$tile_r" "$tile_g" || fail "before digging, the tint is not warm grey: $seen"
done

point $((tx[0] + 8)) 264
xdotool mousedown 3
for i in 0 1 2; do
    point $((tx[$i] + 8)) 264
    until_ok 10 "the tile at (${tx[$i]},256) dug out by the right button" tile_is_empty "${tx[$i]}" 256 16
done
xdotool mouseup 3
for i in 0 1 2; do
    want=$(tint_g 0 $((245 - 10 * i)))
    until_ok 10 "the dug tile at (${tx[$i]},256) in the empty tint" tile_is "${tx[$i]}" 256 16 "$want"
    tint_ok "$tile_r" "$tile_g" || fail "after digging, the tint is not warm grey: $seen"
done
keep 02-dug

for i in 2 1 0; do
    point $((tx[$i] + 8)) 264
    [ "$i" = 2 ] && xdotool mousedown 1
    until_ok 10 "the tile at (${tx[$i]},256) filled by the left button" tile_is_solid "${tx[$i]}" 256 16
done
xdotool mouseup 1
point 600 440
# The extra light the empty tiles held fades away.
for i in 0 1 2; do
    want=$(tint_g 1 $((215 - 40 * i)))
    until_ok 10 "the filled tile at (${tx[$i]},256) back to its solid tint" tile_is "${tx[$i]}" 256 16 "$want"
done
keep 03-filled
log "mouse: right button dug 3 tiles, left button filled them again"

# 3. Zoom. Each step makes the view jump and glide back; once it rests, the
#    player is 13x30 at 17 pixels per tile and 12x28 at 16. The tile beside
#    the player, dug out for a moment, shows the tile size: its empty tint
#    stands out from the lit rock around it, 3 pixels of which are looked at.
measure_tile() { # side left
    point $(($2 + $1 / 2)) $((256 + $1 / 2))
    xdotool mousedown 3
    until_ok 10 "a dug ${1}x$1 tile at ($2,256)" box_is $(($2 - 3)) 253 $(($1 + 6)) $(($1 + 6)) "${1}x$1+$2+256"
    xdotool mouseup 3
    keep "$3"
    xdotool mousedown 1
    until_ok 10 "the tile at ($2,256) filled again" tile_is_solid "$2" 256 "$1"
    xdotool mouseup 1
    point 600 440
}

xdotool key KP_Add
until_ok 20 "player at rest at (320,256), 13x30, after zooming in" settled 13 30 0
keep 04-zoom17
measure_tile 17 337 05-zoom17-dug
log "zoom in: player 13x30 at (320,256), tiles 17x17"

xdotool key KP_Subtract
until_ok 20 "player at rest at (320,256), 12x28, after zooming out" settled 12 28
keep 06-zoom16
log "zoom out: player $rect"
measure_tile 16 336 07-zoom16-dug
log "zoom out: tiles 16x16"

# 4. Falling. The player stands embedded in rock in column 100, on rows 8 and 7
#    of depth 101 (window y 256 and 272). Below them only row 6 (y 288) holds
#    it up: rows 5 and 4 are part of a tunnel, and row 3 is its floor. Digging
#    row 6 and the player's own tile leaves it stuck in row 7; digging row 7
#    drops it some 3.2 tiles onto the floor, and the view follows it down.
#    Column x=334 lies in column 100, right of the player's rectangle.

# Once it rests, column 100 shows from top to bottom: rock, the five empty
# tiles from row 8 down to row 4, the player standing in them, and the floor.
landed() {
    rect_rests 12 28 || return 1
    local ry=${rect##*+} col
    col=$(pixels 334 0 1 480 | awk -v ry="$ry" '
        $2 < ry && $4 > 99 { top = $2 + 1 }
        $2 >= ry && $4 > 99 && floor == "" { floor = $2 }
        END { print (top == "" ? "none" : top), (floor == "" ? "none" : floor) }')
    shaft_top=${col% *}
    floor=${col#* }
    seen="$seen; column x=334: empty from y=$shaft_top, floor at y=$floor"
    [ "$shaft_top" != none ] && [ "$floor" != none ] || return 1
    # Standing: its feet within a tenth of a tile above the floor.
    [ "$floor" -ge $((ry + 27)) ] && [ "$floor" -le $((ry + 30)) ] &&
        [ $((floor - shaft_top)) -ge 79 ] && [ $((floor - shaft_top)) -le 81 ]
}

tile_is 320 256 16 "$(tint_g 1 255)" || fail "the player's own tile, solid at full light: $seen"
tile_is_solid 320 288 16 || fail "the rock under the player: $seen"
point 328 296
xdotool mousedown 3
until_ok 10 "row 6 under the player dug out" tile_is_empty 320 288 16
point 328 264
# The same full light on the player's tile: empty, it shows half its solid tint.
until_ok 10 "the player's own tile dug out, in the empty tint at full light" tile_is 320 256 16 "$(tint_g 0 255)"
frames_pass 3
rect_rests 12 28 || fail "the player moved while row 7 still held it: $seen"
keep 08-shaft
point 328 280
until_ok 20 "the player fallen and at rest on the floor" landed
xdotool mouseup 3
point 600 440
keep 09-fallen
drop=$((256 - shaft_top))
[ "$drop" -ge 48 ] && [ "$drop" -le 56 ] ||
    fail "the view scrolled by $drop pixels, expected the fall of about 3.2 tiles (52 pixels): $seen"
log "fall: the view scrolled by $drop pixels; player $rect on the floor at y=$floor"

# 5. V held writes "stopping!!" once a frame, a frame late; letting go stops
#    the lines after one more at most. (The exact frame-by-frame count is
#    checked headless, where frames can be counted without a clock.)
[ "$(stopping_lines)" -eq 0 ] || fail "\"stopping!!\" written before V was pressed"
xdotool keydown v
frames_pass 8
held=$(stopping_lines)
[ "$held" -ge 6 ] || fail "only $held \"stopping!!\" lines while V was held over 8 frames or more"

xdotool keyup v
frames_pass 2
held=$(stopping_lines)
frames_pass 5
[ "$(stopping_lines)" -eq "$held" ] || fail "\"stopping!!\" still written after V was let go: $held, then $(stopping_lines)"
log "V: $held \"stopping!!\" lines in all, none after letting go"

# 6. Escape closes the game, which exits with status 0.
e2e_escape_exits
log "Escape: the game exited with status 0"

# 7. Output: the game writes only its own lines, "stopping!!" and the depth
#    pairs of an upward window shift, and no error.
odd=$(grep -v -E '^(stopping!!|-?[0-9]+ -?[0-9]+)$' "$out/stdout.txt" | head -n 5)
[ -z "$odd" ] || fail "unexpected lines on standard output: $odd"
[ "$(stopping_lines)" -eq "$held" ] || fail "\"stopping!!\" lines written after V: $held, then $(stopping_lines)"
[ ! -s "$out/stderr.txt" ] || fail "the game wrote to standard error"
rm -f "$cur"
log "passed in $((SECONDS - started))s; screenshots in $out"
