#!/usr/bin/env bash
# The whole saver's cost: the full-screen saver under Wine, 3000 flakes on each monitor, on a virtual display of its
# own at 1920x1080, 3840x2160, two 3840x2160 monitors side by side, and 3840x2160 at 200 % (192 dpi). CPU is the
# saver, the X server and the wineserver together, from their utime + stime over SECONDS after a warm-up, as a
# percentage of one core; memory is the saver's resident set (VmRSS) at the end and its peak (VmHWM). The snow is
# measured as it is after minutes of running: every flake in the picture. Then the frames a second over
# NIVORA_BENCH_RATE_SECONDS (10), read from the saver's frame count by the end-to-end tests' program (the tests
# themselves check only that frames are never early nor in bursts: a busy machine makes them late).
# Usage: scripts/bench_saver.sh BIN_FOLDER [SECONDS]   Prints, last, the saver_* figures.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
seconds=${2:-20}
warmup=${NIVORA_BENCH_WARMUP:-3}  # s after the window shows
rate_seconds=${NIVORA_BENCH_RATE_SECONDS:-10}
source "$here/wine_env.sh"

work=$(mktemp -d)
saver_pid=""
cleanup() {
  [[ -n $saver_pid ]] && kill "$saver_pid" 2>/dev/null || true
  stop_all
  rm -rf "$work"
}
trap cleanup EXIT

# A display of its own (wine_env.sh starts it with -noreset, which keeps the monitors set below).
start_bench_display() {  # $1 = WIDTHxHEIGHT
  NIVORA_SCREEN="$1x24" start_display force
}

# Two monitors side by side, each WIDTHxHEIGHT at about 96 dots per inch; the right one is the primary, so Wine
# puts the left one at negative coordinates.
set_two_monitors() {  # $1 = width, $2 = height
  local w=$1 h=$2 mm_w=$(($1 * 254 / 960)) mm_h=$(($2 * 254 / 960))
  xrandr --setmonitor SIDE "$w/${mm_w}x$h/${mm_h}+0+0" none >/dev/null
  xrandr --setmonitor '*MAIN' "$w/${mm_w}x$h/${mm_h}+$w+0" screen >/dev/null
}

ticks() {  # utime + stime of a process, in clock ticks
  awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}

status_kb() {  # $1 = pid, $2 = field of /proc/PID/status
  awk -v f="$2:" '$1 == f { print $2 }' "/proc/$1/status"
}

# The wineserver of our prefix (Wine names it wineserver or wineserver64).
wineserver_pid() {
  local d
  for d in /proc/[0-9]*; do
    case $(cat "$d/comm" 2>/dev/null) in
      wineserver*) grep -qz "^WINEPREFIX=$WINEPREFIX\$" "$d/environ" 2>/dev/null && { echo "${d#/proc/}"; return; } ;;
    esac
  done
}

# The frames a second of the saver on the screen, by the e2e program's benchmark-only test; "?" when it cannot tell.
frame_rate() {
  local said
  said=$(NIVORA_BENCH_SECONDS=$rate_seconds wine "$bin/nivora_e2e.exe" --gtest_also_run_disabled_tests \
    --gtest_filter='SaverFrameRate.*' 2>/dev/null | tr -d '\r' | sed -n 's/^saver_frames_per_second: //p')
  echo "${said:-?}"
}

# One run: prints its breakdown and sets cpu, rss_mb, peak_mb and fps.
measure() {  # $1 = name, $2 = WIDTHxHEIGHT of the X screen, $3 = monitors (1 or 2)
  local name=$1 size=$2 monitors=$3
  start_bench_display "$size"
  if [[ $monitors == 2 ]]; then
    local w=${size%x*} h=${size#*x}
    set_two_monitors $((w / 2)) "$h"
  fi
  # The flakes start up to 15 screen heights above the picture; run the frames of the first minutes ahead, so that
  # every flake is in the picture and snow has settled, as on a screen the saver has had for a while.
  NIVORA_FRAMES_AHEAD=$((6 * ${size#*x})) wine "$bin/nivora_test.scr" /s >/dev/null 2>&1 &
  saver_pid=$!
  local shown=""
  for _ in $(seq 600); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Nivora MAIN"' && { shown=1; break; }
    sleep 0.2
  done
  [[ -n $shown ]] || { echo "saver_bench $name: the saver's window did not show" >&2; return 1; }
  sleep "$warmup"
  local server
  server=$(wineserver_pid)
  if ! kill -0 "$saver_pid" 2>/dev/null || [[ -z $server ]]; then
    echo "saver_bench $name: the saver did not keep running" >&2
    return 1
  fi
  local pids=("$saver_pid" "$xvfb_pid" "$server") before=() after=() p
  for p in "${pids[@]}"; do before+=("$(ticks "$p")"); done
  sleep "$seconds"
  for p in "${pids[@]}"; do after+=("$(ticks "$p")"); done
  local rss hwm hz
  rss=$(status_kb "$saver_pid" VmRSS)
  hwm=$(status_kb "$saver_pid" VmHWM)
  hz=$(getconf CLK_TCK)
  # After the CPU figures, which the measuring program's own start would add to.
  fps=$(frame_rate)
  kill "$saver_pid" 2>/dev/null || true
  wait "$saver_pid" 2>/dev/null || true
  saver_pid=""
  stop_all
  local result
  result=$(awk -v s="$seconds" -v hz="$hz" -v rss="$rss" -v hwm="$hwm" -v b="${before[*]}" -v a="${after[*]}" 'BEGIN {
      split(b, B, " "); split(a, A, " ")
      for (i = 1; i <= 3; ++i) P[i] = (A[i] - B[i]) / hz / s * 100
      printf "%.1f %.1f %.1f %.1f %.0f %.0f\n", P[1] + P[2] + P[3], P[1], P[2], P[3], rss / 1024, hwm / 1024
    }')
  local parts=($result)
  cpu=${parts[0]} rss_mb=${parts[4]} peak_mb=${parts[5]}
  echo "saver_bench $name: saver ${parts[1]} %, X server ${parts[2]} %, wineserver ${parts[3]} %, together $cpu %;" \
    "saver resident $rss_mb MB, peak $peak_mb MB; $fps frames a second"
}

# One prefix for the three runs, booted on a display of its own. Xinerama's monitors rather than XRandR's, so that
# Wine sees the monitors set with --setmonitor; 3000 flakes (precipitation 4); the rest at the defaults.
start_bench_display 1024x768
start_wine "$work/prefix"
wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Nivora\Settings' /v reg_precipitation /d 4 /f >/dev/null 2>&1
stop_all

model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
echo "saver_bench: $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $model, ${seconds} s each after ${warmup} s"
measure 1080p 1920x1080 1
cpu_1080p=$cpu fps_1080p=$fps
measure 4k 3840x2160 1
cpu_4k=$cpu rss_4k=$rss_mb fps_4k=$fps
measure 2x4k 7680x2160 2
cpu_2x4k=$cpu rss_2x4k=$rss_mb fps_2x4k=$fps
# The 4K monitor at 200 %, as Windows scales it by default: larger flakes, the same snow.
start_bench_display 1024x768
set_dpi 192
stop_all
measure 4k200 3840x2160 1
cpu_4k200=$cpu rss_4k200=$rss_mb fps_4k200=$fps

echo "saver_cpu_1080p: $cpu_1080p"
echo "saver_cpu_4k: $cpu_4k"
echo "saver_cpu_2x4k: $cpu_2x4k"
ratio=$(awk -v a="$cpu_4k" -v b="$cpu_1080p" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
echo "saver_cpu_ratio_4k_over_1080p: $ratio"
echo "saver_rss_mb_4k: $rss_4k"
echo "saver_rss_mb_2x4k: $rss_2x4k"
echo "saver_cpu_4k200: $cpu_4k200"
echo "saver_rss_mb_4k200: $rss_4k200"
echo "saver_fps_1080p: $fps_1080p"
echo "saver_fps_4k: $fps_4k"
echo "saver_fps_2x4k: $fps_2x4k"
echo "saver_fps_4k200: $fps_4k200"
