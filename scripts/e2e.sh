#!/usr/bin/env bash
# Runs the end-to-end tests under Wine, on a virtual display of their own and in a throw-away Wine prefix: all of
# them on one monitor, then those that matter there on two monitors side by side and on two monitors one above the
# other, then the settings window's and the snow's at 150 % (144 dpi). Then the planting test, with Wine told to
# look for system libraries beside a program first, as Windows does.
# Usage: scripts/e2e.sh BIN_FOLDER [gtest arguments]
# NIVORA_E2E_PASSES picks the passes ("one", "two", "above", "dpi", "planting" or several); with gtest arguments only
# "one" runs, "dpi" too when they name settings or snow-at-DPI tests and "planting" when they name planting tests,
# unless it says otherwise; the arguments go to every pass that runs.
# NIVORA_E2E_DPI is the DPI of the "dpi" pass (144).
# Each pass first checks its bed (the Bed tests, told by NIVORA_E2E_BED what the pass set up): a pass whose monitors
# or DPI are not what it asked for fails without running its tests.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
shift
source "$here/wine_env.sh"

if [[ $# -gt 0 ]]; then
  default=one
  [[ $* == *Settings* || $* == *SnowAtDpi* ]] && default="one dpi"
  [[ $* == *Planting* ]] && default="planting"
  passes=${NIVORA_E2E_PASSES:-$default}
else
  passes=${NIVORA_E2E_PASSES:-one two above dpi planting}
fi
planting_tests='LibraryPlanting.*'

# The tests of the two-monitor pass: the snow on every monitor, the message on the primary one, input on the
# second one, the settings window on the pointer's monitor, the start with no argument, and the screen showing the
# saver's own picture on each monitor.
two_monitor_tests='Monitors.*:PauseAndReadback.TheScreenShows*:Snow.TheMessageIsWritten*:Snow.TheDesktopShows*:Snow.FramesCome*:SettingsDialog.OpensBesideThePointer*:*PointersMonitor*:*NoArgument*'
# With the second monitor above the primary the virtual screen starts above the primary's top: the tests that
# place the snow, the message and the read-back pictures by it.
above_monitor_tests='Monitors.*:PauseAndReadback.TheScreenShows*:Snow.TheMessageIsWritten*'

work=$(mktemp -d)
trap 'stop_all; rm -rf "$work"' EXIT

out="$bin/../e2e-output"
rm -rf "$out"
mkdir -p "$out"
status=0
scaled=""
for pass in $passes; do
  stop_all
  unset NIVORA_E2E_BED NIVORA_E2E_BED_DPI
  bed_ready=1
  if [[ $pass == two || $pass == above ]]; then
    if [[ $pass == two ]]; then
      echo "== two monitors"
      layout=side screen=1824x768x24 tests=$two_monitor_tests
    else
      echo "== two monitors, the second above the primary"
      layout=above screen=1024x1368x24 tests=$above_monitor_tests
    fi
    NIVORA_SCREEN=$screen start_display force
    start_wine "$work/prefix"
    split_monitors "$layout" || bed_ready=""
    export NIVORA_E2E_BED=$layout
    filter=()
    [[ $# -gt 0 ]] || filter=(--gtest_filter="$tests")
  elif [[ $pass == dpi ]]; then
    echo "== the settings window and the snow at ${NIVORA_E2E_DPI:-144} dpi"
    start_display force
    start_wine "$work/prefix"
    set_dpi "${NIVORA_E2E_DPI:-144}" || bed_ready=""
    scaled=1
    export NIVORA_E2E_BED=dpi NIVORA_E2E_BED_DPI=${NIVORA_E2E_DPI:-144}
    filter=()
    [[ $# -gt 0 ]] || filter=(--gtest_filter='SettingsDialog*:SnowAtDpi*')
  elif [[ $pass == planting ]]; then
    echo "== libraries planted beside the saver"
    start_display force
    start_wine "$work/prefix"
    # Wine prefers its own libraries; with this it looks beside the program first, as Windows does for libraries
    # that are not KnownDLLs. Read when each process starts, so it is set here rather than by the test.
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;msimg32,wtsapi32,shcore=n,b"
    export NIVORA_E2E_BED=one
    filter=()
    [[ $# -gt 0 ]] || filter=(--gtest_filter="$planting_tests")
  else
    start_display force
    start_wine "$work/prefix"
    export NIVORA_E2E_BED=one
    filter=()
    [[ $# -gt 0 ]] || filter=(--gtest_filter="-$planting_tests")
  fi
  # The prefix keeps the DPI of a scaled pass: the passes after it are put back at 100 %.
  if [[ -n $scaled && $pass != dpi ]]; then
    set_dpi 96 || bed_ready=""
  fi
  mkdir -p "$out/$pass"
  export NIVORA_E2E_OUTPUT=$(winepath -w "$out/$pass" 2>/dev/null)
  if [[ -z $bed_ready ]] || ! wine "$bin/nivora_e2e.exe" --gtest_filter='Bed.*' --gtest_brief=1; then
    echo "== the $pass pass's bed is not what it asked for: its tests do not run" >&2
    status=1
    continue
  fi
  wine "$bin/nivora_e2e.exe" "${filter[@]}" "$@" || status=$?
done

# Pictures the tests left: a PNG beside each BMP, for people to look at.
for bmp in "$out"/*/*.bmp; do
  [[ -e $bmp ]] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $status
