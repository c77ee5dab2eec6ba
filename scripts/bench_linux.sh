#!/usr/bin/env bash
# The X11 program's cost against a peer on the same kind of display: `nivora -root` with 3000 flakes, then Debian's
# xsnow with at most 3000 flakes and none of its scenery, each on an Xvfb of its own at 1920x1080 and 3840x2160.
# CPU is the program and the X server together, from their utime + stime over SECONDS, as a percentage of one core.
# nivora is measured as it is after minutes of running, with every flake in the picture: its flakes start up to 15
# screen heights above it and the slowest fall one pixel a frame, so its test build makes 15 heights of frames before
# it shows the first (NIVORA_FRAMES_AHEAD; seconds of processor time), then warms up for a few seconds like xsnow.
# The Wayland program is measured the same way on sway (headless, pixman) at the same sizes: nivora and sway
# together, as wayland_cpu_*.
# Usage: scripts/bench_linux.sh BUILD_FOLDER [SECONDS]   Prints, last, the linux_*, wayland_* and peer_xsnow_*
#        figures.
#        NIVORA_BENCH_SCREEN_HEIGHTS (default 15) sets how many screen heights of frames nivora runs ahead;
#        NIVORA_BENCH_NO_PEER=1 leaves xsnow out, to compare builds of nivora quickly.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1/bin" && pwd)
seconds=${2:-20}
heights=${NIVORA_BENCH_SCREEN_HEIGHTS:-15}
xsnow_warmup=${NIVORA_BENCH_XSNOW_WARMUP:-15}  # s
nivora_warmup=3  # s after its frames ahead
xsnow=/usr/games/xsnow
source "$here/xvfb.sh"
source "$here/sway_headless.sh"

work=$(mktemp -d)
cleanup() {  # stops what is still running of what we started: this shell's own background jobs
  local running
  running=$(jobs -p)
  [[ -z $running ]] || stop $running
  stop_sway
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

declare -A cpu boxes share

model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
echo "bench_linux: $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $model, ${seconds} s each;" \
  "nivora after $heights screen heights of frames and $nivora_warmup s, xsnow after $xsnow_warmup s"

# Measures program $1's run $2 (its pid $3) with the display server it runs on ($4, the X server unless given),
# prints and keeps the figures, stops both.
record() {
  local parts server=${4:-$started_xvfb_pid}
  parts=($(measure "$3" "$server"))
  echo "bench_linux $1 $2: $1 ${parts[0]} %, display server ${parts[1]} %, together ${parts[2]} %"
  cpu[$1_$2]=${parts[2]}
  stop "$3" "$server"
}

run_xsnow() {  # $1 = name, $2 = WIDTHxHEIGHT
  start_xvfb "$2x24"
  mkdir -p "$work/xsnow-home"
  # Flakes only: no trees, Santa, Rudolph, stars, meteors, moon, aurora or birds, and no menu or settings file.
  DISPLAY=$started_display GDK_BACKEND=x11 HOME="$work/xsnow-home" "$xsnow" -root -nomenu -noconfig -defaults \
    -flakecountmax 3000 -snowflakes 2000 -notrees -nosanta -norudolph -stars 0 -nometeors -moon 0 -halo 0 \
    -aurora 0 -showbirds 0 >"$work/xsnow-$1.log" 2>&1 &
  local pid=$!
  sleep "$xsnow_warmup"
  record xsnow "$1" "$pid"
}

# Waits until nivora (pid $1) has made its frames ahead, then for the warm-up.
frames_made() {
  local hz before after
  hz=$(getconf CLK_TCK)
  # The frames ahead take all of a core; once the program uses less than half of one, it shows its frames.
  after=$(ticks "$1")
  while sleep 1 && kill -0 "$1" 2>/dev/null; do
    before=$after after=$(ticks "$1")
    ((after - before > hz / 2)) || break
  done
  sleep "$nivora_warmup"
}

run_nivora() {  # $1 = name, $2 = WIDTHxHEIGHT
  start_xvfb "$2x24"
  DISPLAY=$started_display NIVORA_FRAMES_AHEAD=$((heights * ${2#*x})) "$bin/nivora_test" -root -precipitation 4 \
    >"$work/nivora-$1.log" 2>&1 &
  local pid=$!
  frames_made "$pid"
  record nivora "$1" "$pid"
}

# On sway, over a flat background; as root both run as nobody, from a copy that user can read.
run_nivora_wayland() {  # $1 = name, $2 = WIDTHxHEIGHT
  chmod 0755 "$work"
  mkdir -p "$work/bin"
  install -m 0755 "$bin/nivora_test" "$work/bin/"
  start_sway "$work/sway-$1" "$2" 'output * bg #3060a0 solid_color'
  in_sway_exec env NIVORA_FRAMES_AHEAD=$((heights * ${2#*x})) "$work/bin/nivora_test" -precipitation 4 \
    >"$work/nivora-wayland-$1.log" 2>&1 &
  local pid=$!
  frames_made "$pid"
  record wayland "$1" "$pid" "$sway_pid"
  sway_pid=""
  damage_wayland "$1" "$2"
}

# The damage nivora gives sway per frame, from its requests as WAYLAND_DEBUG prints them: boxes a frame and the
# share of the output they cover (they never overlap). A run of its own, as printing every request costs time.
damage_wayland() {  # $1 = name, $2 = WIDTHxHEIGHT
  start_sway "$work/sway-damage-$1" "$2" 'output * bg #3060a0 solid_color'
  in_sway_exec env WAYLAND_DEBUG=client NIVORA_FRAMES_AHEAD=$((heights * ${2#*x})) "$work/bin/nivora_test" \
    -precipitation 4 >"$work/damage-$1.log" 2>&1 &
  local pid=$!
  frames_made "$pid"
  : >"$work/damage-$1.log"  # the frames from here on only
  sleep 5
  stop "$pid"
  stop_sway
  local figures
  figures=$(awk -v area="$((${2%x*} * ${2#*x}))" '
    /-> wl_surface@[0-9]+\.damage_buffer\(/ {
      sub(/.*damage_buffer\(/, ""); sub(/\).*/, ""); split($0, v, ", ")
      boxes++; pixels += v[3] * v[4] }
    /-> wl_surface@[0-9]+\.commit\(/ { frames++ }
    END { if (frames) printf "%.2f %.1f", boxes / frames, pixels / frames / area * 100; else print "0 0" }' \
    "$work/damage-$1.log")
  read -r boxes[$1] share[$1] <<<"$figures"
  echo "bench_linux wayland damage $1: ${boxes[$1]} boxes a frame covering ${share[$1]} % of the output"
}

[[ -x $xsnow ]] || { echo "bench_linux: $xsnow is missing (Debian's xsnow package)" >&2; exit 1; }
if [[ -z ${NIVORA_BENCH_NO_PEER:-} ]]; then
  run_xsnow 1080p 1920x1080
  run_xsnow 4k 3840x2160
fi
run_nivora 1080p 1920x1080
run_nivora 4k 3840x2160
run_nivora_wayland 1080p 1920x1080
run_nivora_wayland 4k 3840x2160

echo "linux_cpu_1080p: ${cpu[nivora_1080p]}"
echo "linux_cpu_4k: ${cpu[nivora_4k]}"
echo "linux_cpu_ratio_4k_over_1080p: $(awk -v a="${cpu[nivora_4k]}" -v b="${cpu[nivora_1080p]}" \
  'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
echo "wayland_cpu_1080p: ${cpu[wayland_1080p]}"
echo "wayland_cpu_4k: ${cpu[wayland_4k]}"
echo "wayland_cpu_ratio_4k_over_1080p: $(awk -v a="${cpu[wayland_4k]}" -v b="${cpu[wayland_1080p]}" \
  'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
echo "wayland_damage_boxes_per_frame_1080p: ${boxes[1080p]}"
echo "wayland_damage_share_1080p: ${share[1080p]}"
echo "wayland_damage_boxes_per_frame_4k: ${boxes[4k]}"
echo "wayland_damage_share_4k: ${share[4k]}"
[[ -n ${NIVORA_BENCH_NO_PEER:-} ]] && exit 0
echo "peer_xsnow_cpu_1080p: ${cpu[xsnow_1080p]}"
echo "peer_xsnow_cpu_4k: ${cpu[xsnow_4k]}"
