#!/usr/bin/env bash
# The mutation check: does the suite catch a careless one-line change?
#
# Each fault of tests/mutants.txt is applied in turn to a scratch copy of the
# tree, which is rebuilt (only what the fault touches; ccache, when present,
# makes restoring free) and tested with the fast part of the suite: the shipped
# demo's check, then every GoogleTest case but the long soak (the renderer's
# too, where the tree has them), the quick ones first, stopping at the first
# failure. The slow package, valgrind, end-to-end and format checks are
# left out: none of them is where a fault in the game's rules should be caught.
#
#   scripts/mutate.sh                  every fault of the list
#   scripts/mutate.sh light sweep      the faults of those subsystems
#   scripts/mutate.sh 40 52-60         the faults on those lines of the list
#   scripts/mutate.sh --list           print the faults with their line numbers
#
# The scratch tree and its build folder live in $DELVE_MUTATE_DIR (default
# /tmp/delve-mutate); the first run configures and builds it once (no
# sanitizers, no link-time optimisation, -O1), later runs reuse it. Each fault's
# build and test output is kept in $DELVE_MUTATE_DIR/logs/LINE.log.
# A full run fails when less than $DELVE_MUTATE_MIN percent (default 95) is caught.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
list=$root/tests/mutants.txt
work=${DELVE_MUTATE_DIR:-/tmp/delve-mutate}
jobs=${JOBS:-2}
limit=${DELVE_MUTATE_TIMEOUT:-120}  # seconds for one fault's tests: a fault may loop forever
minimum=${DELVE_MUTATE_MIN:-95}
tree=$work/tree
build=$work/build
logs=$work/logs
export SDL_VIDEODRIVER=dummy SDL_RENDER_DRIVER=software

# The faults: "LINE<TAB>subsystem<TAB>file<TAB>old<TAB>new<TAB>note", one a line.
faults() {
  python3 - "$list" <<'EOF'
import sys
for n, line in enumerate(open(sys.argv[1], encoding="utf-8"), 1):
    line = line.rstrip("\n")
    if not line.strip() or line.lstrip().startswith("#"):
        continue
    f = [x.strip() for x in line.split(" | ")]
    if len(f) not in (4, 5) or not all(f[:3]):
        sys.exit(f"{sys.argv[1]}:{n}: expected 'subsystem | file | old text | new text [| equivalent: why]'")
    f += [""] * (5 - len(f))
    print("\t".join([str(n)] + f))
EOF
}

# Which faults to run: all, or those whose line number, range or subsystem is named.
selected() {
  local n=$1 subsystem=$2 arg
  [ ${#selection[@]} -eq 0 ] && return 0
  for arg in "${selection[@]}"; do
    if [[ $arg =~ ^([0-9]+)-([0-9]+)$ ]]; then
      ((n >= BASH_REMATCH[1] && n <= BASH_REMATCH[2])) && return 0
    elif [[ $arg =~ ^[0-9]+$ ]]; then
      ((n == arg)) && return 0
    elif [ "$arg" = "$subsystem" ]; then
      return 0
    fi
  done
  return 1
}
selection=("$@")

all_faults=$(faults) || exit 2

# Brings the scratch tree level with the work tree, copying only files that
# differ so that the build folder stays up to date.
sync_tree() {
  mkdir -p "$tree"
  (cd "$root" && find src tests resources scripts bench CMakeLists.txt -type f 2>/dev/null) | while read -r f; do
    if ! cmp -s "$root/$f" "$tree/$f"; then
      mkdir -p "$(dirname "$tree/$f")"
      cp "$root/$f" "$tree/$f"
    fi
  done
  (cd "$tree" && find src tests -type f) | while read -r f; do
    [ -e "$root/$f" ] || rm -f "$tree/$f"
  done
}

# The test programs: the game's suite, and the renderer's where the tree has one.
test_programs() {
  echo delve_tests
  if grep -q 'add_executable(delve_renderer_tests' "$tree/CMakeLists.txt"; then echo delve_renderer_tests; fi
}

build_it() {
  cmake --build "$build" -j "$jobs" --target delve $(test_programs)
}

# One test program with a filter, stopping at the first failure, which it names.
run_tests() {
  local out first
  if ! out=$(cd "$build" && timeout "$limit" "./$1" --gtest_filter="$2" --gtest_fail_fast --gtest_brief=1 2>&1); then
    echo "$out"
    first=$(grep -m1 -o '^\[  FAILED  \] [A-Za-z0-9_/.]*' <<<"$out" | sed 's/^\[  FAILED  \] //')
    echo "FAILED: ${first:-$1 (exit status, crash or time-out)}"
    return 1
  fi
}

# The fast part of the suite. Prints the first check that failed.
run_suite() {
  local out program
  if ! out=$(cd "$build" && timeout "$limit" bash "$tree/tests/demos/check-demo.sh" ./delve "$tree/tests/demos/descent" 2>&1); then
    echo "$out"
    echo "FAILED: demo_descent"
    return 1
  fi
  # The quick cases first, then those that start the game as a program or
  # draw many frames: most faults fall to the first group.
  local slow='BinaryTest.*:DemoBinaryTest.*:Desktop.*:ExtremesTest.*:FillTest.*'
  run_tests delve_tests "-SoakTest.*:$slow" || return 1
  for program in $(test_programs); do
    [ "$program" = delve_tests ] || run_tests "$program" '*' || return 1
  done
  run_tests delve_tests "$slow"
}

# Replaces the one occurrence of OLD in FILE with NEW; fails unless OLD occurs exactly once.
apply_fault() {
  python3 - "$1" "$2" "$3" <<'EOF'
import sys
path, old, new = (a.replace("\\|", "|").replace("<NL>", "\n") for a in sys.argv[1:])
text = open(path, encoding="utf-8").read()
count = text.count(old)
if count != 1:
    sys.exit(f"the text occurs {count} times in {path}")
open(path, "w", encoding="utf-8").write(text.replace(old, new))
EOF
}

if [ "${1:-}" = "--check" ]; then
  # Every fault applies to the work tree as it is (to a copy): none is stale.
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  bad=0
  while IFS=$'\t' read -r n subsystem file old new note; do
    cp "$root/$file" "$scratch/f" 2>/dev/null || { echo "$n: no file $file"; bad=1; continue; }
    msg=$(apply_fault "$scratch/f" "$old" "$new" 2>&1) || { echo "$n: $msg"; bad=1; }
  done <<<"$(faults)"
  exit $bad
fi

if [ "${1:-}" = "--list" ]; then
  faults | awk -F'\t' '{ printf "%4d  %-10s %s: %s  ->  %s%s\n", $1, $2, $3, $4, $5, ($6 ? "  [" $6 "]" : "") }'
  exit 0
fi

mkdir -p "$logs"
start=$(date +%s)
sync_tree
if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  echo "mutate: configuring $build"
  cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS=-O1 -DDELVE_LTO=OFF \
    "${launcher[@]}" >"$logs/configure.log" 2>&1 || { cat "$logs/configure.log"; exit 2; }
else
  # Once per run, so that targets the tree has gained since are known.
  cmake "$build" >"$logs/configure.log" 2>&1 || { cat "$logs/configure.log"; exit 2; }
fi
echo "mutate: building and testing the unchanged tree"
if ! build_it >"$logs/baseline.log" 2>&1 || ! run_suite >>"$logs/baseline.log" 2>&1; then
  tail -30 "$logs/baseline.log"
  echo "mutate: the unchanged tree does not pass its own tests; nothing to measure" >&2
  exit 2
fi

caught=0
missed=0
equivalent=0
broken=0
missed_list=()
while IFS=$'\t' read -r n subsystem file old new note; do
  selected "$n" "$subsystem" || continue
  label=$(printf '%4d %-10s %s: %s -> %s' "$n" "$subsystem" "$file" "$old" "$new")
  if [[ $note == equivalent* ]]; then
    equivalent=$((equivalent + 1))
    echo "$label: equivalent, not run (${note#equivalent: })"
    continue
  fi
  t0=$(date +%s)
  log=$logs/$n.log
  backup=$work/original
  cp "$tree/$file" "$backup" 2>/dev/null || { echo "$label: NO SUCH FILE"; broken=$((broken + 1)); continue; }
  if ! apply_fault "$tree/$file" "$old" "$new" >"$log" 2>&1; then
    echo "$label: NOT APPLIED ($(tail -1 "$log"))"
    broken=$((broken + 1))
    continue
  fi
  if ! build_it >>"$log" 2>&1; then
    verdict="DOES NOT BUILD"
    broken=$((broken + 1))
  elif run_suite >>"$log" 2>&1; then
    verdict="missed"
    missed=$((missed + 1))
    missed_list+=("$label")
  else
    verdict="caught ($(grep -m1 '^FAILED: ' "$log" | sed 's/^FAILED: //'))"
    caught=$((caught + 1))
  fi
  # Restored with a fresh time stamp, so that the next build compiles it again.
  cp "$backup" "$tree/$file"
  echo "$label: $verdict [$(($(date +%s) - t0)) s]"
done <<<"$all_faults"

# Leave the build folder matching the unchanged tree.
build_it >"$logs/restore.log" 2>&1

counted=$((caught + missed))
echo
echo "mutate: $caught of $counted faults caught ($( ((counted)) && echo "$((1000 * caught / counted))" | sed 's/\(.\)$/.\1/' || echo 0) %)," \
  "$equivalent equivalent not counted, $broken not applied or not built; $(($(date +%s) - start)) s"
for m in "${missed_list[@]}"; do echo "missed: $m"; done
((broken)) && exit 2
if [ ${#selection[@]} -eq 0 ] && ((counted)) && ((100 * caught < minimum * counted)); then
  echo "mutate: below the $minimum % the suite keeps" >&2
  exit 1
fi
exit 0
