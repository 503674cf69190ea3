#!/usr/bin/env bash
# Retakes the reference frames of tests/golden/ from the game as built now.
# Only when a change to what a frame shows is meant (see the README): the
# pictures are then looked at, and committed with the change that made them.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target delve_renderer_tests
rm -f tests/golden/*.actual.png tests/golden/*.diff.png
(cd "$build" && DELVE_GOLDEN_UPDATE=1 ./delve_renderer_tests --gtest_filter='GoldenFrame.*' --gtest_brief=1)
