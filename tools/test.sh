#!/usr/bin/env bash
# Installs what is missing, checks the sources' formatting and structure (no
# function over 100 lines, no include cycle between folders), runs the fuzz
# targets briefly, then builds the release and the sanitizer presets and runs
# every test in each; then the Windows checks when their tools are there.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/check-format.sh
python3 tools/check-structure.py
bash fuzz/run.sh "${TERVIK_FUZZ_SECONDS:-10}"
for preset in release debug-asan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
# The Windows build under Wine, where the cross compiler and Wine are
# installed (tools/install-deps.sh --windows).
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && { command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ]; }; then
  bash tools/test-windows.sh
else
  echo "Windows checks skipped (bash tools/install-deps.sh --windows installs what they need)"
fi
