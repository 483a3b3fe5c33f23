#!/usr/bin/env bash
# Sets everything up, builds Tumblewick with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DTUMBLEWICK_SANITIZE=ON -DTUMBLEWICK_BUILD_BENCHMARKS=ON > /dev/null
cmake --build build/test -j"$(nproc)"
cd build/test
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
