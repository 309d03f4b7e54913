#!/usr/bin/env bash
# The window's start under Wine against Linux, in one run: the whole process
# of opening an archive in the main window offscreen, showing it and quitting
# (tervik-window-peak on Linux, `tervik-gui-tests.exe window_peak` under
# Wine), on samples/demo.mnr and on a generated one-series archive of
# 1,000,000 records. Medians of wall time over RUNS runs (default 5), the two
# builds alternating, and Wine's against Linux's; beside them the start of an
# empty Windows program under Wine (cmd /c exit), Wine's own share.
# Usage: bench/windows-start.sh [RUNS]
# Needs build/release (tervik-window-peak), build/windows-gui
# (tervik-gui-tests) and Wine's prefix from tools/test-windows.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
. tools/wine-env.sh
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
