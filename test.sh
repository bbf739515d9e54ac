#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; then once more under
# AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLOGIREM_SANITIZE=ON \
  -DLOGIREM_BENCH=OFF >/dev/null
cmake --build build-sanitize -j "$jobs"
(cd build-sanitize && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
  ctest --output-on-failure -j "$jobs")
