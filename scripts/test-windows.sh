#!/usr/bin/env bash
# The Windows job: builds the Windows programs and both packages (scripts/build-windows.sh,
# Qt included the first time) and runs them under Wine against the emulated unit
# (tests/wine/run-wine-tests.sh). QM_HOST_BUILD names the Linux build tree whose tools and
# emulated unit it uses (default build-release/); further arguments go to the Wine tests.
set -euo pipefail
cd "$(dirname "$0")/.."
export QM_HOST_BUILD=${QM_HOST_BUILD:-build-release}
bash scripts/build-windows.sh
source scripts/packages.sh
need_packages "${windows_test_packages[@]}"
cmake --build "$QM_HOST_BUILD" --target qm-unit-sim qm520a-panel
exec bash tests/wine/run-wine-tests.sh "$@"
