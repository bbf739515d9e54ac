#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; then once more under
# AddressSanitizer and UBSan; logiremctl once under Valgrind.
set -euo pipefail
export QT_QPA_PLATFORM=offscreen  # GUI test programs are listed and run without a display
cd "$(dirname "$0")"
./tools/install-deps.sh
jobs=$(nproc)
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$jobs"
(cd build/release && ctest --output-on-failure -j "$jobs")
# logiremctl under Valgrind, each analyser and file command once on the simulated analyser:
# a definite leak fails the run. The read comes first; the rest use its file, side by side.
vgdir=$(mktemp -d)
valgrind_ctl() {
  valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite --error-exitcode=3 \
    build/release/src/cli/logiremctl "$@" >/dev/null
}
valgrind_ctl id & first=$!
valgrind_ctl read acq "$vgdir/a.dat"
wait "$first"
valgrind_ctl write ref "$vgdir/a.dat" & write=$!
valgrind_ctl show "$vgdir/a.dat" & show=$!
valgrind_ctl export "$vgdir/a.dat" --format vcd -o "$vgdir/a.vcd"
wait "$write" && wait "$show"
rm -rf "$vgdir"
# The Debian package, made from the release build and checked, then installed and run.
./tools/package.sh --install
# The libraries without Qt and their tests, cross-compiled for Windows and run under Wine.
./tools/wine-tests.sh
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLOGIREM_SANITIZE=ON \
  -DLOGIREM_BENCH=OFF >/dev/null
cmake --build build/sanitize -j "$jobs"
(cd build/sanitize && ASAN_OPTIONS=detect_leaks=1 \
  ctest --output-on-failure -j "$jobs")
