#!/usr/bin/env bash
# The main job: installs what building the programs needs, builds the two panels and the
# emulated unit in a Release tree of their own (build-release/, no tests), then runs a control
# panel against the emulated unit on a pseudo-terminal (QM-520A, or QM-410A with the argument
# 410a). With a display the panel runs until it is closed; without one it runs under Xvfb and
# leaves a screenshot in build-release/ when ImageMagick is there to take it.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-520a}" in
  410a|520a) ;;
  *) echo "usage: $0 [410a|520a]" >&2; exit 2 ;;
esac
source scripts/packages.sh
[[ -n "${DISPLAY:-}" ]] || need_packages "${headless_packages[@]}"
bash scripts/build-release.sh "${1:-520a}"
exec bash scripts/demo-panel.sh "${1:-520a}"
