#!/usr/bin/env bash
# Checks the layering: each library's headers are included only in the
# folder that wraps it, and the game's own folders reach the platform only
# through the library-free headers at the top of platform/.
#
#   scripts/check-layers.sh [source dir]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# The product's sources; the tests, benchmarks and build trees may use what
# they test or measure.
mapfile -t sources < <(git ls-files -- '*.c' '*.cpp' '*.h' | grep -vE '^(tests|bench)/')
failures=0

# A library's headers, as an include pattern, and the folders that may include them.
rule() { # name, pattern, allowed folder pattern
  local name=$1 pattern=$2 allowed=$3 file
  for file in "${sources[@]}"; do
    [[ $file =~ $allowed ]] && continue
    if grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($pattern)" "$file" | sed "s|^|$file:|" | grep .; then
      echo "  ^ $name outside its folder" >&2
      failures=$((failures + 1))
    fi
  done
}
# The card module's Linux art and the build-time icon renderer draw with Qt.
rule Qt 'Q[A-Za-z]*>|Qt[A-Za-z]*/' '^(platform/qt|cards32/linux|tools)/'
rule SQLite 'sqlite3' '^platform/sqlite/'
rule FluidSynth 'fluidsynth' '^platform/fluidsynth/'
rule PulseAudio 'pulse/' '^platform/pulseaudio/'
rule 'a POSIX-only header' 'unistd\.h|fcntl\.h|dlfcn\.h|signal\.h|pthread\.h|poll\.h|dirent\.h|spawn\.h|pwd\.h|sys/|linux/' \
  '^platform/posix/'
rule 'a Windows header' '[Ww]indows\.h|[a-z0-9]+api\.h|mmsystem\.h|commdlg\.h|shellapi\.h|gdiplus' '^(platform/win32|cards32/win32)/'

# The game's folders include only the platform's own headers, never a backend's.
for file in "${sources[@]}"; do
  [[ $file =~ ^(model|settings|presentation|shell|resources)/ ]] || continue
  if grep -nE '#include "platform/[^"]+/' "$file" | sed "s|^|$file:|" | grep .; then
    echo "  ^ a backend's header in the game's code" >&2
    failures=$((failures + 1))
  fi
done

[ $failures -eq 0 ] && echo "layers: every library is included only in its own folder"
exit $((failures > 0))
