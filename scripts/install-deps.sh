#!/usr/bin/env bash
# Installs the Debian packages that building, playing and testing delve need,
# and only those that are missing. As root it runs apt-get itself; otherwise it
# uses sudo where there is one, or prints the command to run and fails.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  libsdl2-dev libstb-dev
  libgtest-dev libbenchmark-dev
  xvfb xdotool imagemagick x11-utils
  valgrind
  clang-format
  libxxhash-dev
  openbox desktop-file-utils dpkg-dev man-db
  python3 ccache
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then
  run=()
elif command -v sudo >/dev/null 2>&1; then
  run=(sudo)
else
  echo "install-deps: missing packages; run as root:" >&2
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -q >&2
"${run[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
