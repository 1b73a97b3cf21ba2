#!/usr/bin/env bash
# Shows a control panel at work without hardware: starts the emulated unit (qm-unit-sim) on a
# pseudo-terminal, maps that terminal to COM1 in a preferences folder of the demo's own (the
# operator's own settings are never touched; no other port is opened) and runs the panel
# against it.
#   scripts/demo-panel.sh [410a|520a]      (default 520a)
# With a display the panel runs until it is closed. Without one it runs under Xvfb for
# QM_DEMO_SECONDS (default 6), long enough for the poll, and leaves a screenshot in the build folder
# (with ImageMagick).
set -euo pipefail
cd "$(dirname "$0")/.."

model=${1:-520a}
case "$model" in
  410a) app=qm410a-panel; preferences=QM-410A ;;
  520a) app=qm520a-panel; preferences=VT-540A ;;
  *) echo "usage: $0 [410a|520a]" >&2; exit 2 ;;
esac

if [[ -z "${DISPLAY:-}" && -z "${QM_DEMO_HEADLESS:-}" ]]; then
  export QM_DEMO_HEADLESS=1
  # A random first display number keeps clear of other Xvfb servers starting at the same time.
  exec xvfb-run -a -n $((200 + RANDOM % 700)) -s "-noreset -screen 0 1024x768x24" "$0" "$@"
fi

# QM_BUILD_DIR picks another build tree than the Release one of scripts/build-release.sh,
# such as build/ of the tests.
build=${QM_BUILD_DIR:-build-release}
if [[ -f "$build/build.ninja" ]]; then
  cmake --build "$build" --target "$app" qm-unit-sim >/dev/null
else
  bash scripts/build-release.sh
fi
panel=$(find "$build/apps" -type f -name "$app" -perm -u+x -print -quit)
sim=$(find "$build/tools" -type f -name qm-unit-sim -perm -u+x -print -quit)
if [[ -z "$panel" || -z "$sim" ]]; then
  echo "demo-panel: $app or qm-unit-sim was not built" >&2
  exit 1
fi

config=$(mktemp -d)
sim_log=$build/demo-sim-$model.log
sim_pid=
panel_pid=
# The panel ends first, as its Close button ends it, so that it does not see the unit vanish.
finish() {
  [[ -n "$panel_pid" ]] && kill "$panel_pid" 2>/dev/null && wait "$panel_pid" 2>/dev/null || true
  [[ -n "$sim_pid" ]] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
  rm -rf "$config"
}
trap finish EXIT

"$sim" --model "$model" >"$sim_log" &
sim_pid=$!
for _ in $(seq 100); do
  [[ -s "$sim_log" ]] && break
  sleep 0.05
done
pty=$(head -n 1 "$sim_log")
if [[ ! -e "$pty" ]]; then
  echo "demo-panel: the emulated unit did not start (see $sim_log)" >&2
  exit 1
fi

mkdir -p "$config/qm-control-panel"
# Every other port number leads to a file that is not there, so the demo never opens a real
# serial port of this machine.
{
  printf '[Ports]\nCOM1=%s\n' "$pty"
  for n in $(seq 2 16); do printf 'COM%d=%s/no-port-%d\n' "$n" "$config" "$n"; done
} >"$config/qm-control-panel/$preferences.ini"
echo "Emulated $model unit on $pty (COM1); frames it receives go to $sim_log"

if [[ -z "${QM_DEMO_HEADLESS:-}" ]]; then
  XDG_CONFIG_HOME="$config" "$panel"
  exit 0
fi

XDG_CONFIG_HOME="$config" "$panel" &
panel_pid=$!
sleep "${QM_DEMO_SECONDS:-6}"
if ! command -v import >/dev/null; then
  echo "The panel ran for ${QM_DEMO_SECONDS:-6} s; install imagemagick for a screenshot"
  exit 0
fi
screenshot=$build/demo-panel-$model.png
import -window root "$screenshot"
echo "Screenshot of the panel after its start-up poll: $screenshot"
