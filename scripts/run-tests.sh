#!/usr/bin/env bash
# Sets everything up, then runs every test: the offscreen QtTest suites and end-to-end tests
# through CTest, the format check, and a bounded fuzzing run of the reply path.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

status=0
bash scripts/check-format.sh || status=1
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2) || status=1
if [[ -x scripts/run-fuzz.sh ]]; then
  bash scripts/run-fuzz.sh "${QM_FUZZ_SECONDS:-60}" || status=1
fi
exit $status
