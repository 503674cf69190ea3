#!/usr/bin/env bash
# Installs what the browser build and its test need, and only what is missing:
# Debian's emscripten (its system libraries come prebuilt, so nothing is
# fetched at build time), ImageMagick for the page's icons, Debian's chromium
# for the test, node and npm, and puppeteer-core from npm into
# tests/web/node_modules (it brings no browser of its own; the test points it
# at /usr/bin/chromium). The packages go through scripts/apt-install.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(emscripten chromium nodejs zip unzip cmake make libxxhash-dev libstb-dev libgtest-dev imagemagick)
# Some node builds carry their own npm; Debian's comes as a package of its own.
command -v npm >/dev/null 2>&1 || packages+=(npm)
bash scripts/apt-install.sh install-web-deps "${packages[@]}"

# puppeteer-core as the committed lock file pins it.
if [ ! -f tests/web/node_modules/puppeteer-core/package.json ]; then
  echo "install-web-deps: installing puppeteer-core into tests/web/node_modules" >&2
  (cd tests/web && npm ci --no-audit --no-fund --loglevel=error >&2)
fi
