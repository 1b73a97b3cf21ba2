#!/usr/bin/env bash
# Fails when clang-tidy finds something in a C++ source, with the checks .clang-tidy keeps.
# Runs on a configured and built build/ (compile_commands.json, the moc files the tests
# include, and ninja's record of which headers each source reads). The benchmarks are left out:
# the usual build does not make them.
#   scripts/check-tidy.sh          the sources changed since the commit in .ci/tidy-base, and
#                                  every source that reads a changed header (what CI runs)
#   scripts/check-tidy.sh --all    every source; when it passes, --all --record writes HEAD to
#                                  .ci/tidy-base, to be committed with the next change
# The whole tree takes clang-tidy over 20 minutes of processor time, nearly all of it for files
# nothing changed. A change to .clang-tidy, or a base this clone's history does not hold,
# checks every source.
set -euo pipefail
cd "$(dirname "$0")/.."
[[ -f build/compile_commands.json ]] || { echo "No build/compile_commands.json: build first." >&2; exit 1; }
record=.ci/tidy-base
mode=${1:-changed}

mapfile -t every < <(git ls-files '*.cpp' | grep -v '^bench/')

# The project's sources that read any of the named files, by ninja's dependency record.
sources_reading() {
  ninja -C build -t deps | awk -v files="$*" '
    BEGIN { n = split(files, f, " "); for (i = 1; i <= n; i++) wanted["../" f[i]] = 1 }
    /^[^ ]/ { source = ""; next }
    source == "" && /^    \.\.\// { source = substr($1, 4); next }
    ($1 in wanted) && source != "" { print source }' | sort -u
}

changed_files() {
  local base
  base=$(tr -d '[:space:]' <"$record" 2>/dev/null || true)
  if [[ -z "$base" ]] || ! git cat-file -e "$base^{commit}" 2>/dev/null; then
    echo "clang-tidy: the base in $record is not in this clone's history; checking every source" >&2
    return 1
  fi
  { git diff --name-only "$base" --; git ls-files --others --exclude-standard; } | sort -u
}

files=("${every[@]}")
if [[ "$mode" == changed ]] && changed=$(changed_files); then
  if grep -qx '.clang-tidy' <<<"$changed"; then
    echo "clang-tidy: .clang-tidy changed since $(cat "$record"); checking every source" >&2
  else
    mapfile -t touched < <(grep -E '\.(cpp|h)$' <<<"$changed" | while read -r f; do [[ -f $f ]] && echo "$f"; done)
    mapfile -t files < <({ printf '%s\n' "${touched[@]}" | grep '\.cpp$' | grep -v '^bench/'
                           ((${#touched[@]})) && sources_reading "${touched[@]}"; } |
                         grep -v '^bench/' | sort -u | grep . || true)
    echo "clang-tidy: ${#files[@]} of ${#every[@]} sources changed or read a changed header since $(cat "$record")"
  fi
fi
((${#files[@]})) || exit 0
run-clang-tidy -p build -quiet -j"$(nproc)" "${files[@]/#/$PWD/}" >build/clang-tidy.log 2>&1 || true
if grep -E '(warning|error): ' build/clang-tidy.log | sort -u; then
  echo "clang-tidy found the problems above (all of it in build/clang-tidy.log)." >&2
  exit 1
fi
if [[ "$mode" == --all && "${2:-}" == --record ]]; then
  git rev-parse HEAD >"$record"
  echo "clang-tidy passed on every source of $(cat "$record"); $record records it"
fi
