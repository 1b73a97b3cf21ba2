#!/usr/bin/env bash
# Renders the pictures of both programs offscreen into docs/: each main window after its
# start-up against a unit whose channels all answer, one PNG per tab page with channel 1
# shown; the QM-520A window during the start-up poll and with the pointer over the position
# grid; the Update Multiple Channels dialog of each model; the QM-410A window on a first run
# telling of the ports it may not open; the QM-520A window telling that no channel answered; the
# QM-520A port list open with an adapter's tool tip; both main windows under a dark palette;
# what the QM-410A's search for the unit found.
# Usage: scripts/render-windows.sh [build-dir]   (the build must include the tests)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target render-windows
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=1 "$build/tools/render-windows/render-windows" docs
