#!/usr/bin/env bash
# Installs what the browser build and its test need, and only what is missing:
# Debian's emscripten (its system libraries come prebuilt, so nothing is
# fetched at build time), Debian's chromium for the test, node and npm, and
# puppeteer-core from npm into tests/web/node_modules (it brings no browser of
# its own; the test points it at /usr/bin/chromium). As root it runs apt-get
# itself; otherwise it uses sudo where there is one, or prints what to run.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(emscripten chromium nodejs zip unzip cmake make libxxhash-dev libstb-dev libgtest-dev)
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done
# Some node builds carry their own npm; Debian's comes as a package of its own.
command -v npm >/dev/null 2>&1 || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-web-deps: installing ${missing[*]}" >&2
  if [ "$(id -u)" -eq 0 ]; then
    run=()
  elif command -v sudo >/dev/null 2>&1; then
    run=(sudo)
  else
    echo "install-web-deps: missing packages; run as root:" >&2
    echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${run[@]}" apt-get update -q >&2
  "${run[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
fi

# puppeteer-core as the committed lock file pins it.
if [ ! -f tests/web/node_modules/puppeteer-core/package.json ]; then
  echo "install-web-deps: installing puppeteer-core into tests/web/node_modules" >&2
  (cd tests/web && npm ci --no-audit --no-fund --loglevel=error >&2)
fi
