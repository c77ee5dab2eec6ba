#!/usr/bin/env bash
# Runs the Wayland program's tests against Debian's sway, headless with the pixman renderer, which each test starts
# afresh, and against mutter (headless, and nested in an Xvfb of the test's own whose screen `import` reads) and weston.
# sway runs no session as root, so as root the tests (and so sway and nivora) run as nobody, from a copy of
# the programs in a folder that user can read, with a private XDG_RUNTIME_DIR and a throw-away HOME. Pictures of
# failed comparisons are copied to BUILD_FOLDER/test-output/wayland. KWin runs nested in an Xvfb of its own, whose
# windows are its outputs, from a plain copy: the installed kwin_wayland carries a file capability (cap_sys_resource)
# that makes it refuse to start here.
# Usage: scripts/wayland_test.sh BUILD_FOLDER [gtest arguments]
set -euo pipefail
build=$(cd "$1" && pwd)
shift

tests="$build/tests/wayland/nivora_wayland_tests"
[[ -x $tests ]] || {
  echo "wayland_test: $tests is not built (are libwayland-dev and wayland-protocols there?)"
  exit 1
}
for tool in sway swaymsg grim wtype swaylock swayidle strace mutter weston dbus-run-session kwin_wayland \
  Xvfb xdotool xwininfo import; do
  command -v "$tool" >/dev/null || { echo "wayland_test: $tool is missing (scripts/deps.sh installs it)"; exit 1; }
done

source "$(dirname "$0")/xvfb.sh"
started_xvfb_pid=
work=$(mktemp -d)
cleanup() {
  [[ -z $started_xvfb_pid ]] || kill "$started_xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
chmod 0755 "$work"
mkdir -p "$work/bin" "$work/home" "$work/run" "$work/out"
install -m 0755 "$build/bin/nivora" "$build/bin/nivora_test" "$tests" "$(command -v kwin_wayland)" "$work/bin/"
start_xvfb 4096x1536x24  # two KWin outputs of 1024 x 768 at scale 2 side by side
chmod 0700 "$work/run"

as_user=()
if [[ $(id -u) -eq 0 ]]; then
  chown nobody:nogroup "$work/home" "$work/run" "$work/out"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
status=0
(cd "$work/home" && "${as_user[@]}" env -i HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PATH=/usr/bin:/bin \
  LANG=C.UTF-8 NIVORA_BIN="$work/bin" NIVORA_TEST_OUTPUT="$work/out" NIVORA_KWIN="$work/bin/kwin_wayland" \
  NIVORA_KWIN_DISPLAY="$started_display" "$work/bin/nivora_wayland_tests" "$@") ||
  status=$?
if compgen -G "$work/out/*" >/dev/null; then
  mkdir -p "$build/test-output/wayland"
  cp "$work/out/"* "$build/test-output/wayland/"
  echo "wayland_test: pictures in $build/test-output/wayland"
fi
exit $status
