#!/usr/bin/env bash
# Runs the X11 program's tests on a virtual display of their own, with a throw-away HOME whose XScreenSaver
# settings let xscreensaver-getimage grab the desktop, as a user's default settings do.
# Usage: scripts/x11_test.sh BUILD_FOLDER [gtest arguments]
set -euo pipefail
build=$(cd "$1" && pwd)
shift

tests="$build/tests/x11/nivora_x11_tests"
[[ -x $tests ]] || { echo "x11_test: $tests is not built (are libx11-dev, libxext-dev, libxrandr-dev there?)"; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
# -noreset: the server would otherwise start afresh whenever a test's last connection closes.
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 200); do
  [[ -s $work/display ]] && break
  sleep 0.05
done
[[ -s $work/display ]] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

mkdir -p "$work/home"
cat >"$work/home/.xscreensaver" <<'SETTINGS'
grabDesktopImages: True
grabVideoFrames: False
chooseRandomImages: False
SETTINGS
export HOME="$work/home"
unset XSCREENSAVER_WINDOW

NIVORA_BIN="$build/bin" "$tests" "$@"
