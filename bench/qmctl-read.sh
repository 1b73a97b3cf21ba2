#!/usr/bin/env bash
# How long `qmctl read` takes for twelve answering channels against the emulated unit, once
# answering at once (--unpaced), once at the unit's line speed, and once as a late unit that
# begins each reply 250 ms after its request and then sends it byte by byte at line speed
# (--late 250), against the line time of the requests and replies themselves: 12 x (3 + 105)
# bytes x 10 bits at the model's baud rate (2.7 s for the QM-520A at 4800 baud, 1.35 s for the
# QM-410A at 9600). The goal is the line time plus 10%; the late unit adds its 12 x 250 ms.
#   bench/qmctl-read.sh [410a|520a] [runs]     (defaults 520a, 5 runs)
# Needs a built tree (QM_BUILD_DIR, default build).
set -euo pipefail
cd "$(dirname "$0")/.."

model=${1:-520a}
runs=${2:-5}
case "$model" in
  410a) baud=9600 ;;
  520a) baud=4800 ;;
  *) echo "usage: $0 [410a|520a] [runs]" >&2; exit 2 ;;
esac
build=${QM_BUILD_DIR:-build}
qmctl=$build/tools/qmctl/qmctl
sim=$build/tools/qm-unit-sim/qm-unit-sim
[[ -x "$qmctl" && -x "$sim" ]] || { echo "build qmctl and qm-unit-sim first" >&2; exit 1; }

work=$(mktemp -d)
pids=()
finish() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap finish EXIT

now_us() { echo "${EPOCHREALTIME/./}"; }

for pace in unpaced paced late; do
  flag=()
  [[ $pace == unpaced ]] && flag=(--unpaced)
  [[ $pace == late ]] && flag=(--late 250)
  "$sim" --model "$model" "${flag[@]}" --link "$work/$pace" >"$work/$pace.log" &
  pids+=($!)
  for _ in $(seq 50); do [[ -e "$work/$pace" ]] && break; sleep 0.1; done
  times=()
  for _ in $(seq "$runs"); do
    start=$(now_us)
    XDG_CONFIG_HOME=$work "$qmctl" read --model "$model" --port "$work/$pace" -o "$work/out.json" ||
      echo "$model $pace: qmctl read exited $?" >&2
    times+=($(( ($(now_us) - start) / 1000 )))
  done
  sorted=$(printf '%s\n' "${times[@]}" | sort -n | tr '\n' ' ')
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
  echo "$model $pace: median ${median} ms over $runs runs (all: ${sorted% })"
done
echo "$model line time of 12 requests and replies: $(( 12 * 108 * 10 * 1000 / baud )) ms," \
     "goal $(( 12 * 108 * 10 * 1100 / baud )) ms; late unit: that and 3000 ms"
