#!/usr/bin/env bash
# Builds the Debian package of Tumblewick from this checkout:
# build/package/tumblewick_<version>_<architecture>.deb, with the program
# where Debian puts games. Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh >&2
cmake -S . -B build/package -DCMAKE_BUILD_TYPE=Release -DTUMBLEWICK_BUILD_TESTS=OFF -DTUMBLEWICK_DEBIAN_LAYOUT=ON >/dev/null
cmake --build build/package -j"$(nproc)" >&2
rm -f build/package/tumblewick_*.deb
(cd build/package && cpack -G DEB >&2)
ls "$PWD"/build/package/tumblewick_*.deb
