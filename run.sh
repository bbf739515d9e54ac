#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program (extra arguments go to it).
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
if [ -x build/src/app/logirem ]; then
  exec build/src/app/logirem "$@"
fi
exec build/src/cli/logiremctl show --defaults
