#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and running Pelicarta needs.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config
  # Qt 6 (Core, Gui, Widgets, Svg, Concurrent, Test, DBus) and its platform plugins
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins qt6-image-formats-plugins qt6-translations-l10n
  libgl-dev libegl-dev libxkbcommon-dev
  # images, documents and text recognition
  libheif-dev libheif1 libx265-199 libpoppler-qt6-dev ghostscript libpng-dev zlib1g-dev libicu-dev
  libtesseract-dev libleptonica-dev tesseract-ocr tesseract-ocr-por tesseract-ocr-eng
  # X11 capture and hot keys
  libxcb1-dev libxcb-randr0-dev libxcb-composite0-dev libxcb-ewmh-dev libxcb-xfixes0-dev
  libxcb-shape0-dev libxcb-image0-dev libxcb-keysyms1-dev libxcb-util-dev libx11-xcb-dev libxcb-res0-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev libdeflate-dev
  # the clang build and its libFuzzer targets (scripts/fuzz.sh)
  clang libclang-rt-14-dev
  # end-to-end tests: a headless X server, a window manager, a tray host, a compositing manager, input and
  # clipboard tools
  xvfb xauth openbox trayer xcompmgr xdotool xclip imagemagick x11-utils x11-xkb-utils python3
  # fonts
  fonts-inter fonts-dejavu-core
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
