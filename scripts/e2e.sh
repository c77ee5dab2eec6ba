#!/usr/bin/env bash
# Runs the end-to-end tests under Wine, on a virtual display of their own and in a throw-away Wine prefix: all of
# them on one monitor, then those that matter there on two monitors side by side, then the settings window's and
# the snow's at 150 % (144 dpi).
# Usage: scripts/e2e.sh BIN_FOLDER [gtest arguments]
# NIVORA_E2E_PASSES picks the passes ("one", "two", "dpi" or several); with gtest arguments only "one" runs, and
# "dpi" too when they name settings or snow-at-DPI tests, unless it says otherwise; the arguments go to every pass that runs.
# NIVORA_E2E_DPI is the DPI of the "dpi" pass (144).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
shift
source "$here/wine_env.sh"

if [[ $# -gt 0 ]]; then
  default=one
  [[ $* == *Settings* || $* == *SnowAtDpi* ]] && default="one dpi"
  passes=${NIVORA_E2E_PASSES:-$default}
else
  passes=${NIVORA_E2E_PASSES:-one two dpi}
fi
# The tests of the two-monitor pass: the snow on every monitor, the message on the primary one, input on the
# second one, the settings window on the pointer's monitor, the start with no argument, and the screen showing the
# saver's own picture on each monitor.
two_monitor_tests='Monitors.*:PauseAndReadback.TheScreenShows*:Snow.TheMessageIsWritten*:Snow.TheDesktopShows*:Snow.FramesCome*:SettingsDialog.OpensBesideThePointer*:*PointersMonitor*:*NoArgument*'

work=$(mktemp -d)
trap 'stop_all; rm -rf "$work"' EXIT

out="$bin/../e2e-output"
rm -rf "$out"
mkdir -p "$out"
status=0
for pass in $passes; do
  stop_all
  if [[ $pass == two ]]; then
    echo "== two monitors"
    NIVORA_SCREEN=1824x768x24 start_display force
    start_wine "$work/prefix"
    split_monitors
    filter=()
    [[ $# -gt 0 ]] || filter=(--gtest_filter="$two_monitor_tests")
  elif [[ $pass == dpi ]]; then
    echo "== the settings window and the snow at ${NIVORA_E2E_DPI:-144} dpi"
    start_display force
    start_wine "$work/prefix"
    set_dpi "${NIVORA_E2E_DPI:-144}"
    filter=()
    [[ $# -gt 0 ]] || filter=(--gtest_filter='SettingsDialog*:SnowAtDpi*')
  else
    start_display force
    start_wine "$work/prefix"
    filter=()
  fi
  mkdir -p "$out/$pass"
  export NIVORA_E2E_OUTPUT=$(winepath -w "$out/$pass" 2>/dev/null)
  wine "$bin/nivora_e2e.exe" "${filter[@]}" "$@" || status=$?
done

# Pictures the tests left: a PNG beside each BMP, for people to look at.
for bmp in "$out"/*/*.bmp; do
  [[ -e $bmp ]] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $status
