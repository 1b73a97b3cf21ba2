#!/usr/bin/env bash
# Builds the panels (through setup.sh, which also installs what the build needs) and installs
# them under PREFIX, /usr/local unless given: scripts/install.sh [PREFIX]
# Installs bin/qm410a-panel, bin/qm520a-panel and bin/qm-unit-sim with the pointer files the
# panels read beside them, a desktop entry each in share/applications and their icons in
# share/icons/hicolor. Run as root for a system prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="${1:-/usr/local}"

bash scripts/setup.sh
cmake --install build --prefix "$prefix"

# Most desktops notice new entries by themselves; this refreshes the menu cache where one is kept.
if command -v update-desktop-database >/dev/null; then
  update-desktop-database -q "$prefix/share/applications" || true
fi
echo "Installed under $prefix"
