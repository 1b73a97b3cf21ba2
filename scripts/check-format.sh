#!/usr/bin/env bash
# Fails when a C++ file differs from what .clang-format asks for.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
[[ -z "$files" ]] && exit 0
# shellcheck disable=SC2086
if ! clang-format --dry-run --Werror $files; then
  echo "Formatting differs: run 'clang-format -i' on the files above." >&2
  exit 1
fi
