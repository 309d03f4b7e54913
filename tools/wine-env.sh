# Sourced by the Windows scripts: Wine's commands and a quiet 64-bit prefix
# in the build folder (or WINEPREFIX).
WINE=$(command -v wine64 || true)
[ -n "$WINE" ] || WINE=/usr/lib/wine/wine64
WINESERVER=$(command -v wineserver || true)
[ -n "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
export WINEPREFIX=${WINEPREFIX:-$PWD/build/windows/wine}
