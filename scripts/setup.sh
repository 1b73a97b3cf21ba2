#!/usr/bin/env bash
# Installs what the build needs (Debian 12, as root) and builds into ./build.
# Safe to run again: installs only what is missing and rebuilds incrementally.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake ninja-build ccache pkg-config
          qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
          libbenchmark-dev clang clang-format libclang-rt-14-dev
          xvfb xauth x11-utils imagemagick fonts-dejavu-core fonts-dejavu-extra)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)"
