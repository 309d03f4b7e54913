#!/usr/bin/env bash
# Provides a static Qt 6 (qtbase), Qt Svg's generator and giflib for
# x86_64-w64-mingw32, for the windows-gui preset. Unpacks tools/windows/qt-<version>-mingw-static.tar.xz
# into the prefix when its checksum is right; otherwise rebuilds it from
# Debian's source packages (apt-get source), packs it there again and writes
# its checksum and configuration note. Rebuild only when the Qt version or the
# configuration below changes; the build takes about an hour of CPU time.
#
#   tools/build-qt-windows.sh [--rebuild] [PREFIX]
#
# PREFIX defaults to build/qt-windows. The sources and the build tree go to
# $TERVIK_QT_WORK (default ~/.cache/tervik-qt-windows); ninja's counter shows
# progress. Fetching the sources needs root when apt has no deb-src entry.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

QT_VERSION=6.4.2
DIR=$ROOT/tools/windows
ARCHIVE=$DIR/qt-$QT_VERSION-mingw-static.tar.xz
NOTE=$DIR/qt-$QT_VERSION-mingw-static.txt
REBUILD=0
if [ "${1:-}" = --rebuild ]; then
  REBUILD=1
  shift
fi
PREFIX=$(realpath -m "${1:-build/qt-windows}")
WORK=$(realpath -m "${TERVIK_QT_WORK:-$HOME/.cache/tervik-qt-windows}")
JOBS=${JOBS:-$(nproc)}

unpack() {
  rm -rf "$PREFIX"
  mkdir -p "$PREFIX"
  tar -xJf "$ARCHIVE" -C "$PREFIX"
  echo "Qt $QT_VERSION for mingw-w64 unpacked into $PREFIX"
}

if [ "$REBUILD" = 0 ] && [ -f "$ARCHIVE" ] && [ -f "$ARCHIVE.sha256" ]; then
  if (cd "$DIR" && sha256sum --quiet -c "$(basename "$ARCHIVE").sha256"); then
    if [ -f "$PREFIX/.sha256" ] && cmp -s "$PREFIX/.sha256" "$ARCHIVE.sha256"; then
      echo "Qt $QT_VERSION for mingw-w64 is in $PREFIX"
      exit 0
    fi
    unpack
    cp "$ARCHIVE.sha256" "$PREFIX/.sha256"
    exit 0
  fi
  echo "$ARCHIVE does not match its checksum: rebuilding it" >&2
fi

# Sources: Debian's, through a deb-src entry for the URI of the system's own
# apt sources (added when missing).
fetch_sources() {
  mkdir -p "$WORK/src"
  if ls "$WORK"/src/qt6-base_*.dsc "$WORK"/src/giflib_*.dsc "$WORK"/src/qtsvg-opensource-src_*.dsc >/dev/null 2>&1; then
    return
  fi
  if ! apt-get source --print-uris qt6-base >/dev/null 2>&1; then
    local src=/etc/apt/sources.list.d/debian.sources
    local uri suites
    uri=$(sed -n 's/^URIs: *//p' "$src" | head -n 1)
    suites=$(sed -n 's/^Suites: *//p' "$src" | head -n 1)
    [ -n "$uri" ] && [ -n "$suites" ] || {
      echo "no apt source to add a deb-src entry for" >&2
      exit 1
    }
    printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$uri" "$suites" >/etc/apt/sources.list.d/tervik-deb-src.sources
    apt-get update
  fi
  # Qt 6's qtsvg is not served as source; Qt 5's generator builds against Qt 6.
  (cd "$WORK/src" && apt-get source qt6-base giflib qtsvg-opensource-src)
}

# Patches from tools/windows/patches, applied once to the unpacked sources.
apply_patches() {
  local tree=$1 prefix=$2 p
  for p in "$DIR"/patches/"$prefix"-*.patch; do
    [ -e "$p" ] || continue
    if patch -d "$tree" -p1 -R --dry-run -s -f <"$p" >/dev/null 2>&1; then
      continue # already applied
    fi
    patch -d "$tree" -p1 -s -f <"$p"
  done
}

QT_SRC_OPTIONS=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF
  -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_testlib=ON -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF
  -DFEATURE_androiddeployqt=OFF -DFEATURE_openssl=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF
  -DFEATURE_networklistmanager=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF -DFEATURE_fontconfig=OFF
)

fetch_sources
QT_TREE=$(find "$WORK/src" -maxdepth 1 -type d -name "qt6-base-$QT_VERSION*" | head -n 1)
GIF_TREE=$(find "$WORK/src" -maxdepth 1 -type d -name 'giflib-*' | head -n 1)
SVG_TREE=$(find "$WORK/src" -maxdepth 1 -type d -name 'qtsvg-opensource-src-*' | head -n 1)
[ -d "$QT_TREE" ] && [ -d "$GIF_TREE" ] && [ -d "$SVG_TREE" ] || {
  echo "sources not found in $WORK/src" >&2
  exit 1
}
apply_patches "$QT_TREE" qtbase
apply_patches "$GIF_TREE" giflib
apply_patches "$SVG_TREE" qtsvg

STAGE=$WORK/install
mkdir -p "$STAGE"

# giflib: its library's C files, built static with the cross compiler.
GIF_BUILD=$WORK/giflib-build
rm -rf "$GIF_BUILD"
mkdir -p "$GIF_BUILD" "$STAGE/lib" "$STAGE/include"
for c in dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray quantize; do
  x86_64-w64-mingw32-gcc-posix -O2 -std=gnu99 -c "$GIF_TREE/$c.c" -o "$GIF_BUILD/$c.o"
done
x86_64-w64-mingw32-ar rcs "$STAGE/lib/libgif.a" "$GIF_BUILD"/*.o
cp "$GIF_TREE/gif_lib.h" "$STAGE/include/"

# qtbase.
cat >"$WORK/mingw-qt.cmake" <<'TC'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TC
QT_BUILD=$WORK/qtbase-build
if [ ! -f "$QT_BUILD/build.ninja" ]; then
  cmake -G Ninja -S "$QT_TREE" -B "$QT_BUILD" -DCMAKE_TOOLCHAIN_FILE="$WORK/mingw-qt.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$STAGE" "${QT_SRC_OPTIONS[@]}"
fi
start=$(date +%s)
ninja -C "$QT_BUILD" -j "$JOBS"
echo "qtbase built in $(($(date +%s) - start)) s (wall clock, this run)"
ninja -C "$QT_BUILD" install >/dev/null

# Qt Svg's generator (all of Qt Svg the chart uses), as the package Qt6Svg.
SVG_BUILD=$WORK/qtsvg-build
rm -rf "$SVG_BUILD"
mkdir -p "$SVG_BUILD" "$STAGE/include/QtSvg" "$STAGE/lib/cmake/Qt6Svg"
INC=$STAGE/include
x86_64-w64-mingw32-g++-posix -std=c++17 -O2 -DQT_STATIC -DQT_NO_DEBUG -DQT_BUILD_SVG_LIB \
  -I"$INC" -I"$INC/QtCore" -I"$INC/QtGui" -I"$INC/QtCore/$QT_VERSION" -I"$INC/QtCore/$QT_VERSION/QtCore" \
  -I"$INC/QtGui/$QT_VERSION" -I"$INC/QtGui/$QT_VERSION/QtGui" \
  -c "$SVG_TREE/src/svg/qsvggenerator.cpp" -I"$SVG_TREE/src/svg" -o "$SVG_BUILD/qsvggenerator.o"
x86_64-w64-mingw32-ar rcs "$STAGE/lib/libQt6SvgGenerator.a" "$SVG_BUILD/qsvggenerator.o"
cp "$SVG_TREE/src/svg/qsvggenerator.h" "$STAGE/include/QtSvg/"
echo '#include "qsvggenerator.h"' >"$STAGE/include/QtSvg/QSvgGenerator"
cat >"$STAGE/lib/cmake/Qt6Svg/Qt6SvgConfig.cmake" <<'CFG'
# Qt Svg's generator alone (QSvgGenerator), static.
include(CMakeFindDependencyMacro)
find_dependency(Qt6Gui PATHS "${CMAKE_CURRENT_LIST_DIR}/.." NO_DEFAULT_PATH)
if(NOT TARGET Qt6::Svg)
  get_filename_component(_qt6svg_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
  add_library(Qt6::Svg STATIC IMPORTED)
  set_target_properties(Qt6::Svg PROPERTIES
    IMPORTED_LOCATION "${_qt6svg_prefix}/lib/libQt6SvgGenerator.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_qt6svg_prefix}/include;${_qt6svg_prefix}/include/QtSvg"
    INTERFACE_LINK_LIBRARIES Qt6::Gui)
  unset(_qt6svg_prefix)
endif()
set(Qt6Svg_FOUND TRUE)
CFG
cat >"$STAGE/lib/cmake/Qt6Svg/Qt6SvgConfigVersion.cmake" <<CFG
set(PACKAGE_VERSION $QT_VERSION)
set(PACKAGE_VERSION_COMPATIBLE TRUE)
if(PACKAGE_FIND_VERSION VERSION_GREATER PACKAGE_VERSION OR NOT PACKAGE_FIND_VERSION_MAJOR EQUAL 6)
  set(PACKAGE_VERSION_COMPATIBLE FALSE)
endif()
if(PACKAGE_FIND_VERSION VERSION_EQUAL PACKAGE_VERSION)
  set(PACKAGE_VERSION_EXACT TRUE)
endif()
CFG

# The archive, its checksum and the note of its configuration.
mkdir -p "$DIR"
rm -f "$STAGE/.sha256"
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime=@0 -C "$STAGE" -cf - . |
  xz -9 -T "$JOBS" >"$ARCHIVE"
(cd "$DIR" && sha256sum "$(basename "$ARCHIVE")" >"$(basename "$ARCHIVE").sha256")
{
  echo "Qt $QT_VERSION (qtbase, and Qt Svg's generator) and giflib, static, for x86_64-w64-mingw32 (posix threads)."
  echo "Made by tools/build-qt-windows.sh from Debian's source packages:"
  (cd "$WORK/src" && ls ./*.dsc | sed 's|^\./|  |')
  echo "Patches: $(cd "$DIR/patches" && ls ./*.patch 2>/dev/null | sed 's|^\./||' | tr '\n' ' ')"
  echo "Compiler: $(x86_64-w64-mingw32-g++-posix --version | head -n 1)"
  echo "Host tools: QT_HOST_PATH=/usr (the host's Qt $QT_VERSION)"
  echo "Options:"
  printf '  %s\n' "${QT_SRC_OPTIONS[@]}"
  echo "Qt Svg: src/svg/qsvggenerator.cpp alone, as lib/libQt6SvgGenerator.a and the package Qt6Svg (-O2)"
  echo "giflib: dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray quantize (-O2)"
} >"$NOTE"
unpack
cp "$ARCHIVE.sha256" "$PREFIX/.sha256"
