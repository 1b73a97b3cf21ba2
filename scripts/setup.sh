#!/usr/bin/env bash
# Installs what the build and every test need (Debian 12, as root) and builds into ./build,
# tests and benchmarks included. Safe to run again: installs only what is missing and
# rebuilds incrementally. The programs alone build faster with scripts/build-release.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
need_packages "${build_packages[@]}" "${headless_packages[@]}" "${package_packages[@]}" \
  "${test_packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)"
