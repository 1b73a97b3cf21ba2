#!/usr/bin/env bash
# Fails when clang-tidy finds something in a C++ source, with the checks .clang-tidy keeps.
# Runs on a configured build/ (compile_commands.json), after a build, which makes the moc
# files the tests include. The benchmarks are left out: the usual build does not make them.
set -euo pipefail
cd "$(dirname "$0")/.."
[[ -f build/compile_commands.json ]] || { echo "No build/compile_commands.json: build first." >&2; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' | grep -v '^bench/')
((${#files[@]})) || exit 0
run-clang-tidy -p build -quiet -j"$(nproc)" "${files[@]/#/$PWD/}" >build/clang-tidy.log 2>&1 || true
if grep -E '(warning|error): ' build/clang-tidy.log | sort -u; then
  echo "clang-tidy found the problems above (all of it in build/clang-tidy.log)." >&2
  exit 1
fi
