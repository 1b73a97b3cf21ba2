#!/usr/bin/env bash
# The main job: sets up and builds, then runs a control panel against the emulated unit on a
# pseudo-terminal (QM-520A, or QM-410A with the argument 410a). With a display the panel runs
# until it is closed; without one it runs under Xvfb and leaves a screenshot in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-520a}" in
  410a|520a) ;;
  *) echo "usage: $0 [410a|520a]" >&2; exit 2 ;;
esac
bash scripts/setup.sh
exec bash scripts/demo-panel.sh "${1:-520a}"
