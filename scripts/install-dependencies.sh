#!/usr/bin/env bash
# Installs what Tumblewick needs to build, run and test on Debian 12.
# Packages already present are left alone; nothing is asked.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev
  fonts-dejavu-core fonts-urw-base35
  libfluidsynth-dev libpulse-dev fluid-soundfont-gm abcmidi
  libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  desktop-file-utils appstream lintian
  xdg-utils
  xvfb openbox xdotool x11-utils sqlite3
  zlib1g-dev g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 fonts-wine googletest nsis imagemagick pulseaudio
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_if_needed=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_if_needed=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo_if_needed[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo_if_needed[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
