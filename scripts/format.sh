#!/usr/bin/env bash
# Formats every C++ file of the project (tracked, or new and not ignored) with
# clang-format and the root's .clang-format. With --check it changes nothing
# and fails, naming each place, when a file is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."

format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$format" ]; then
  echo "format: clang-format not found (scripts/install-deps.sh installs it)" >&2
  exit 1
fi

files=()
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  while IFS= read -r f; do
    [ -f "$f" ] && files+=("$f")
  done < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
else
  while IFS= read -r f; do files+=("$f"); done < <(find src tests bench scripts -name '*.cpp' -o -name '*.h' | sort)
fi

if [ "${1:-}" = "--check" ]; then
  "$format" --dry-run --Werror "${files[@]}"
else
  "$format" -i "${files[@]}"
fi
