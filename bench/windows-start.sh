#!/usr/bin/env bash
# The window's start under Wine against Linux, in one run: the whole process
# of opening an archive in the main window offscreen, showing it and quitting
# (tervik-window-peak on Linux, `tervik-gui-tests.exe window_peak` under
# Wine), on samples/demo.mnr and on a generated one-series archive of
# 1,000,000 records. Medians of wall time over RUNS runs (default 5), the two
# builds alternating, and Wine's against Linux's; beside them the start of an
# empty Windows program under Wine (cmd /c exit), Wine's own share.
# With xvfb-run, also the real window on a virtual X display: tervik and
# tervik.exe on samples/demo.mnr, from the start to its main window mapped.
# Usage: bench/windows-start.sh [RUNS]
# Needs build/release (tervik-window-peak, tervik), build/windows-gui
# (tervik-gui-tests, tervik) and Wine's prefix from tools/test-windows.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/wine-env.sh
. tools/x-window.sh

# Inside the virtual display: RUNS starts of each window, alternating; the
# times go to DIR/shown-linux and DIR/shown-wine.
if [ "${1:-}" = --shown ]; then
  runs=$2 dir=$3
  mkdir -p "$dir/config/runtime"
  chmod 700 "$dir/config/runtime"
  "$WINE" cmd /c exit >/dev/null 2>&1 || true
  for ((i = 0; i < runs; ++i)); do
    for which in linux wine; do
      t0=$EPOCHREALTIME
      if [ "$which" = linux ]; then
        XDG_CONFIG_HOME=$dir/config XDG_RUNTIME_DIR=$dir/config/runtime build/release/bin/tervik samples/demo.mnr \
          2>/dev/null &
      else
        "$WINE" build/windows-gui/bin/tervik.exe samples/demo.mnr 2>/dev/null &
      fi
      pid=$!
      id=$(main_window_id 3000 0.01)
      [ -n "$id" ] || { echo "$which: the window did not appear" >&2; exit 1; }
      awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.0f\n", (b - a) * 1000 }' >>"$dir/shown-$which"
      sleep 0.5
      if [ "$which" = linux ]; then
        kill "$pid"
      else
        "$WINE" taskkill /IM tervik.exe >/dev/null 2>&1
      fi
      wait "$pid" 2>/dev/null || true
    done
  done
  exit 0
fi

runs=${1:-5}
LIN=$PWD/build/release/bin/tervik-window-peak
WIN=$PWD/build/windows-gui/bin/tervik-gui-tests.exe
for f in "$LIN" "$WIN"; do
  [ -x "$f" ] || { echo "$f is not built" >&2; exit 1; }
done
dir=$(mktemp -d)
trap '"$WINESERVER" -k 2>/dev/null || true; rm -rf "$dir"' EXIT
perl bench/gen-mnr.pl 1000000 0 "$dir/big.mnr"
cp samples/demo.mnr "$dir/demo.mnr"
# Fonts for the offscreen platform under Wine, as tools/windows-window.sh has them.
mkdir "$dir/fonts"
ln -s /usr/share/fonts/truetype/liberation2/LiberationSans-*.ttf "$dir/fonts/"
export WINEQT_QPA_FONTDIR=$dir/fonts
# One Wine server for the whole run, as in a session where Wine is up.
"$WINESERVER" -p
"$WINE" cmd /c exit >/dev/null 2>&1 || true

# Appends the wall time in ms of one run to $dir/<which>-<file>.
run_once() {
  local which=$1 file=$2 t0 t1
  t0=$EPOCHREALTIME
  if [ "$file" = none ]; then
    "$WINE" cmd /c exit >/dev/null 2>&1
  elif [ "$which" = linux ]; then
    QT_QPA_PLATFORM=offscreen "$LIN" "$dir/$file.mnr" >/dev/null 2>"$dir/err" || { cat "$dir/err" >&2; exit 1; }
  else
    WINEQT_QPA_PLATFORM=offscreen "$WINE" "$WIN" window_peak "$dir/$file.mnr" >/dev/null 2>"$dir/err" ||
      { cat "$dir/err" >&2; exit 1; }
  fi
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.0f\n", (b - a) * 1000 }' >>"$dir/$which-$file"
}
for ((i = 0; i < runs; ++i)); do
  for file in demo big; do
    run_once linux "$file"
    run_once wine "$file"
  done
  run_once wine none
done
median() { sort -n "$1" | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
printf '%-28s %10s %10s %8s\n' "open, show, quit (median of $runs)" "Linux ms" "Wine ms" "Wine/Linux"
for file in demo big; do
  l=$(median "$dir/linux-$file")
  w=$(median "$dir/wine-$file")
  label=samples/demo.mnr
  [ "$file" = demo ] || label="1,000,000 records"
  awk -v n="$label" -v l="$l" -v w="$w" 'BEGIN { printf "%-28s %10d %10d %8.2f\n", n, l, w, w / l }'
done
printf '%-28s %10s %10d\n' "Wine: cmd /c exit" "" "$(median "$dir/wine-none")"
if command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null && [ -x build/release/bin/tervik ] &&
  [ -f build/windows-gui/bin/tervik.exe ]; then
  TZ=UTC xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --shown "$runs" "$dir"
  l=$(median "$dir/shown-linux")
  w=$(median "$dir/shown-wine")
  awk -v l="$l" -v w="$w" 'BEGIN { printf "%-28s %10d %10d %8.2f\n", "window shown on X, demo", l, w, w / l }'
else
  echo "the window on X not timed: needs xvfb-run, xwininfo, build/release/bin/tervik and tervik.exe"
fi
