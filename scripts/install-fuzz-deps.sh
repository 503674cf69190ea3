#!/usr/bin/env bash
# Installs what the fuzz build (make fuzz, build-fuzz/) needs, and only what is
# missing: Debian's clang with its runtime libraries (libFuzzer and the
# sanitizers), beside the game's own build dependencies. Through
# scripts/apt-install.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
exec bash scripts/apt-install.sh install-fuzz-deps clang libclang-rt-14-dev cmake make pkg-config \
  libxxhash-dev libstb-dev
