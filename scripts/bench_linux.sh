#!/usr/bin/env bash
# The X11 program's cost against a peer on the same kind of display: `nivora -root` with 3000 flakes, then Debian's
# xsnow with at most 3000 flakes and none of its scenery, each on an Xvfb of its own at 1920x1080 and 3840x2160.
# CPU is the program and the X server together, from their utime + stime over SECONDS, as a percentage of one core.
# nivora is measured as it is after minutes of running, with every flake in the picture: its flakes start up to 15
# screen heights above it and the slowest fall one pixel a frame, so it runs 15 heights of frames at 50 a second
# first (about 5 minutes at 1080p, 11 at 4K; both warm up at once). xsnow makes its flakes within seconds.
# Usage: scripts/bench_linux.sh BUILD_FOLDER [SECONDS]   Prints, last, the linux_* and peer_xsnow_* figures.
#        NIVORA_BENCH_SCREEN_HEIGHTS (default 15) shortens nivora's warm-up for a quick look.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1/bin" && pwd)
seconds=${2:-20}
heights=${NIVORA_BENCH_SCREEN_HEIGHTS:-15}
xsnow_warmup=${NIVORA_BENCH_XSNOW_WARMUP:-15}  # s
xsnow=/usr/games/xsnow
source "$here/xvfb.sh"

work=$(mktemp -d)
cleanup() {  # stops what is still running of what we started: this shell's own background jobs
  local running
  running=$(jobs -p)
  [[ -z $running ]] || stop $running
  rm -rf "$work"
}
trap cleanup EXIT

ticks() {  # utime + stime of a process, in clock ticks
  awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}

# Prints the program's and the X server's CPU over SECONDS, and their sum last, in % of one core.
measure() {  # $1 = program pid, $2 = X server pid
  local hz b1 b2 a1 a2
  hz=$(getconf CLK_TCK)
  kill -0 "$1" 2>/dev/null || { echo "bench_linux: the program (pid $1) is not running" >&2; return 1; }
  b1=$(ticks "$1") b2=$(ticks "$2")
  sleep "$seconds"
  a1=$(ticks "$1") a2=$(ticks "$2")
  awk -v s="$seconds" -v hz="$hz" -v p="$((a1 - b1))" -v x="$((a2 - b2))" \
    'BEGIN { printf "%.1f %.1f %.1f\n", p / hz / s * 100, x / hz / s * 100, (p + x) / hz / s * 100 }'
}

stop() {  # pids
  kill "$@" 2>/dev/null || true
  local p
  for p in "$@"; do wait "$p" 2>/dev/null || true; done
}

declare -A cpu nivora_pid nivora_server warm_until
sizes=(1080p:1920x1080 4k:3840x2160)  # name:WIDTHxHEIGHT

# Both nivoras warm up side by side; each is measured once its own warm-up is over.
for entry in "${sizes[@]}"; do
  name=${entry%%:*} size=${entry#*:}
  start_xvfb "${size}x24"
  DISPLAY=$started_display "$bin/nivora" -root -precipitation 4 >"$work/nivora-$name.log" 2>&1 &
  nivora_pid[$name]=$! nivora_server[$name]=$started_xvfb_pid
  warm_until[$name]=$((SECONDS + heights * ${size#*x} / 50 + 2))
done

model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
echo "bench_linux: $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $model, ${seconds} s each;" \
  "nivora after $heights screen heights of frames, xsnow after $xsnow_warmup s"

run_xsnow() {  # $1 = name, $2 = WIDTHxHEIGHT
  start_xvfb "$2x24"
  mkdir -p "$work/xsnow-home"
  # Flakes only: no trees, Santa, Rudolph, stars, meteors, moon, aurora or birds, and no menu or settings file.
  DISPLAY=$started_display GDK_BACKEND=x11 HOME="$work/xsnow-home" "$xsnow" -root -nomenu -noconfig -defaults \
    -flakecountmax 3000 -snowflakes 2000 -notrees -nosanta -norudolph -stars 0 -nometeors -moon 0 -halo 0 \
    -aurora 0 -showbirds 0 >"$work/xsnow-$1.log" 2>&1 &
  local pid=$!
  sleep "$xsnow_warmup"
  local parts
  parts=($(measure "$pid" "$started_xvfb_pid"))
  echo "bench_linux xsnow $1: xsnow ${parts[0]} %, X server ${parts[1]} %, together ${parts[2]} %"
  cpu[xsnow_$1]=${parts[2]}
  stop "$pid" "$started_xvfb_pid"
}

run_nivora() {  # $1 = name
  local wait=$((warm_until[$1] - SECONDS))
  ((wait <= 0)) || sleep "$wait"
  local parts
  parts=($(measure "${nivora_pid[$1]}" "${nivora_server[$1]}"))
  echo "bench_linux nivora $1: nivora ${parts[0]} %, X server ${parts[1]} %, together ${parts[2]} %"
  cpu[nivora_$1]=${parts[2]}
  stop "${nivora_pid[$1]}" "${nivora_server[$1]}"
}

# The peer first, while nivora warms up (its figures are its own processes' ticks, not the wall clock's).
[[ -x $xsnow ]] || { echo "bench_linux: $xsnow is missing (Debian's xsnow package)" >&2; exit 1; }
run_xsnow 1080p 1920x1080
run_xsnow 4k 3840x2160
run_nivora 1080p
run_nivora 4k

echo "linux_cpu_1080p: ${cpu[nivora_1080p]}"
echo "linux_cpu_4k: ${cpu[nivora_4k]}"
echo "linux_cpu_ratio_4k_over_1080p: $(awk -v a="${cpu[nivora_4k]}" -v b="${cpu[nivora_1080p]}" \
  'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
echo "peer_xsnow_cpu_1080p: ${cpu[xsnow_1080p]}"
echo "peer_xsnow_cpu_4k: ${cpu[xsnow_4k]}"
