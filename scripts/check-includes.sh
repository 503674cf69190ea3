#!/usr/bin/env bash
# The house's rules, checked on every source file (ctest include_rules):
# - SDL is included only under src/backends/sdl/, emscripten's headers only
#   under src/backends/web/ and in the browser's entry, src/main_web.cpp;
# - src/render/ includes nothing of ours outside src/render/;
# - src/platform/ includes only itself and src/render/;
# - the game (shell, world, entities, presentation) reaches the layer through
#   platform/platform.h alone, never a backend or the renderer's insides.
# Prints every line that breaks a rule and exits 1 if there is one.
# Usage: check-includes.sh [SRC_FOLDER]   (default: this tree's src/)
#        check-includes.sh --self-test    (each rule catches a file planted against it)
set -uo pipefail

if [ "${1:-}" = "--self-test" ]; then
    here=$(cd "$(dirname "$0")" && pwd)
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    status=0
    while IFS='|' read -r file line; do
        rm -rf "$scratch/src" && cp -r "$here/../src" "$scratch/src"
        mkdir -p "$(dirname "$scratch/src/$file")" && printf '%s\n' "$line" >>"$scratch/src/$file"
        if bash "$0" "$scratch/src" >/dev/null; then
            echo "not caught: $line in src/$file"
            status=1
        fi
    done <<'PLANTED'
render/draw.cpp|#include <SDL.h>
shell/game.cpp|#include "SDL_video.h"
platform/input.cpp|#include <emscripten/html5.h>
render/fill.cpp|#include "platform/platform.h"
render/text.cpp|#include "backends/sdl/sdl_backend.h"
platform/window.cpp|#include "backends/memory/memory_backend.h"
platform/window.cpp|#include "shell/state.h"
world/world.h|#include "render/canvas.h"
presentation/render.cpp|#include "platform/internal.h"
entities/entity.cpp|#include "backends/web/web_keys.h"
PLANTED
    [ "$status" -eq 0 ] && echo "include rules: every planted breach was caught"
    exit "$status"
fi

cd "${1:-$(dirname "$0")/../src}" || exit 2

broken=0
# Lists the include lines of the files under $1 that match the pattern $2.
breaks() {
    local where=$1 pattern=$2 why=$3 hits
    hits=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*$pattern" $where 2>/dev/null)
    if [ -n "$hits" ]; then
        printf '%s\n' "$hits" | sed "s|^|src/|; s|\$|    ($why)|"
        broken=1
    fi
}

others_of() { find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | grep -vE "$1"; }

breaks "$(others_of '^backends/sdl/')" '[<"]SDL' "SDL outside src/backends/sdl/"
breaks "$(others_of '^backends/web/|^main_web\.cpp$')" '[<"]emscripten' "emscripten outside src/backends/web/"
breaks render '"(platform|backends|shell|world|entities|presentation)/' "the renderer depends on nothing above it"
breaks platform '"(backends|shell|world|entities|presentation)/' "the layer depends on the renderer alone"
breaks "shell world entities presentation" '"(backends|render)/' "the game calls the layer through platform/platform.h"
breaks "shell world entities presentation" '"platform/(backend|internal|keycodes)\.h"' "the game calls the layer through platform/platform.h"

[ "$broken" -eq 0 ] && echo "include rules: every file keeps to its room"
exit "$broken"
