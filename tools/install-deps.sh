#!/usr/bin/env bash
# Installs the Debian packages Tervik needs. Idempotent: does nothing when every
# package is already present.
#   (no option) what building, running, testing, fuzzing and benchmarking need
#   --run       only what building and running tervik and tervik-cli need
#   --windows   also the mingw-w64 cross compiler, Wine, NSIS and zlib for mingw-w64
#               (tools/test-windows.sh)
#   --package   also debootstrap, lintian and appstream (tools/check-package.sh)
set -euo pipefail

# Building and running: compiler, CMake, Qt, the picture and USB libraries,
# Qt's own Russian texts, and the chart's fonts.
RUN_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n qt6-svg-dev
  libgif-dev libemf-dev libftdi1-dev zlib1g-dev
  fonts-liberation2 fontconfig tzdata
)
# Besides, for the tests (a virtual display, PDF and picture checks, a Russian
# locale), the fuzz targets, the benchmarks, the format and structure checks.
TEST_PACKAGES=(
  poppler-utils googletest libgtest-dev libbenchmark-dev
  xvfb xauth x11-utils imagemagick clang clang-format libclang-rt-14-dev locales time
  universal-ctags python3 python3-openpyxl
)

PACKAGES=("${RUN_PACKAGES[@]}")
full=1
for arg in "$@"; do
  case "$arg" in
    --run) full=0 ;;
    --windows) PACKAGES+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64 nsis libz-mingw-w64-dev) ;;
    --package) PACKAGES+=(debootstrap dpkg-dev lintian appstream) ;;
    *) echo "usage: $0 [--run] [--windows] [--package]" >&2; exit 2 ;;
  esac
done
((full)) && PACKAGES+=("${TEST_PACKAGES[@]}")

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  # apt's own output goes to a log, shown only when it fails.
  log=$(mktemp "${TMPDIR:-/tmp}/tervik-apt.XXXXXX")
  echo "Installing ${missing[*]} and what they need (a few minutes; apt's output: $log)"
  if ! { $SUDO apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"; } \
    >"$log" 2>&1; then
    tail -n 20 "$log" >&2
    echo "Installing the packages failed; apt's whole output is in $log" >&2
    exit 1
  fi
  echo "Installed $(grep -c '^Setting up ' "$log" || true) packages."
  rm -f "$log"
fi

# Tests check number formatting under a Russian locale.
if ((full)) && ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf8$'; then
  if [ -f /etc/locale.gen ]; then
    $SUDO sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
fi
