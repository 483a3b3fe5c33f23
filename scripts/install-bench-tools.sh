#!/usr/bin/env bash
# Installs what the bench scripts need beyond the build: a virtual display
# with a window manager, a way to press keys and take screenshots, a private
# sound server with its recording tools, and a falling-block peer to measure
# the game beside (bench/sound-cost.sh, bench/record-songs.sh).
set -euo pipefail
packages=(xvfb openbox xdotool x11-utils imagemagick pulseaudio pulseaudio-utils sqlite3 quadrapassel)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo_if_needed=()
[ "$(id -u)" -ne 0 ] && sudo_if_needed=(sudo)
"${sudo_if_needed[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo_if_needed[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
