#!/usr/bin/env bash
# Renders both main windows offscreen into docs/, one PNG per tab page, as an operator sees
# them after start-up. Usage: scripts/render-windows.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target render-windows
QT_QPA_PLATFORM=offscreen "$build/tools/render-windows/render-windows" docs
