#!/usr/bin/env bash
# The main job for now: sets up and builds, starts the emulated unit (QM-520A, or QM-410A
# with the argument 410a), polls its twelve channels 300 ms apart as a panel does at
# start-up, prints every record that came back and the frames the unit received, and stops.
set -euo pipefail
cd "$(dirname "$0")/.."
model="${1:-520a}"
case "$model" in
  410a|520a) ;;
  *) echo "usage: $0 [410a|520a]" >&2; exit 2 ;;
esac

bash scripts/setup.sh

exec {unit_out}< <(exec build/tools/qm-unit-sim/qm-unit-sim --model "$model")
unit=$!
trap 'kill "$unit" 2>/dev/null || true' EXIT

read -r -t 10 device <&"$unit_out" || { echo "qm-unit-sim did not start" >&2; exit 1; }
echo "Emulated QM-${model^^} on $device"
build/tools/qm-poll/qm-poll --model "$model" --port "$device"

kill -TERM "$unit"
echo "The unit received:"
cat <&"$unit_out"
