#!/usr/bin/env bash
# Installs the Debian packages Tervik needs to build, test, fuzz and benchmark.
# Idempotent: does nothing when every package is already present.
#   --windows   also the mingw-w64 cross compiler, Wine and NSIS (tools/test-windows.sh)
#   --package   also debootstrap (tools/check-package.sh)
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  qt6-svg-dev poppler-utils
  libgif-dev libemf-dev libftdi1-dev
  fonts-liberation2 fontconfig
  googletest libgtest-dev libbenchmark-dev
  xvfb xauth x11-utils imagemagick clang clang-format libclang-rt-14-dev locales tzdata time
)
for arg in "$@"; do
  case "$arg" in
    --windows) PACKAGES+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64 nsis) ;;
    --package) PACKAGES+=(debootstrap dpkg-dev) ;;
    *) echo "usage: $0 [--windows] [--package]" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Tests check number formatting under a Russian locale.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf8$'; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  if [ -f /etc/locale.gen ]; then
    $SUDO sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
fi
