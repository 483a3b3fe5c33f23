#!/bin/sh
# The GDI objects the whole Windows program holds, by kind, after the first
# and after the last of the twenty games of its long session (the test
# gdi_budget_of_a_long_session), counted in Wine's trace, for each Windows
# build folder given, side by side. Windows allows a process 10,000 of them;
# Wine does not hold a program to that, so a leak shows only here.
#
#   bench/gdi-handles.sh [windows build dir ...]      (default build/windows)
#
# Each folder is built (the test program and the card module) and gets a Wine
# prefix of its own, on Wine's null display driver, as scripts/test-windows.sh
# prepares it; its wineserver is ended afterwards.
set -e
cd "$(dirname "$0")/.."
[ $# -gt 0 ] || set -- build/windows
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
for build in "$@"; do
  cmake --build "$build" -j2 --target whole_program_tests cards32 > /dev/null
  WINEPREFIX="$(cd "$build" && pwd)/wine-prefix" && export WINEPREFIX
  if [ ! -d "$WINEPREFIX" ]; then
    /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1 || true
    wineserver -w # with the server that made the prefix goes its desktop, made without a display driver
  fi
  wineserver -p 2>/dev/null || true # kept for the run, unless one runs already
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
  /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1 || true # a new prefix settles first
  echo "$build ($(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt")): kind, after the first game, after the last"
  GDI_BUDGET_TABLE=1 sh tests/shell/win32/gdi-budget.sh "$build/under-wine.sh" "$build/bin/whole_program_tests.exe" \
    --gtest_filter=LongSession.* 2>/dev/null | sed -n 's/^gdi-budget: /  /p' | sort || true
  wineserver -k || true
done
