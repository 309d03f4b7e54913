#!/usr/bin/env bash
# Provides a static libxlsxwriter for x86_64-w64-mingw32, for the .xlsx
# writer of the Windows presets: built from Debian's source package with the
# mingw-w64 compiler against Debian's libz-mingw-w64-dev, numbers written by
# its locale-independent shortest-form dtoa. Takes under a minute; does
# nothing when the prefix already holds this version.
#
#   tools/build-xlsxwriter-windows.sh [PREFIX]
#
# PREFIX defaults to $TERVIK_XLSXWRITER_WORK/prefix, the folder the Windows
# presets look in; the work folder (default ~/.cache/tervik-xlsxwriter-windows)
# keeps the sources. Fetching them needs root when apt has no deb-src entry.
set -euo pipefail
cd "$(dirname "$0")/.."

VERSION=1.1.4
WORK=$(realpath -m "${TERVIK_XLSXWRITER_WORK:-$HOME/.cache/tervik-xlsxwriter-windows}")
PREFIX=$(realpath -m "${1:-$WORK/prefix}")
STAMP="$PREFIX/.tervik-xlsxwriter-$VERSION"
if [ -f "$STAMP" ] && [ -f "$PREFIX/lib/libxlsxwriter.a" ]; then
  echo "libxlsxwriter $VERSION for mingw-w64 is in $PREFIX"
  exit 0
fi

mkdir -p "$WORK/src"
if ! ls "$WORK"/src/libxlsxwriter_"$VERSION"*.dsc >/dev/null 2>&1; then
  if ! apt-get source --print-uris libxlsxwriter >/dev/null 2>&1; then
    # A deb-src entry for the URI and suites of the system's own apt sources.
    src=/etc/apt/sources.list.d/debian.sources
    uri=$(sed -n 's/^URIs: *//p' "$src" | head -n 1)
    suites=$(sed -n 's/^Suites: *//p' "$src" | head -n 1)
    [ -n "$uri" ] && [ -n "$suites" ] || {
      echo "no apt source to add a deb-src entry for" >&2
      exit 1
    }
    printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$uri" "$suites" >/etc/apt/sources.list.d/tervik-deb-src.sources
    apt-get update -qq
  fi
  (cd "$WORK/src" && apt-get source -qq libxlsxwriter)
fi
tree=$(find "$WORK/src" -maxdepth 1 -type d -name "libxlsxwriter-$VERSION" | head -n 1)
[ -n "$tree" ] || {
  echo "no libxlsxwriter $VERSION sources in $WORK/src" >&2
  exit 1
}

log="$WORK/build.log"
rm -rf "$WORK/build" "$PREFIX"
if ! {
  cmake -S "$tree" -B "$WORK/build" -G Ninja \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=x86_64 \
    -DCMAKE_C_COMPILER=x86_64-w64-mingw32-gcc-posix -DCMAKE_CXX_COMPILER=x86_64-w64-mingw32-g++-posix \
    -DCMAKE_RC_COMPILER=x86_64-w64-mingw32-windres -DCMAKE_FIND_ROOT_PATH=/usr/x86_64-w64-mingw32 \
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
    -DUSE_DTOA_LIBRARY=ON -DCMAKE_INSTALL_PREFIX="$PREFIX" &&
    cmake --build "$WORK/build" --target install
} >"$log" 2>&1; then
  tail -n 20 "$log" >&2
  echo "Building libxlsxwriter for mingw-w64 failed; the whole log is in $log" >&2
  exit 1
fi
touch "$STAMP"
echo "libxlsxwriter $VERSION for mingw-w64 built into $PREFIX"
