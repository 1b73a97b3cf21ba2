#!/usr/bin/env bash
# Start-up of a real panel program against the emulated unit, measured from outside:
#   window   launch -> the main window is mapped on the display
#   request  launch -> the first settings request arrives at the unit (after all 16 ports
#            were probed and the stored one opened)
#   cpu      processor time of all the panel's threads over the 3.6 s poll, as % of one core
#   rss/hwm  resident memory after the poll, and its peak
# bench/panel-startup.sh [410a|520a] [runs]     (defaults 520a, 5 runs)
# Needs a built tree (QM_BUILD_DIR, default build) and xwininfo; runs under Xvfb without a
# display.
set -euo pipefail
cd "$(dirname "$0")/.."

model=${1:-520a}
runs=${2:-5}
case "$model" in
  410a) app=qm410a-panel; preferences=QM-410A; title="QM-410A Control Panel" ;;
  520a) app=qm520a-panel; preferences=VT-540A; title="QM-520A Control Panel" ;;
  *) echo "usage: $0 [410a|520a] [runs]" >&2; exit 2 ;;
esac
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

build=${QM_BUILD_DIR:-build}
panel=$(find "$build/apps" -type f -name "$app" -perm -u+x -print -quit)
sim=$(find "$build/tools" -type f -name qm-unit-sim -perm -u+x -print -quit)
[[ -n "$panel" && -n "$sim" ]] || { echo "build $app and qm-unit-sim first" >&2; exit 1; }

work=$(mktemp -d)
sim_pid=
panel_pid=
finish() {
  [[ -n "$panel_pid" ]] && kill "$panel_pid" 2>/dev/null || true
  [[ -n "$sim_pid" ]] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

now_us() { echo "${EPOCHREALTIME/./}"; }

# Nanoseconds on a processor, summed over every thread of the process.
cpu_ns() {
  local total=0 run _
  for task in /proc/"$1"/task/*/schedstat; do
    read -r run _ <"$task" && total=$((total + run))
  done
  echo "$total"
}

# Microsecond timestamp of the unit's log line that matches, once it has arrived.
wait_for_log() {
  local pattern=$1 line
  for _ in $(seq 2000); do
    line=$(grep -m1 -- "$pattern" "$work/sim.log" || true)
    [[ -n "$line" ]] && { echo "${line%% *}"; return; }
    sleep 0.005
  done
  echo "timed out waiting for '$pattern'" >&2
  exit 1
}

printf '%-4s %10s %10s %8s %8s %8s %10s %10s\n' run window_ms request_ms cpu_% rss_MB hwm_MB \
  cpu_window cpu_request
results=()
for run in $(seq "$runs"); do
  : >"$work/sim.log"
  # The unit's every line, stamped with the time it came out.
  "$sim" --model "$model" > >(while IFS= read -r line; do
    echo "$(now_us) $line"
  done >"$work/sim.log") &
  sim_pid=$!
  pty=$(for _ in $(seq 200); do
          if [[ -s "$work/sim.log" ]]; then head -n1 "$work/sim.log" | cut -d' ' -f2; break; fi
          sleep 0.01
        done)
  config=$work/config-$run
  mkdir -p "$config/qm-control-panel"
  printf '[Ports]\nCOM1=%s\n' "$pty" >"$config/qm-control-panel/$preferences.ini"

  start=$(now_us)
  XDG_CONFIG_HOME=$config "$panel" 2>/dev/null &
  panel_pid=$!
  shown=
  for _ in $(seq 2000); do
    if xwininfo -name "$title" 2>/dev/null | grep -q IsViewable; then
      shown=$(now_us)
      cpu_shown=$(cpu_ns "$panel_pid")
      break
    fi
  done
  first=$(wait_for_log $'\t'request)
  cpu_first=$(cpu_ns "$panel_pid")
  cpu_before=$(cpu_ns "$panel_pid")
  poll_start=$(now_us)
  sleep 3.6
  cpu_after=$(cpu_ns "$panel_pid")
  poll_end=$(now_us)
  rss=$(awk '/VmRSS/ {print $2}' /proc/"$panel_pid"/status)
  hwm=$(awk '/VmHWM/ {print $2}' /proc/"$panel_pid"/status)

  line=$(awk -v s="$start" -v w="$shown" -v f="$first" -v c0="$cpu_before" -v c1="$cpu_after" \
             -v cw="$cpu_shown" -v cf="$cpu_first" \
             -v p0="$poll_start" -v p1="$poll_end" -v r="$rss" -v h="$hwm" -v n="$run" 'BEGIN {
    printf "%-4s %10.1f %10.1f %8.2f %8.1f %8.1f %10.1f %10.1f", n, (w - s) / 1000,
           (f - s) / 1000, 100 * (c1 - c0) / 1000 / (p1 - p0), r / 1024, h / 1024,
           cw / 1e6, cf / 1e6 }')
  echo "$line"
  results+=("$line")

  kill "$panel_pid"; wait "$panel_pid" 2>/dev/null || true
  panel_pid=
  kill "$sim_pid"
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=
done

median() { printf '%s\n' "${results[@]}" | awk -v k="$1" '{print $k}' | sort -g |
           awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
printf '%-4s %10s %10s %8s %8s %8s %10s %10s\n' med "$(median 2)" "$(median 3)" "$(median 4)" \
  "$(median 5)" "$(median 6)" "$(median 7)" "$(median 8)"
