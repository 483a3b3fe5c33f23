#!/usr/bin/env bash
# Builds Tumblewick for Windows on Linux and packs it: prints the paths of
# build/windows-release/Tumblewick-<version>-win64.exe (the installer) and
# Tumblewick-<version>-win64.zip (the same folder, for players who do not
# install).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh
# The card images and the program's bitmaps and icons are drawn and converted
# by a Linux build, with Qt.
linux=build/release
cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=Release -DTUMBLEWICK_BUILD_TESTS=OFF > /dev/null
cmake --build "$linux" -j"$(nproc)" --target cards32_archive tw_windows_resources

build=build/windows-release
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DTUMBLEWICK_BUILD_TESTS=OFF -DTW_CARD_ARCHIVE="$PWD/$linux/cards32-archive/cards.bin" \
  -DTW_WINDOWS_RESOURCES="$PWD/$linux/windows-resources" > /dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack > /dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
ls "$PWD/$build/Tumblewick-$version-win64.exe" "$PWD/$build/Tumblewick-$version-win64.zip"
