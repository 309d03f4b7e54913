#!/usr/bin/env bash
# Fails when a C++ source differs from what clang-format makes of it
# (.clang-format at the top). tools/check-format.sh --fix rewrites them.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/tervik-format.$$; then
  grep -o '^[^:]*:[0-9]*:[0-9]*: error' /tmp/tervik-format.$$ | cut -d: -f1 | sort -u | sed 's/^/not formatted: /' >&2
  rm -f /tmp/tervik-format.$$
  echo "run tools/check-format.sh --fix" >&2
  exit 1
fi
rm -f /tmp/tervik-format.$$
