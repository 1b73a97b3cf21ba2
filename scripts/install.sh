#!/usr/bin/env bash
# Builds the programs in Release (scripts/build-release.sh, which also installs what the build
# needs) and installs them, stripped, under PREFIX, /usr/local unless given:
#   scripts/install.sh [PREFIX]
# Installs bin/qm410a-panel, bin/qm520a-panel, bin/qm-unit-sim and bin/qmctl, their data
# (pointer files) in share/qm-control-panel, menu entries, AppStream metadata, icons, manual
# pages and the licence. Run as root for a system prefix. To remove it again:
#   cmake --build build-release --target uninstall
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="${1:-/usr/local}"

bash scripts/build-release.sh --all
cmake --install build-release --strip --prefix "$prefix"

# Most desktops notice new entries by themselves; this refreshes the menu cache where one is kept.
if command -v update-desktop-database >/dev/null; then
  update-desktop-database -q "$prefix/share/applications" || true
fi
echo "Installed under $prefix; cmake --build build-release --target uninstall removes it"
