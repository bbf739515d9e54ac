#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; then once more under
# AddressSanitizer and UBSan.
set -euo pipefail
export QT_QPA_PLATFORM=offscreen  # GUI test programs are listed and run without a display
cd "$(dirname "$0")"
./tools/install-deps.sh
jobs=$(nproc)
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$jobs"
(cd build/release && ctest --output-on-failure -j "$jobs")
# The Debian package, made from the release build and checked, then installed and run.
./tools/package.sh --install
# The libraries without Qt and their tests, cross-compiled for Windows and run under Wine.
./tools/wine-tests.sh
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLOGIREM_SANITIZE=ON \
  -DLOGIREM_BENCH=OFF >/dev/null
cmake --build build/sanitize -j "$jobs"
(cd build/sanitize && ASAN_OPTIONS=detect_leaks=0 \
  ctest --output-on-failure -j "$jobs")
