#!/usr/bin/env bash
# The README's main command as a new user meets it, timed from outside:
#   bench/main-job.sh [410a|520a] [--warm-packages]
# It runs `bash scripts/run-main.sh` in a fresh clone of this checkout's HEAD, inside a Debian
# 12 base system (debootstrap --variant=minbase, made once into bench/.fresh-base and copied
# for each run), with no compiler cache, so that every package the job needs is downloaded
# and installed from Debian's mirror as on a fresh machine. --warm-packages keeps the copy of
# the last run, its packages installed, and measures the build alone. QM_BENCH_REVISION names
# another commit to time (default HEAD), to compare before and after in one sitting.
# Printed: seconds from the command's start to the panel's window on the display (an Xvfb of
# this script's, seen from outside with xwininfo), and the build's part of them by ninja's log.
# Needs root, debootstrap, Xvfb and x11-utils.
set -euo pipefail
cd "$(dirname "$0")/.."
model=${1:-520a}
case "$model" in
  410a) title="QM-410A" ;;
  520a) title="QM-520A" ;;
  *) echo "usage: $0 [410a|520a] [--warm-packages]" >&2; exit 2 ;;
esac
base=$PWD/bench/.fresh-base
root=$PWD/bench/.fresh-run
if [[ ! -f $base/.complete ]]; then
  rm -rf "$base"
  debootstrap --variant=minbase bookworm "$base" http://deb.debian.org/debian >/dev/null
  touch "$base/.complete"
fi
if [[ "${2:-}" != --warm-packages || ! -d $root ]]; then
  rm -rf "$root"
  cp -a "$base" "$root"
fi
rm -rf "$root/checkout"
git clone -q --no-hardlinks "$PWD" "$root/checkout"
git -C "$root/checkout" checkout -q "${QM_BENCH_REVISION:-HEAD}"
cp /etc/resolv.conf "$root/etc/resolv.conf"

display=$((300 + RANDOM % 500))
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
mounts=(proc sys dev dev/pts tmp/.X11-unix)
cleanup() {
  [[ -n ${job:-} ]] && kill -- "-$job" 2>/dev/null || true # the job's own group: panel, unit
  kill "$xvfb" 2>/dev/null || true
  for m in $(printf '%s\n' "${mounts[@]}" | tac); do umount -l "$root/$m" 2>/dev/null || true; done
}
trap cleanup EXIT
mkdir -p "$root/tmp/.X11-unix"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
for _ in $(seq 100); do xwininfo -root -display ":$display" >/dev/null 2>&1 && break; sleep 0.1; done

log=$root/main-job.log
start=$(date +%s.%N)
setsid chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root DISPLAY=":$display" \
  CCACHE_DISABLE=1 bash -c "cd /checkout && bash scripts/run-main.sh $model" >"$log" 2>&1 &
job=$!
window=
while kill -0 "$job" 2>/dev/null; do
  if xwininfo -root -tree -display ":$display" 2>/dev/null | grep -q "\"$title"; then
    window=$(date +%s.%N)
    break
  fi
  sleep 0.2
done
[[ -n $window ]] || { tail -n 20 "$log" >&2; echo "main-job: no window appeared" >&2; exit 1; }
# The build's span, by ninja's own log (milliseconds from its start); the rest is packages,
# configuring and the panel's start.
ninja_log=$root/checkout/build-release/.ninja_log
read -r build cpu steps < <(awk 'NR > 1 { if (!n++) f = $1; if ($2 > l) l = $2; c += $2 - $1 }
  END { printf "%.0f %.0f %d\n", (l - f) / 1000, c / 1000, n }' "$ninja_log")
total=$(awk -v s="$start" -v w="$window" 'BEGIN { printf "%.0f", w - s }')
echo "window at $total s: build $build s ($steps steps, $cpu s of jobs on $(nproc) cores)," \
  "packages, configure and start $((total - build)) s"
