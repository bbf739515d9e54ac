#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program (extra arguments go to it).
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)"
if [ -x build/release/src/app/logirem ]; then
  exec build/release/src/app/logirem "$@"
fi
exec build/release/src/cli/logiremctl show --defaults
