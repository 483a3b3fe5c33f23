#!/usr/bin/env bash
# Cross-builds the Windows version with mingw-w64 and runs its tests under
# Wine, in a Wine prefix of the build tree's own (build/windows).
set -euo pipefail
cd "$(dirname "$0")/.."

# The Windows card module carries the images the Linux art draws, and its
# test compares with what the Linux module draws; the program's bitmaps and
# icons are converted to Windows' formats: all of it comes from a Linux build.
linux=build/test
[ -f "$linux/CMakeCache.txt" ] || cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=Debug -DTUMBLEWICK_SANITIZE=ON \
  -DTUMBLEWICK_CHECK_ONE_DEFINITION=ON > /dev/null
cmake --build "$linux" -j"$(nproc)" --target cards32_archive tw_windows_resources

# Like the Linux build, it links the product once more to fail on any name
# defined twice.
build=build/windows
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Debug \
  -DTUMBLEWICK_CHECK_ONE_DEFINITION=ON \
  -DTW_CARD_ARCHIVE="$PWD/$linux/cards32-archive/cards.bin" -DTW_WINDOWS_RESOURCES="$PWD/$linux/windows-resources" > /dev/null
cmake --build "$build" -j"$(nproc)"
# The installer's own test installs what the build packs.
(cd "$build" && cpack -G NSIS > /dev/null)

# A wineserver kept running and one warm-up run spare every test process
# the prefix's start-up: without them each costs seconds instead of
# milliseconds. The server holds the registry, so it ends with the tests.
export WINEPREFIX=$PWD/$build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
# The first run makes the prefix (some seconds, once), with Wine's own fonts
# for the dialogs (under-wine.sh).
[ -e "$WINEPREFIX/drive_c/windows/Fonts/sserife.fon" ] || "$build/under-wine.sh" cmd /c exit </dev/null >/dev/null 2>&1 || true
wineserver -w # until the server of that run, or of an earlier one, has ended
wineserver -p
# The tests' windows need no X display: Wine's null driver runs windows,
# dialogs, painting and timers headless. A program that faults on purpose
# must not wait there for someone to close the crash dialog.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT
/usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1 || true
cd "$build"
ctest --output-on-failure -j"$(nproc)"
