#!/usr/bin/env bash
# Start-up of a real panel program against the emulated unit, measured from outside:
#   window   launch -> the main window is mapped on the display
#   request  launch -> the first settings request arrives at the unit (after all 16 ports
#            were probed and the stored one opened)
#   cpu      processor time of all the panel's threads while the 3.6 s poll runs (from 0.8 s
#            to 3.6 s after launch), as % of one core
#   rss/hwm  resident memory after the poll, and its peak
#   startup  processor time the panel used in its first 0.8 s (start-up and the poll's start)
# Nothing polls while the panel starts: the unit's output and the display's map events are
# stamped as they come out and read afterwards, so the harness takes no processor time away.
# bench/panel-startup.sh [410a|520a] [runs] [local|rfc2217|tcp]   (defaults 520a, 5 runs, local)
# rfc2217 and tcp put ser2net on 127.0.0.1 between the panel and the unit, and COM1 is its
# address: the request is then the first one to cross the server.
# Needs a built tree (QM_BUILD_DIR, default build) and xev (x11-utils); runs under Xvfb without a
# display.
set -euo pipefail
cd "$(dirname "$0")/.."

model=${1:-520a}
runs=${2:-5}
way=${3:-local}
case "$way" in
  local|rfc2217|tcp) ;;
  *) echo "usage: $0 [410a|520a] [runs] [local|rfc2217|tcp]" >&2; exit 2 ;;
esac
case "$model" in
  410a) app=qm410a-panel; preferences=QM-410A; baud=9600 ;;
  520a) app=qm520a-panel; preferences=VT-540A; baud=4800 ;;
  *) echo "usage: $0 [410a|520a] [runs]" >&2; exit 2 ;;
esac
if [[ -z "${DISPLAY:-}" ]]; then
  # A random first display number keeps clear of other Xvfb servers starting at the same time;
  # -noreset keeps the server accepting clients when the last one has left.
  exec xvfb-run -a -n $((200 + RANDOM % 700)) -s "-noreset -screen 0 1024x768x24" "$0" "$@"
fi

build=${QM_BUILD_DIR:-build}
panel=$(find "$build/apps" -type f -name "$app" -perm -u+x -print -quit)
sim=$(find "$build/tools" -type f -name qm-unit-sim -perm -u+x -print -quit)
[[ -n "$panel" && -n "$sim" ]] || { echo "build $app and qm-unit-sim first" >&2; exit 1; }

work=$(mktemp -d)
sim_pid=
panel_pid=
xev_pid=
server_pid=
finish() {
  [[ -n "$xev_pid" ]] && kill "$xev_pid" 2>/dev/null || true
  [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null || true
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

# Microsecond timestamp of the first line of a stamped log that matches.
first_stamp() {
  local line
  line=$(grep -a -m1 -- "$1" "$2") || { echo "no '$1' in $2" >&2; cat "$work"/panel-*.err >&2; exit 1; }
  echo "${line%% *}"
}

# Starts ser2net in front of the unit's device; `served` is the address COM1 is given.
serve() {
  local port accepter=tcp
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  [[ $way == rfc2217 ]] && accepter="telnet(rfc2217),tcp"
  printf 'connection: &unit\n    accepter: %s,127.0.0.1,%s\n    enable: on\n    connector: serialdev,%s,%sn81,local\n' \
    "$accepter" "$port" "$1" "$baud" >"$work/ser2net.yaml"
  ser2net -n -c "$work/ser2net.yaml" >>"$work/ser2net.log" 2>&1 &
  server_pid=$!
  for _ in $(seq 200); do
    grep -q "0100007F:$(printf '%04X' "$port") 00000000:0000 0A" /proc/net/tcp && break
    sleep 0.01
  done
  served="$way://127.0.0.1:$port"
}

# Every line of a program's output, stamped with the time it came out.
stamp() { while IFS= read -r line; do echo "$(now_us) $line"; done; }

# Map events of the display's top-level windows: the panel's window appearing is the first.
# Appended, so that the log can be emptied before each run.
xev -root -event substructure > >(stamp >>"$work/x.log") &
xev_pid=$!

printf '%-4s %10s %10s %8s %8s %8s %10s\n' run window_ms request_ms cpu_% rss_MB hwm_MB startup_ms
results=()
for run in $(seq "$runs"); do
  : >"$work/sim.log"
  : >"$work/x.log"
  "$sim" --model "$model" > >(stamp >"$work/sim.log") &
  sim_pid=$!
  pty=$(for _ in $(seq 200); do
          if [[ -s "$work/sim.log" ]]; then head -n1 "$work/sim.log" | cut -d' ' -f2; break; fi
          sleep 0.01
        done)
  config=$work/config-$run
  mkdir -p "$config/qm-control-panel"
  device=$pty
  if [[ $way != local ]]; then
    serve "$pty"
    device=$served
  fi
  printf '[Ports]\nCOM1=%s\n' "$device" >"$config/qm-control-panel/$preferences.ini"

  start=$(now_us)
  XDG_CONFIG_HOME=$config "$panel" 2>"$work/panel-$run.err" &
  panel_pid=$!
  sleep 0.8
  cpu_startup=$(cpu_ns "$panel_pid")
  poll_from=$(now_us)
  sleep 2.8
  cpu_poll=$(( $(cpu_ns "$panel_pid") - cpu_startup ))
  poll_to=$(now_us)
  sleep 1.2
  rss=$(awk '/VmRSS/ {print $2}' /proc/"$panel_pid"/status)
  hwm=$(awk '/VmHWM/ {print $2}' /proc/"$panel_pid"/status)
  shown=$(first_stamp MapNotify "$work/x.log")
  first=$(first_stamp $'\t'request "$work/sim.log")
  (( first < poll_from )) || echo "run $run: the poll began after 0.8 s" >&2

  line=$(awk -v s="$start" -v w="$shown" -v f="$first" -v c="$cpu_poll" -v p0="$poll_from" \
             -v p1="$poll_to" -v r="$rss" -v h="$hwm" -v cs="$cpu_startup" -v n="$run" 'BEGIN {
    printf "%-4s %10.1f %10.1f %8.2f %8.1f %8.1f %10.1f", n, (w - s) / 1000, (f - s) / 1000,
           100 * c / 1000 / (p1 - p0), r / 1024, h / 1024, cs / 1e6 }')
  echo "$line"
  results+=("$line")

  kill "$panel_pid"; wait "$panel_pid" 2>/dev/null || true
  panel_pid=
  if [[ -n "$server_pid" ]]; then
    kill "$server_pid"; wait "$server_pid" 2>/dev/null || true
    server_pid=
  fi
  kill "$sim_pid"
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=
done

median() { printf '%s\n' "${results[@]}" | awk -v k="$1" '{print $k}' | sort -g |
           awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
printf '%-4s %10s %10s %8s %8s %8s %10s\n' med "$(median 2)" "$(median 3)" "$(median 4)" \
  "$(median 5)" "$(median 6)" "$(median 7)"
