#!/usr/bin/env bash
# Takes the main window's picture for the documentation: runs the release
# build of tervik on samples/demo.mnr under a virtual X display and saves
# docs/main-window.png (docs/main-window-ru.png with --russian).
# The settings of the run are private, so the user's own are not touched.
set -euo pipefail
cd "$(dirname "$0")/.."
language=English
out=docs/main-window.png
if [ "${1:-}" = "--russian" ]; then
  language=Russian
  out=docs/main-window-ru.png
fi
[ -x build/release/bin/tervik ] || { echo "build the release preset first" >&2; exit 1; }
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
mkdir -p "$config/Quorvex" docs
printf '[General]\nLanguage=%s\n' "$language" > "$config/Quorvex/Tervik.conf"
# The window saves a grab of itself once it is up, then closes.
XDG_CONFIG_HOME="$config" TMPDIR="$config" TZ=UTC TERVIK_SCREENSHOT="$PWD/$out" \
  xvfb-run -a -s "-screen 0 1280x1024x24" build/release/bin/tervik samples/demo.mnr
echo "wrote $out"
