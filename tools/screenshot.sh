#!/usr/bin/env bash
# Takes the main window's picture for the documentation: runs the release
# build of tervik on samples/demo.mnr under a virtual X display, grabs its
# window from the display and saves docs/main-window.png
# (docs/main-window-ru.png with --russian).
# The settings of the run are private, so the user's own are not touched.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/x-window.sh

# Inside the virtual display: start the program, wait for its main window
# (the caption ends in the version, " v1.61"), let it paint, grab it.
if [ "${1:-}" = "--grab" ]; then
  out=$2
  build/release/bin/tervik samples/demo.mnr &
  pid=$!
  id=$(main_window_id 100 0.1)
  status=0
  if [ -n "$id" ]; then
    sleep 1.5
    import -silent -window "$id" "$out" || status=$?
  else
    echo "the main window did not appear" >&2
    status=1
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  exit "$status"
fi

language=English
out=docs/main-window.png
if [ "${1:-}" = "--russian" ]; then
  language=Russian
  out=docs/main-window-ru.png
fi
[ -x build/release/bin/tervik ] || { echo "build the release preset first" >&2; exit 1; }
for tool in xvfb-run xwininfo import; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run tools/install-deps.sh" >&2; exit 1; }
done
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
mkdir -p "$config/Quorvex" "$config/runtime" docs
chmod 700 "$config/runtime"
printf '[General]\nLanguage=%s\n' "$language" > "$config/Quorvex/Tervik.conf"
XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$config/runtime" TMPDIR="$config" TZ=UTC \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --grab "$PWD/$out"
echo "wrote $out"
