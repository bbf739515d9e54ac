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
# The libraries without Qt, cross-compiled for Windows: a call only POSIX systems have
# fails here rather than on the first Windows build.
cmake -S . -B build/mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DLOGIREM_CORE_ONLY=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/mingw -j "$jobs"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLOGIREM_SANITIZE=ON \
  -DLOGIREM_BENCH=OFF >/dev/null
cmake --build build/sanitize -j "$jobs"
(cd build/sanitize && ASAN_OPTIONS=detect_leaks=1 \
  ctest --output-on-failure -j "$jobs")
