#!/usr/bin/env bash
# Plays a shipped demo as fast as the game goes and checks that this build
# computes the same game as the one that recorded it: exit status 0, the
# recorded run's standard output byte for byte, and its final state digest.
#   check-demo.sh GAME DEMO    (DEMO without its extension: DEMO.dem, .out, .state)
set -u
game=$1
demo=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

SDL_VIDEODRIVER=dummy SDL_RENDER_DRIVER=software "$game" --timedemo "$demo.dem" \
  >"$scratch/out" 2>"$scratch/err"
status=$?
cat "$scratch/err"
expected=$(cat "$demo.state")
fail=0
if [ "$status" -ne 0 ]; then
  echo "check-demo: exit status $status, expected 0" >&2
  fail=1
fi
if ! grep -Eq "^timedemo: [0-9]+ frames in [0-9.]+ s, [0-9.]+ frames per second, state $expected\$" "$scratch/err" ||
   [ "$(wc -l <"$scratch/err")" -ne 1 ]; then
  echo "check-demo: expected one timedemo line ending in state $expected" >&2
  fail=1
fi
if ! cmp -s "$scratch/out" "$demo.out"; then
  echo "check-demo: the standard output differs from the recorded run's:" >&2
  diff "$demo.out" "$scratch/out" | head -20 >&2
  fail=1
fi
exit $fail
