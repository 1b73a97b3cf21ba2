#!/usr/bin/env bash
# Sets everything up, then runs every test: the format, layer and clang-tidy checks, a bounded
# fuzzing run of the reply path and the setup-file readers, and the offscreen QtTest suites and
# end-to-end tests through CTest (last, so that its summary closes the output).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

status=0
bash scripts/check-format.sh || status=1
bash scripts/check-layers.sh || status=1
bash scripts/check-tidy.sh || status=1
bash scripts/run-fuzz.sh "${QM_FUZZ_SECONDS:-60}" || status=1
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2) || status=1
exit $status
