#!/usr/bin/env bash
# Installs those of the named Debian packages that are missing, and nothing
# else: `apt-install.sh WHO PACKAGE...`, WHO naming the caller in its messages.
# As root it runs apt-get itself; otherwise it uses sudo where there is one,
# or prints the command to run and fails.
set -euo pipefail
who=$1
shift

missing=()
for p in "$@"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "$who: installing ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then
  run=()
elif command -v sudo >/dev/null 2>&1; then
  run=(sudo)
else
  echo "$who: missing packages; run as root:" >&2
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# Another install under way (a desktop's updater, a second build) holds
# dpkg's lock for a while: wait for it rather than fail at once.
wait_lock=(-o DPkg::Lock::Timeout=900)
"${run[@]}" apt-get "${wait_lock[@]}" update -q >&2
"${run[@]}" apt-get "${wait_lock[@]}" install -y -q --no-install-recommends "${missing[@]}" >&2
