#!/usr/bin/env bash
# The window for Windows under Wine, after tools/test-windows.sh has built
# build/windows-gui (tervik.exe, tervik-gui-tests.exe) and started its Wine
# prefix: runs the window's test programs on the offscreen platform, opens
# tervik.exe on samples/demo.mnr on a virtual X display, saves its picture as
# build/windows-gui/tervik-demo.png and closes it as the window manager would,
# then stores every setting through the window and reads the registry back.
# The tests left out under Wine, and why, are in tests/windows/CMakeLists.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/wine-env.sh
. tools/x-window.sh
GUI=$PWD/build/windows-gui/bin/tervik.exe
TESTS=$PWD/build/windows-gui/bin/tervik-gui-tests.exe
SHOT=$PWD/build/windows-gui/tervik-demo.png

# Inside the virtual display: start the window, wait for it (the caption
# ends in the version), let it paint, grab it, close it.
if [ "${1:-}" = "--grab" ]; then
  "$WINE" "$GUI" samples/demo.mnr 2>"$SHOT.log" &
  pid=$!
  id=$(main_window_id 300 0.1)
  status=0
  if [ -n "$id" ]; then
    sleep 2
    import -silent -window "$id" "$SHOT" || status=$?
    "$WINE" taskkill /IM tervik.exe >/dev/null # WM_CLOSE, as the close box
  else
    echo "tervik.exe: the main window did not appear in 30 s; the windows on the display:" >&2
    xwininfo -root -children | grep '"' >&2 || true
    cat "$SHOT.log" >&2
    status=1
  fi
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "tervik.exe did not end on WM_CLOSE" >&2
    kill "$pid"
    status=1
  fi
  wait "$pid" || status=$?
  exit "$status"
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failed=0
KEY='HKCU\Software\Quorvex\Tervik'

# Wine passes no QT_* variable on to Windows programs but WINEQT_* as QT_*.
# The offscreen platform draws with the fonts of QT_QPA_FONTDIR: Liberation
# Sans alone, so every face falls back to Arial's metric twin as on Linux.
mkdir "$WORK/fonts"
ln -s /usr/share/fonts/truetype/liberation2/LiberationSans-*.ttf "$WORK/fonts/"
export WINEQT_QPA_FONTDIR=$WORK/fonts TZ=UTC
screens=$PWD/tests/main_window
run() { # name, screen file or "", arguments...
  local name=$1 screen=$2
  shift 2
  local rc=0
  # Qt Test writes to the debugger, not to a pipe, under Wine: to a file.
  (cd "$WORK" && WINEQT_QPA_PLATFORM="offscreen${screen:+:configfile=$screen}" \
    timeout 600 "$WINE" "$TESTS" "$name" "$@" >"$WORK/out" 2>&1) || rc=$?
  if [ "$rc" != 0 ]; then
    failed=$((failed + 1))
    echo "FAILED under Wine: $name $*"
    cat "$WORK/out" "$WORK/$name.txt" 2>/dev/null | grep -a -v '^PASS' | tail -n 40 || true
  else
    echo "ok under Wine: $name $(grep -a -h '^Totals' "$WORK/$name.txt" 2>/dev/null || tail -n 1 "$WORK/out")"
  fi
  rm -f "$WORK/$name.txt"
}
start=$SECONDS
"$WINE" reg delete "$KEY" /f >/dev/null 2>&1 || true
for name in test_main_window test_window_input test_report_dlg test_compact_window test_stored_geometry \
  test_report_large; do
  run "$name" "$screens/wide-screen.json" -o "$name.txt,txt"
done
run test_window_geometry "$screens/two-screens.json" -o test_window_geometry.txt,txt
run test_small_screen "$screens/small-2x.json" -o test_small_screen.txt,txt
run test_report_small_screen "$screens/small-2x.json" -o test_report_small_screen.txt,txt
run device_dialog_test "" -o device_dialog_test.txt,txt
run chart "" --gtest_brief=1 --gtest_filter=-OnScreen.*
run chart "$PWD/tests/chart/screen-2x.json" --gtest_brief=1 --gtest_filter=OnScreen.*
echo "the window's tests under Wine: $((SECONDS - start)) s"

# The window itself on an X server, with a fresh store. A fresh prefix has
# no Windows fonts: Arial and Tahoma (the dialog font "MS Shell Dlg" stands
# for it) are drawn with Liberation Sans, else with whatever face GDI finds,
# in which a read-only edit showed no text at all.
"$WINE" reg delete "$KEY" /f >/dev/null 2>&1 || true
for face in Arial Tahoma; do
  "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d 'Liberation Sans' /f >/dev/null
done
if command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null && command -v import >/dev/null; then
  # A Wine server still up from the offscreen runs keeps their desktop,
  # which has no display. About one run in four, the window was not mapped
  # in 30 s all the same (cause not found yet): a second try.
  shown=0
  for attempt in 1 2; do
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
    if xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --grab; then
      shown=1
      break
    fi
    echo "tervik.exe under Xvfb: try $attempt failed"
  done
  if [ "$shown" = 1 ]; then
    echo "ok: tervik.exe showed samples/demo.mnr: $SHOT"
  else
    failed=$((failed + 1))
    echo "FAILED: tervik.exe on samples/demo.mnr under Xvfb"
  fi
  # Closed by WM_CLOSE, it stored its place.
  if "$WINE" reg query "$KEY" /v WindowWidth 2>/dev/null | grep -q 'REG_DWORD'; then
    echo "ok: tervik.exe stored its place on closing"
  else
    failed=$((failed + 1))
    echo "FAILED: tervik.exe stored no WindowWidth in $KEY"
  fi
else
  echo "xvfb-run, xwininfo or import missing: tervik.exe was not shown (tools/install-deps.sh installs them)"
fi

# Every setting stored through the window, read back from the registry: the
# value names and types (32-bit numbers as REG_DWORD, texts as REG_SZ) that
# QSettings' INI file holds on Linux under the same names.
"$WINE" reg delete "$KEY" /f >/dev/null 2>&1 || true
run settings_probe "" "$PWD/samples/demo.mnr"
"$WINE" reg query "$KEY" /s | tr -d '\r' | awk '
  /^HKEY/ { key = $0; sub(/.*\\Quorvex\\/, "", key); next }
  NF >= 2 { print key, $1, $2, ($1 ~ /^Window[XYWH]/ ? "" : substr($0, index($0, $2) + length($2) + 4)) }' \
  >"$WORK/registry"
cat >"$WORK/expected" <<EXPECTED
Tervik Language REG_SZ Russian
Tervik LastFolder REG_SZ $("$WINE" winepath -w "$PWD/samples" 2>/dev/null | tr -d '\r' | tr '\\' /)
Tervik WindowHeight REG_DWORD 
Tervik WindowMaximized REG_DWORD 0x0
Tervik WindowWidth REG_DWORD 
Tervik WindowX REG_DWORD 
Tervik WindowY REG_DWORD 
Tervik\Std Pres REG_DWORD 0x2e6
Tervik\Std Temp REG_DWORD 0xffffffc9
EXPECTED
if diff "$WORK/expected" "$WORK/registry"; then
  echo "ok: the registry holds the settings stored by the window ($KEY)"
else
  failed=$((failed + 1))
  echo "FAILED: the registry under $KEY (above: expected, then read)"
fi
"$WINE" reg delete "$KEY" /f >/dev/null 2>&1 || true
((failed == 0))
