#!/usr/bin/env bash
# Sets everything up, builds Tumblewick with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite, the Debian
# package's check included; then the Windows build's tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DTUMBLEWICK_SANITIZE=ON -DTUMBLEWICK_BUILD_BENCHMARKS=ON > /dev/null
cmake --build build/test -j"$(nproc)"
# The Debian package, built and checked first: the test runner's summary
# stays the last thing printed.
scripts/package-test.sh
scripts/test-windows.sh
cd build/test
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
