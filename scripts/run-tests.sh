#!/usr/bin/env bash
# Sets everything up, then runs every test: the format, layer and clang-tidy checks (the
# sources changed since the last whole-tree pass, see scripts/check-tidy.sh), a bounded fuzzing
# run of the reply path and the setup-file readers, the main job's unity Release build, the
# Windows programs under Wine (scripts/test-windows.sh), and the offscreen QtTest suites and
# end-to-end tests through CTest (last, so that its summary closes the output).
#   QM_WINDOWS=auto    (default) the Windows job runs when Qt for Windows is cached, or when
#                      building it fits in QM_CI_MINUTES (default 60) counted from the start
#   QM_WINDOWS=always  builds Qt whatever it takes;  QM_WINDOWS=never  leaves the job out
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# Qt's base module for Windows takes about 45 minutes of processor time to build, the Windows
# programs, the Linux release tree and the Wine tests about 12 minutes of wall time, and CTest
# about 5: the Windows job is left out, with the reason, when those cannot end within the budget.
qt_cpu_seconds=2700
windows_job_seconds=$((12 * 60))
ctest_seconds=$((5 * 60))
budget_seconds=$((${QM_CI_MINUTES:-60} * 60))

# Says whether the Windows job runs, and why not when it does not.
windows_job_fits() {
  case "${QM_WINDOWS:-auto}" in
    always) return 0 ;;
    never) echo "QM_WINDOWS=never"; return 1 ;;
  esac
  bash scripts/build-windows.sh --qt-cached && return 0
  local qt=$((qt_cpu_seconds / $(nproc)))
  local needed=$((SECONDS + qt + windows_job_seconds + ctest_seconds))
  ((needed <= budget_seconds)) && return 0
  echo "Qt for Windows is not cached; building it takes about $((qt / 60)) min on $(nproc) cores," \
    "which would end this run after about $((needed / 60)) of its $((budget_seconds / 60)) min." \
    "Run scripts/test-windows.sh (or scripts/build-windows.sh --qt) once to fill the cache."
  return 1
}

status=0
bash scripts/check-format.sh || status=1
bash scripts/check-layers.sh || status=1
bash scripts/check-tidy.sh || status=1
bash scripts/run-fuzz.sh "${QM_FUZZ_SECONDS:-60}" || status=1
# The main job's tree: its unity build meets names that clash only when sources compile as one.
bash scripts/build-release.sh --all || status=1
if why=$(windows_job_fits); then
  bash scripts/test-windows.sh || status=1
else
  echo "=== The Windows job was SKIPPED: $why" >&2
fi
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2) || status=1
[[ -z "${why:-}" ]] || echo "=== The Windows job was SKIPPED: $why" >&2
exit $status
