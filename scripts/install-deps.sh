#!/usr/bin/env bash
# Installs the Debian packages that building, playing and testing delve need,
# and only those that are missing (scripts/apt-install.sh).
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

exec bash "$(dirname "$0")/apt-install.sh" install-deps "${packages[@]}"
