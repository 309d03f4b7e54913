#!/usr/bin/env bash
# Makes the Windows setup program, build/windows/tervik-setup-<version>.exe,
# from tervik.exe (build/windows-gui, when built), tervik-cli.exe
# (build/windows) and the icon drawn by the release build's tervik-icon.
# With --test, also installs it silently under Wine, checks what it
# installed, runs the installed tervik-cli.exe on the demo archive, and
# uninstalls it, checking that nothing is left.
set -euo pipefail
cd "$(dirname "$0")/.."

VERSION=$(sed -n 's/^project(Tervik VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
OUT=$PWD/build/windows/tervik-setup-$VERSION.exe
STAGE=$PWD/build/windows/setup-files
WIN_CLI=$PWD/build/windows/bin/tervik-cli.exe
WIN_GUI=$PWD/build/windows-gui/bin/tervik.exe

[ -f "$WIN_CLI" ] || cmake --build --preset windows --target tervik-cli
cmake --build --preset release --target tervik-icon tervik-cli >/dev/null
rm -rf "$STAGE"
mkdir -p "$STAGE"
if [ -f "$WIN_GUI" ]; then
  # With the window's Qt, tervik-cli.exe draws too: render and report run in
  # tervik-cli-draw.exe beside it.
  cmake --build --preset windows-gui --target tervik-cli >/dev/null
  cp "$WIN_GUI" build/windows-gui/bin/tervik-cli.exe build/windows-gui/bin/tervik-cli-draw.exe "$STAGE/"
else
  cp "$WIN_CLI" "$STAGE/"
  echo "note: $WIN_GUI is not built: the setup program holds tervik-cli.exe alone" >&2
fi
QT_QPA_PLATFORM=offscreen build/release/bin/tervik-icon --ico "$STAGE/tervik.ico" 16 24 32 48 64 256 2>/dev/null
makensis -V2 -DVERSION="$VERSION" -DFILES="$STAGE" -DOUTFILE="$OUT" tools/windows/tervik.nsi
echo "$(basename "$OUT"): $(stat -c %s "$OUT") bytes"
[ "${1:-}" = --test ] || exit 0

. tools/wine-env.sh
mkdir -p "$WINEPREFIX"
"$WINE" wineboot --init >/dev/null 2>&1 || true

failed=0
check() { # description, command...
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    failed=$((failed + 1))
  fi
}
reg_value() { # key [value name]: prints the data (of the default value without a name)
  local which=(/ve)
  [ $# -lt 2 ] || which=(/v "$2")
  "$WINE" reg query "$1" "${which[@]}" 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*[[:space:]]*//p' | head -n 1
}
LOCAL=$("$WINE" cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')
APPDATA=$("$WINE" cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')
DIR=$("$WINE" winepath -u "$LOCAL\\Programs\\Tervik" 2>/dev/null)
LINK=$("$WINE" winepath -u "$APPDATA\\Microsoft\\Windows\\Start Menu\\Programs\\Tervik.lnk" 2>/dev/null)
UNKEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tervik'

"$WINE" "$OUT" /S
"$WINESERVER" -w
check "installed into $LOCAL\\Programs\\Tervik" test -f "$DIR/tervik-cli.exe" -a -f "$DIR/uninstall.exe" -a -f "$DIR/tervik.ico"
check "uninstall entry" test "$(reg_value "$UNKEY" UninstallString)" = "\"$LOCAL\\Programs\\Tervik\\uninstall.exe\""
if [ -f "$WIN_GUI" ]; then
  check "tervik.exe installed" test -f "$DIR/tervik.exe"
  check "Start menu entry" test -f "$LINK"
  check ".mnr association" test "$(reg_value 'HKCU\Software\Classes\.mnr')" = Tervik.Archive
  check ".mnr opens in tervik.exe" test \
    "$(reg_value 'HKCU\Software\Classes\Tervik.Archive\shell\open\command')" = "\"$LOCAL\\Programs\\Tervik\\tervik.exe\" \"%1\""
  check ".mnr icon" test "$(reg_value 'HKCU\Software\Classes\Tervik.Archive\DefaultIcon')" = "$LOCAL\\Programs\\Tervik\\tervik.ico"
  check "installed tervik-cli.exe render hands over to tervik-cli-draw.exe" \
    bash -c "cd samples && '$WINE' '$DIR/tervik-cli.exe' render demo.mnr --series 1 -o '$STAGE/demo.svg' && test -s '$STAGE/demo.svg'"
fi
check "installed tervik-cli.exe info samples/demo.mnr prints what the Linux build prints" \
  cmp -s <(cd samples && "$WINE" "$DIR/tervik-cli.exe" info demo.mnr 2>&1) <(cd samples && ../build/release/bin/tervik-cli info demo.mnr 2>&1)

"$WINE" "$DIR/uninstall.exe" /S
"$WINESERVER" -w
check "uninstalled: the folder is gone" test ! -e "$DIR"
check "uninstalled: no Start menu entry" test ! -e "$LINK"
check "uninstalled: no uninstall entry" bash -c "! '$WINE' reg query '$UNKEY' >/dev/null 2>&1"
check "uninstalled: no association" bash -c "! '$WINE' reg query 'HKCU\\Software\\Classes\\Tervik.Archive' >/dev/null 2>&1"
((failed == 0))
