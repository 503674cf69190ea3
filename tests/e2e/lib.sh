# What the end-to-end scripts share: a private Xvfb display, processes that
# end whatever happens, and reading the game window's pixels back. Sourced by
# play.sh and desktop.sh, which define fail(), $tmp, $out and $cur first.

# Ends a process politely, then for good.
e2e_stop() { # pid
    [ -n "$1" ] && kill -0 "$1" 2>/dev/null || return 0
    kill "$1" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
    kill -9 "$1" 2>/dev/null
}

# Starts a private display of the given size; sets xvfb_pid and exports
# DISPLAY. Xvfb picks a free display number itself and writes it once it
# accepts clients.
e2e_start_xvfb() { # WIDTHxHEIGHT
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$tmp/display" >"$out/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 200); do
        [ -s "$tmp/display" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb exited at start: $(tail -n 5 "$out/xvfb.log")"
        sleep 0.1
    done
    [ -s "$tmp/display" ] || fail "Xvfb gave no display number within 20s"
    export DISPLAY=:$(head -n 1 "$tmp/display")
}

# Should the calling script be killed outright, these processes go with it.
e2e_watchdog() { # pid...
    (
        while kill -0 $$ 2>/dev/null; do sleep 1; done
        kill "$@"
    ) >/dev/null 2>&1 &
    watchdog_pid=$!
}

# True while the game runs; once it has ended, sets game_status to its exit status.
alive() {
    [ -z "$game_status" ] || return 1
    kill -0 "$game_pid" 2>/dev/null && return 0
    wait "$game_pid"
    game_status=$?
    return 1
}

# Takes a screenshot of the game window into $cur.
snap() { import -window "$win" "$cur" 2>"$tmp/import.err"; }

# Keeps the current screenshot under a name, for inspection.
keep() { cp "$cur" "$out/$1.png"; }

# Prints "x y r g b" for each pixel of a region of the current screenshot, in
# window coordinates.
pixels() { # x y w h
    convert "$cur" -alpha off -crop "${3}x${4}+${1}+${2}" +repage -depth 8 txt:- 2>/dev/null |
        awk -v ox="$1" -v oy="$2" 'NR > 1 {
            split($1, p, /[,:]/); v = $2; gsub(/[()]/, "", v); split(v, c, ",")
            print p[1] + ox, p[2] + oy, c[1], c[2], c[3] }'
}

# The player is the only thing drawn in plain (130,130,130): tiles are tinted
# warmer, the background is darker and the spinner white. Sets rect to
# "WxH+X+Y" (its bounding box) and rect_fill to the number of such pixels.
find_rect() {
    local r
    r=$(convert "$cur" -alpha off -fill black +opaque 'rgb(130,130,130)' -fill white -opaque 'rgb(130,130,130)' \
        -format '%@ %[fx:round(mean*w*h)]' info: 2>/dev/null)
    rect=${r% *}
    rect_fill=${r#* }
    case $rect in 0x0*) rect=none ;; esac
}

# Takes screenshots until a check passes or the time runs out; the check leaves
# a description of what it saw in $seen for the failure message.
until_ok() { # seconds description check [args...]
    local limit=$1 what=$2
    shift 2
    local end=$((SECONDS + limit))
    while :; do
        alive || fail "the game exited (status $game_status) while waiting for $what"
        if snap && "$@"; then
            log "  $what ($seen)"
            return 0
        fi
        [ "$SECONDS" -lt "$end" ] || fail "waited ${limit}s in vain for: $what; last seen: $seen"
        sleep 0.05
    done
}

# Waits up to 30 s for the game's window; sets win to its id.
e2e_find_window() {
    local end=$((SECONDS + 30))
    while :; do
        alive || fail "the game exited (status $game_status) before opening its window"
        win=$(xdotool search --onlyvisible --name '^hello window$' 2>/dev/null | head -n 1)
        [ -n "$win" ] && break
        [ "$SECONDS" -lt "$end" ] || fail "no visible window titled \"hello window\" within 30s"
        sleep 0.1
    done
}

# Presses Escape and waits up to 15 s for the game to end with status 0.
e2e_escape_exits() {
    xdotool key Escape
    local end=$((SECONDS + 15))
    while alive; do
        [ "$SECONDS" -lt "$end" ] || fail "the game did not exit within 15s of Escape"
        sleep 0.1
    done
    [ "$game_status" -eq 0 ] || fail "the game exited with status $game_status after Escape"
}
