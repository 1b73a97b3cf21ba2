#!/usr/bin/env bash
# How long `qmctl read` takes for twelve channels of an emulated QM-520A (at its line speed)
# through Debian's ser2net on 127.0.0.1, by RFC 2217 and by raw TCP, against the unit's own
# pseudo-terminal and the line time (12 x (3 + 105) bytes x 10 bits at 4800 baud, 2.7 s); then
# the same two through a relay that holds every piece 150 ms each way, as a server that far
# away would. The RFC 2217 connector starts at 9600 baud, so only the speed qmctl sets works.
#   bench/qmctl-network.sh [runs]     (default 3 runs; the median is printed)
# Needs a built tree (QM_BUILD_DIR, default build), ser2net and python3.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-3}
build=${QM_BUILD_DIR:-build}
qmctl=$build/tools/qmctl/qmctl
sim=$build/tools/qm-unit-sim/qm-unit-sim
[[ -x "$qmctl" && -x "$sim" ]] || { echo "build qmctl and qm-unit-sim first" >&2; exit 1; }
command -v ser2net >/dev/null || { echo "needs ser2net" >&2; exit 1; }

work=$(mktemp -d)
pids=()
finish() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap finish EXIT

now_us() { echo "${EPOCHREALTIME/./}"; }
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wait_for() { for _ in $(seq 100); do eval "$1" && return 0; sleep 0.1; done; echo "gave up: $1" >&2; exit 1; }
# Asked of the kernel, not by connecting: a device server takes one client at a time.
listens() { [[ -n $(ss -Hltn "sport = :$1") ]]; }

# Every piece that comes in either direction goes on DELAY seconds after it came, and so do a
# connection and its end: a client that ends and comes again reaches the server in that order.
cat >"$work/relay.py" <<'EOF'
import asyncio, sys
listen, server, delay = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])

async def pipe(reader, writer):
    loop = asyncio.get_running_loop()
    async def later(data):
        await asyncio.sleep(delay)
        writer.write(data)
    while data := await reader.read(65536):
        loop.create_task(later(data))
    await asyncio.sleep(delay)
    writer.close()

async def client(reader, writer):
    await asyncio.sleep(delay)
    up_reader, up_writer = await asyncio.open_connection("127.0.0.1", server)
    await asyncio.gather(pipe(reader, up_writer), pipe(up_reader, writer))

async def main():
    async with await asyncio.start_server(client, "127.0.0.1", listen) as relay:
        await relay.serve_forever()

asyncio.run(main())
EOF

"$sim" --model 520a --link "$work/rfc-unit" >"$work/rfc-unit.log" &
pids+=($!)
"$sim" --model 520a --link "$work/raw-unit" >"$work/raw-unit.log" &
pids+=($!)
"$sim" --model 520a --link "$work/local-unit" >"$work/local-unit.log" &
pids+=($!)
wait_for '[[ -e $work/rfc-unit && -e $work/raw-unit && -e $work/local-unit ]]'

rfc=$(free_port)
raw=$(free_port)
cat >"$work/ser2net.yaml" <<EOF
connection: &rfc
    accepter: telnet(rfc2217),tcp,127.0.0.1,$rfc
    enable: on
    connector: serialdev,$work/rfc-unit,9600n81,local
connection: &raw
    accepter: tcp,127.0.0.1,$raw
    enable: on
    connector: serialdev,$work/raw-unit,4800n81,local
EOF
ser2net -n -c "$work/ser2net.yaml" >"$work/ser2net.log" 2>&1 &
pids+=($!)
wait_for "listens $rfc && listens $raw"

rfc_far=$(free_port)
python3 "$work/relay.py" "$rfc_far" "$rfc" 0.15 &
pids+=($!)
raw_far=$(free_port)
python3 "$work/relay.py" "$raw_far" "$raw" 0.15 &
pids+=($!)
wait_for "listens $rfc_far && listens $raw_far"

measure() { # name port
  local times=() start
  for _ in $(seq "$runs"); do
    start=$(now_us)
    XDG_CONFIG_HOME=$work "$qmctl" read --model 520a --port "$2" -o "$work/out.json" ||
      echo "$1: qmctl read exited $?" >&2
    times+=($(( ($(now_us) - start) / 1000 )))
  done
  sorted=$(printf '%s\n' "${times[@]}" | sort -n | tr '\n' ' ')
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
  echo "520a $1: median ${median} ms over $runs runs (all: ${sorted% })"
}

measure "local pty" "$work/local-unit"
measure "ser2net RFC 2217" "rfc2217://127.0.0.1:$rfc"
measure "ser2net raw TCP" "tcp://127.0.0.1:$raw"
measure "ser2net RFC 2217, 150 ms each way" "rfc2217://127.0.0.1:$rfc_far"
measure "ser2net raw TCP, 150 ms each way" "tcp://127.0.0.1:$raw_far"
echo "520a line time of 12 requests and replies: $(( 12 * 108 * 10 * 1000 / 4800 )) ms"
grep -c unparsed "$work/rfc-unit.log" | sed 's/^/unparsed lines behind RFC 2217: /'
uptime
