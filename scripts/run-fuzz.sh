#!/usr/bin/env bash
# Fuzzes for SECONDS (default 60), split between the reply path and the setup-file readers:
# builds build-fuzz with clang, AddressSanitizer and UndefinedBehaviorSanitizer, seeds each
# corpus (encoded replies; setup files and a settings.txt) and runs libFuzzer on each target.
# Exits non-zero when a fuzzer finds a crash; the input that caused it is left as
# build-fuzz/crash-*. The corpora in build-fuzz/corpus and build-fuzz/corpus-setup grow from
# run to run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DQM_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"

# libFuzzer takes 0 seconds for no limit.
half=$(( seconds / 2 > 0 ? seconds / 2 : 1 ))
status=0
# target, its seed maker, its corpus
fuzz() {
  mkdir -p "build-fuzz/$3"
  "build-fuzz/tests/fuzz/$2" "build-fuzz/$3"
  "build-fuzz/tests/fuzz/$1" -max_total_time="$half" -print_final_stats=1 \
    -artifact_prefix=build-fuzz/ "build-fuzz/$3" || status=1
}
fuzz fuzz_reply_receiver make_reply_seeds corpus
fuzz fuzz_setup_file make_setup_seeds corpus-setup
exit $status
