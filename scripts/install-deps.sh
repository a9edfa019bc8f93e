#!/usr/bin/env bash
# Installs every Debian package Lumo needs to build, test and run.
# Idempotent: installs only what is missing, and refreshes the package lists
# at most once, only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev libqt6opengl6-dev
  libgl-dev libxkbcommon-dev
  libmpv-dev
  mpv  # the memory benchmark's peer
  libcurl4-openssl-dev
  libpcre2-dev
  libminizip-dev zlib1g-dev
  libssl-dev
  libcpp-httplib-dev
  libgtest-dev libgmock-dev
  libbenchmark-dev
  ffmpeg
  xvfb xauth x11-utils
  clang libclang-rt-14-dev llvm
  python3 curl imagemagick
  xdg-utils desktop-file-utils
  fonts-noto-cjk
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
