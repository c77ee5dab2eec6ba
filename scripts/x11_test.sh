#!/usr/bin/env bash
# Runs the X11 program's tests on a virtual display of their own, with a throw-away HOME whose XScreenSaver
# settings let xscreensaver-getimage grab the desktop, as a user's default settings do.
# Usage: scripts/x11_test.sh BUILD_FOLDER [gtest arguments]
set -euo pipefail
build=$(cd "$1" && pwd)
shift

tests="$build/tests/x11/nivora_x11_tests"
[[ -x $tests ]] || { echo "x11_test: $tests is not built (are libx11-dev, libxext-dev, libxrandr-dev there?)"; exit 1; }

source "$(dirname "$0")/xvfb.sh"
work=$(mktemp -d)
started_xvfb_pid=""
cleanup() {
  [[ -n $started_xvfb_pid ]] && kill "$started_xvfb_pid" 2>/dev/null && wait "$started_xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

start_xvfb 640x480x24
export DISPLAY=$started_display

mkdir -p "$work/home"
cat >"$work/home/.xscreensaver" <<'SETTINGS'
grabDesktopImages: True
grabVideoFrames: False
chooseRandomImages: False
SETTINGS
export HOME="$work/home"
unset XSCREENSAVER_WINDOW

NIVORA_BIN="$build/bin" "$tests" "$@"
