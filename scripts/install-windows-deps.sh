#!/usr/bin/env bash
# Installs what the Windows build and its tests need, and only what is missing:
# Debian's mingw-w64 cross compiler (the posix-threads flavour, for C++'s
# threads), wine64 to run the result, Xvfb and xdotool for its window test, and
# SDL2's own Debian source (the version the desktop build links), fetched into
# the Windows build folder: `install-windows-deps.sh [BUILD_FOLDER]`.
# SDL2 for Windows is not packaged, so the build compiles that source once.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}

packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine64
  cmake make dpkg-dev
  xvfb xdotool imagemagick zip unzip
  libstb-dev
)
bash scripts/apt-install.sh install-windows-deps "${packages[@]}"

# SDL2's source, as Debian ships it, unpacked once into the build folder.
src_dir="$build/sdl2-source"
[ -f "$src_dir/CMakeLists.txt" ] && exit 0

# apt-get source needs a deb-src entry for the archive the machine installs
# from; without one, add it beside the machine's own entries.
has_deb_src() {
  grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null
}
if ! has_deb_src; then
  list=/etc/apt/sources.list.d/delve-deb-src.sources
  entries=""
  # deb822 files: each "Types: deb" stanza again as deb-src.
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    entries+=$(awk 'BEGIN { RS = ""; ORS = "\n\n" }
      /(^|\n)Types:[^\n]*deb([ \n]|$)/ && /debian/ {
        sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' "$f")
    entries+=$'\n'
  done
  # One-line lists: each "deb" line again as deb-src.
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    lines=$(sed -n 's/^deb \(.*debian.*\)/deb-src \1/p' "$f")
    [ -n "$lines" ] && entries+="$lines"$'\n'
  done
  if [ -z "${entries//[$'\n ']/}" ]; then
    echo "install-windows-deps: no Debian archive found in /etc/apt to fetch SDL2's source from" >&2
    exit 1
  fi
  echo "install-windows-deps: adding source entries for the machine's Debian archive ($list)" >&2
  run=()
  [ "$(id -u)" -eq 0 ] || run=(sudo)
  printf '%s' "$entries" | "${run[@]}" tee "$list" >/dev/null
  "${run[@]}" apt-get -o DPkg::Lock::Timeout=900 update -q >&2
fi

mkdir -p "$build/sdl2-download"
echo "install-windows-deps: fetching SDL2's Debian source into $build/" >&2
(cd "$build/sdl2-download" && apt-get source --download-only libsdl2 >&2)
dsc=$(ls "$build"/sdl2-download/libsdl2_*.dsc | head -n 1)
rm -rf "$src_dir"
dpkg-source --no-check -x "$dsc" "$src_dir" >&2
