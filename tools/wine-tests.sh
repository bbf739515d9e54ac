#!/usr/bin/env bash
# Cross-compiles the libraries without Qt and their tests for 64-bit Windows (build/mingw)
# and runs the tests under Wine: a call only POSIX systems have fails the build, and a fault
# only Windows shows (replacing a file, paths, text mode) fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DLOGIREM_CORE_ONLY=ON -DCMAKE_BUILD_TYPE=Release -DLOGIREM_GTEST_SOURCE=/usr/src/googletest \
  >/dev/null
cmake --build build/mingw -j "$(nproc)"
# A prefix of our own, no display, no questions about Mono or Gecko, no debug chatter.
export WINEPREFIX=$PWD/build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine=$(sed -n 's/^LOGIREM_WINE:FILEPATH=//p' build/mingw/CMakeCache.txt)
if [ ! -x "$wine" ]; then
  echo "wine-tests: Wine not found (apt-get install wine64)" >&2
  exit 1
fi
# The first start builds the prefix; its complaints about missing 32-bit parts are harmless.
[ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot --init >/dev/null 2>&1 || true
status=0
(cd build/mingw && ctest --output-on-failure --timeout 600) || status=$?
"$(dirname "$wine")/wineserver" -k 2>/dev/null || true  # ends this prefix's server only
exit "$status"
