#!/usr/bin/env bash
# Installs only what building the programs needs (Debian 12, as root) and builds a Release
# tree of its own, build-release/, without tests or benchmarks:
#   scripts/build-release.sh              the panels and the emulated unit
#   scripts/build-release.sh --all        everything that is installed (man pages, icons, ...)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
need_packages "${build_packages[@]}"

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF \
  -DQM_BUILD_BENCH=OFF >/dev/null
if [[ "${1:-}" == --all ]]; then
  cmake --build build-release -j"$(nproc)"
else
  cmake --build build-release -j"$(nproc)" --target qm410a-panel qm520a-panel qm-unit-sim
fi
