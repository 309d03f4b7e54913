#!/usr/bin/env bash
# Installs what is missing, builds the release preset and opens Tervik on the
# bundled sample archive (or, where no display is available, prints what
# tervik-cli sees in it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [ -x build/release/bin/tervik ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec build/release/bin/tervik samples/demo.mnr
fi
exec build/release/bin/tervik-cli info samples/demo.mnr
