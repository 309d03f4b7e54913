#!/usr/bin/env bash
# Installs what building and running need, builds tervik and tervik-cli in the
# release folder (no tests, no benchmarks) and opens Tervik on the bundled
# sample archive (or, where no display is available, prints what tervik-cli
# sees in it). tools/test.sh builds and runs everything else.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh --run
cmake --preset release -DTERVIK_BUILD_TESTS=OFF -DTERVIK_BUILD_BENCH=OFF >/dev/null
cmake --build --preset release --target tervik tervik-cli
if [ -x build/release/bin/tervik ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec build/release/bin/tervik samples/demo.mnr
fi
exec build/release/bin/tervik-cli info samples/demo.mnr
