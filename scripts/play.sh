#!/usr/bin/env bash
# Sets everything up, builds Tumblewick and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTUMBLEWICK_BUILD_TESTS=OFF > /dev/null
cmake --build build/release -j"$(nproc)"
# The game reads its songs and help from the folder it starts in.
cd build/release/data
exec ../bin/tumblewick
