#!/usr/bin/env bash
# make fuzz: builds the fuzz targets (tests/fuzz/, in build-fuzz/) and runs
# each for FUZZ_SECONDS (default 300) on every core, niced, each input held to
# 256 MB and FUZZ_TIMEOUT seconds. New inputs go to build-fuzz/corpus/TARGET/
# (the kept corpus in tests/fuzz/corpus/ is only read), faults to
# build-fuzz/crashes/. Ends with a table per target: executions, coverage,
# faults, and the command that replays each fault. Exits 1 when any was found.
# FUZZ_TARGETS="font image" runs some of them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${FUZZ_BUILD:-build-fuzz}
seconds=${FUZZ_SECONDS:-300}
timeout=${FUZZ_TIMEOUT:-10}
jobs=${FUZZ_JOBS:-$(nproc)}
read -r -a targets <<<"${FUZZ_TARGETS:-demo settings options web_keys image font}"

bash scripts/install-fuzz-deps.sh
CXX=clang++ cmake -S . -B "$build" -DDELVE_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs"
mkdir -p "$build/crashes"

summary=()
faults=0
for t in "${targets[@]}"; do
  work=$root/$build/corpus/$t
  log=$root/$build/fuzz-$t.log
  mkdir -p "$work"
  dict=()
  [ -f "tests/fuzz/$t.dict" ] && dict=(-dict="$root/tests/fuzz/$t.dict")
  echo "== fuzz_$t: $seconds s on $jobs processes (log: $log)"
  # Fork mode: the parent keeps the corpus, the children fuzz; a fault is
  # written out and the search goes on.
  # The children are started by the program's path: absolute, as the targets change folder.
  nice "$root/$build/fuzz_$t" -fork="$jobs" -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1 \
    -max_total_time="$seconds" -rss_limit_mb=256 -timeout="$timeout" -max_len=65536 "${dict[@]}" \
    -artifact_prefix="$root/$build/crashes/$t-" "$work" "$root/tests/fuzz/corpus/$t" >"$log" 2>&1 || true
  last=$(grep -E '^#[0-9]+: cov: ' "$log" | tail -n 1 || true)
  execs=$(sed -E 's/^#([0-9]+):.*/\1/' <<<"$last")
  cov=$(sed -E 's/.* cov: ([0-9]+).*/\1/' <<<"$last")
  found=$(find "$root/$build/crashes" -name "$t-*" -type f | sort)
  count=$(grep -c . <<<"$found" || true)
  faults=$((faults + count))
  summary+=("$(printf '%-9s %12s executions  cov %6s  faults %s' "$t" "${execs:-?}" "${cov:-?}" "$count")")
  # Absolute paths: the targets change folder before they read their input.
  for f in $found; do summary+=("    replay: $root/$build/fuzz_$t $f"); done
done

echo
echo "fuzzing, $seconds s per target:"
printf '%s\n' "${summary[@]}"
[ "$faults" -eq 0 ]
