#!/usr/bin/env bash
# Builds the Debian package of the game, installed under /usr, in its own
# build folder (default build-package/), and prints the package's path.
#
#   package.sh [BUILD_FOLDER]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build-package}
cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr -DDELVE_TESTS=OFF >&2
cmake --build "$out" -j "${JOBS:-2}" >&2
rm -f "$out"/delve_*.deb
(cd "$out" && cpack -G DEB >&2)
ls "$out"/delve_*.deb
