#!/usr/bin/env bash
# Installs, with apt-get, the Debian 12 packages the build and the tests need that are not
# there yet, and says which.
set -euo pipefail
packages=(g++ cmake ninja-build ccache pkg-config qt6-base-dev qt6-serialport-dev libgl-dev libgtest-dev
  libgmock-dev libbenchmark-dev fonts-liberation poppler-utils python3 libzip-dev sigrok-cli gtkwave
  valgrind)
# The cross-compiler, GoogleTest's source and Wine: the libraries without Qt and their tests
# built for Windows and run there (tools/wine-tests.sh).
packages+=(g++-mingw-w64-x86-64-posix googletest wine64)
# Manual pages, icons, the Debian package and its checks (tools/package.sh).
packages+=(librsvg2-bin dpkg-dev man-db lintian desktop-file-utils appstream shared-mime-info
  libglib2.0-bin)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
