#!/usr/bin/env bash
# Installs only what building the programs needs (Debian 12, as root) and builds a Release
# tree of its own, build-release/, without tests or benchmarks:
#   scripts/build-release.sh              the two panels and the emulated unit
#   scripts/build-release.sh 410a|520a    that panel and the emulated unit
#   scripts/build-release.sh --all        everything that is installed (man pages, icons, ...)
#   scripts/build-release.sh --tools      the tools the Windows build runs (pointers, icon)
# The tree is a unity build: it is mostly built once, from nothing, and then each target's
# sources compile as one file, so Qt's headers are read once per target instead of once per
# file (less than half the processor time). The tests' tree, build/, compiles file by file,
# which keeps a developer's rebuild small and ccache's hits fine-grained.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
need_packages "${build_packages[@]}"

case "${1:-}" in
  "") targets=(--target qm410a-panel qm520a-panel qm-unit-sim) ;;
  410a|520a) targets=(--target "qm$1-panel" qm-unit-sim) ;;
  --all) targets=() ;;
  --tools) targets=(--target qm_make_cursors qm_make_icon) ;;
  *) echo "usage: $0 [410a|520a|--all|--tools]" >&2; exit 2 ;;
esac
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF \
  -DQM_BUILD_BENCH=OFF -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=0 >/dev/null
cmake --build build-release -j"$(nproc)" "${targets[@]}"
