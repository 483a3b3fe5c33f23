#!/usr/bin/env bash
# Sets everything up, builds Tumblewick with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite, the Debian
# package's check included; then the Windows build's tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

# Each step says when it starts, so a slow one shows in the log.
step() { echo "== $* (at $SECONDS s)"; }
step "installing what is missing"
scripts/install-dependencies.sh
step "building for Linux"
# The build links the product once more with link-time optimisation, which
# fails on any name defined twice (cmake/OneDefinitionCheck.cmake).
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DTUMBLEWICK_SANITIZE=ON -DTUMBLEWICK_BUILD_BENCHMARKS=ON \
  -DTUMBLEWICK_CHECK_ONE_DEFINITION=ON > /dev/null
cmake --build build/test -j"$(nproc)"
# The Debian package, built and checked first: the test runner's summary
# stays the last thing printed.
step "building and checking the Debian package"
scripts/package-test.sh
step "building for Windows and testing under Wine"
scripts/test-windows.sh
step "testing on Linux"
cd build/test
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
