#!/usr/bin/env bash
# The command line of the Windows build under Wine, against the Linux build:
# --help and --version print the same text; a bad option, a missing demo file
# and a recording over a file that is there end with status 2 and the same
# one line on standard error, before any window opens, the file kept.
#   cli.sh WINDOWS_BUILD LINUX_GAME
set -u
winbuild=$(cd "$1" && pwd)
linux=$2
. "$(dirname "$0")/wine.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
fail=0

# Runs both with the same arguments; compares status, output and errors.
same() { # expected-status description args...
  local want=$1 what=$2
  shift 2
  SDL_VIDEODRIVER=dummy "$WINE" "$winbuild/delve.exe" "$@" >win.out 2>win.err
  local got=$?
  SDL_VIDEODRIVER=dummy "$linux" "$@" >linux.out 2>linux.err
  local lin=$?
  if [ "$got" -ne "$want" ] || [ "$lin" -ne "$want" ]; then
    echo "cli: $what: status $got under Wine, $lin on Linux, expected $want" >&2
    fail=1
  fi
  if ! cmp -s win.out linux.out || ! cmp -s win.err linux.err; then
    echo "cli: $what: the output differs from Linux's:" >&2
    diff linux.out win.out | head -n 10 >&2
    diff linux.err win.err | head -n 10 >&2
    fail=1
  fi
  echo "cli: $what: status $got, $(wc -c <win.out) bytes out, $(wc -l <win.err) line(s) on standard error"
}

same 0 "--help" --help
grep -q '^usage: delve' win.out || { echo "cli: --help printed no usage line" >&2; fail=1; }
same 0 "--version" --version
[ "$(cat win.out)" = "delve $(sed -n 's/^project(delve VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")" ] ||
  { echo "cli: --version printed '$(cat win.out)'" >&2; fail=1; }
same 2 "a bad option" --no-such-option
[ "$(wc -l <win.err)" -eq 1 ] && [ ! -s win.out ] || { echo "cli: a bad option: not one line on standard error" >&2; fail=1; }
printf 'kept\n' >existing.dem
same 2 "recording over a file" --record existing.dem
[ "$(cat existing.dem)" = kept ] || { echo "cli: --record replaced a file that was there" >&2; fail=1; }
same 2 "a missing demo file" --play missing.dem
[ "$(wc -l <win.err)" -eq 1 ] && grep -q 'missing.dem' win.err ||
  { echo "cli: a missing demo: not one line naming the file" >&2; fail=1; }
exit $fail
