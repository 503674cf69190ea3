#!/usr/bin/env bash
# Retakes the README's pictures in docs/ with the game's own screenshot call, headless.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target delve_screenshots
mkdir -p docs
SDL_VIDEODRIVER=dummy ./build/delve_screenshots docs
