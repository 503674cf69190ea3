#!/usr/bin/env bash
# Builds SDL2 for Windows once, from the Debian source that
# scripts/install-windows-deps.sh fetched into the build folder, and installs
# it (a static library, its headers and CMake files) under BUILD/sdl2:
# `build-windows-sdl2.sh [BUILD_FOLDER]`. Does nothing when it is there.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}
jobs=${JOBS:-$(nproc)}
prefix=$PWD/$build/sdl2
[ -f "$prefix/lib/libSDL2.a" ] && [ -f "$prefix/lib/cmake/SDL2/SDL2Config.cmake" ] && exit 0

echo "build-windows-sdl2: building SDL2 for Windows into $build/sdl2 (once; a few minutes)" >&2
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$build/sdl2-source" -B "$build/sdl2-build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${launcher[@]}" >"$build/sdl2-build.log" 2>&1 &&
  cmake --build "$build/sdl2-build" -j "$jobs" >>"$build/sdl2-build.log" 2>&1 &&
  cmake --install "$build/sdl2-build" >>"$build/sdl2-build.log" 2>&1 ||
  { tail -n 30 "$build/sdl2-build.log" >&2; echo "build-windows-sdl2: the build failed (log: $build/sdl2-build.log)" >&2; exit 1; }
# The build tree is no longer needed: the library is installed.
rm -rf "$build/sdl2-build"
