#!/usr/bin/env bash
# Fuzzes the reply path for SECONDS (default 60): builds build-fuzz with clang, AddressSanitizer
# and UndefinedBehaviorSanitizer, seeds a corpus from encoded replies and runs libFuzzer.
# Exits non-zero when the fuzzer finds a crash; the input that caused it is left as
# build-fuzz/crash-*. The corpus in build-fuzz/corpus grows from run to run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DQM_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"

corpus=build-fuzz/corpus
mkdir -p "$corpus"
build-fuzz/tests/fuzz/make_reply_seeds "$corpus"
build-fuzz/tests/fuzz/fuzz_reply_receiver -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix=build-fuzz/ "$corpus"
