#!/usr/bin/env bash
# Installs what is missing, builds release and sanitizer builds, runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
for preset in release debug-asan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
