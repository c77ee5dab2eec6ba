#!/usr/bin/env bash
# Runs the Wayland program's tests against Debian's sway, headless with the pixman renderer, which each test starts
# afresh, and against mutter (headless, and nested in an Xvfb of the test's own whose screen `import` reads) and weston.
# sway runs no session as root, so as root the tests (and so sway and nivora) run as nobody, from a copy of
# the programs in a folder that user can read, with a private XDG_RUNTIME_DIR and a throw-away HOME. Pictures of
# failed comparisons are copied to BUILD_FOLDER/test-output/wayland.
# Usage: scripts/wayland_test.sh BUILD_FOLDER [gtest arguments]
set -euo pipefail
build=$(cd "$1" && pwd)
shift

tests="$build/tests/wayland/nivora_wayland_tests"
[[ -x $tests ]] || {
  echo "wayland_test: $tests is not built (are libwayland-dev and wayland-protocols there?)"
  exit 1
}
for tool in sway swaymsg grim wtype swaylock swayidle strace mutter weston dbus-run-session Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "wayland_test: $tool is missing (scripts/deps.sh installs it)"; exit 1; }
done

work=$(mktemp -d)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT
chmod 0755 "$work"
mkdir -p "$work/bin" "$work/home" "$work/run" "$work/out"
install -m 0755 "$build/bin/nivora" "$build/bin/nivora_test" "$tests" "$work/bin/"
chmod 0700 "$work/run"

as_user=()
if [[ $(id -u) -eq 0 ]]; then
  chown nobody:nogroup "$work/home" "$work/run" "$work/out"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
status=0
(cd "$work/home" && "${as_user[@]}" env -i HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PATH=/usr/bin:/bin \
  LANG=C.UTF-8 NIVORA_BIN="$work/bin" NIVORA_TEST_OUTPUT="$work/out" "$work/bin/nivora_wayland_tests" "$@") ||
  status=$?
if compgen -G "$work/out/*" >/dev/null; then
  mkdir -p "$build/test-output/wayland"
  cp "$work/out/"* "$build/test-output/wayland/"
  echo "wayland_test: pictures in $build/test-output/wayland"
fi
exit $status
