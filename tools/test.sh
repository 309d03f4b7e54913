#!/usr/bin/env bash
# Installs what is missing, checks the sources' formatting, runs the fuzz
# targets briefly, then builds the release and the sanitizer presets and runs
# every test in each.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/check-format.sh
bash fuzz/run.sh "${TERVIK_FUZZ_SECONDS:-30}"
for preset in release debug-asan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
