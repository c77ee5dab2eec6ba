#!/usr/bin/env bash
# Runs the end-to-end tests under Wine, on a virtual display of their own and in a throw-away Wine prefix.
# Usage: scripts/e2e.sh BIN_FOLDER [gtest arguments]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
shift
source "$here/wine_env.sh"

work=$(mktemp -d)
trap 'stop_all; rm -rf "$work"' EXIT
start_display force
start_wine "$work/prefix"

out="$bin/../e2e-output"
rm -rf "$out"
mkdir -p "$out"
export NIVORA_E2E_OUTPUT=$(winepath -w "$out" 2>/dev/null)
status=0
wine "$bin/nivora_e2e.exe" "$@" || status=$?

# Pictures the tests left: a PNG beside each BMP, for people to look at.
for bmp in "$out"/*.bmp; do
  [[ -e $bmp ]] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $status
