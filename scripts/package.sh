#!/usr/bin/env bash
# Builds the Debian package of the programs from a Release build (build-release/) and prints
# its path: scripts/package.sh. Install it with apt install ./qm-control-panel_*.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
need_packages "${package_packages[@]}"
bash scripts/build-release.sh --all
(cd build-release && cpack -G DEB >/dev/null)
ls "$PWD"/build-release/qm-control-panel_*.deb
