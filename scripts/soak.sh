#!/usr/bin/env bash
# The soak run under Wine, on a virtual display of its own and in a throw-away Wine prefix: the full-screen saver
# for SECONDS at 3000 flakes, then 200 preview and 100 full-screen starts and stops (see tests/e2e/soak/).
# Usage: scripts/soak.sh BIN_FOLDER [SECONDS]   Prints, last, the "soak: ..." verdict; fails when a target is missed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
seconds=${2:-600}
source "$here/wine_env.sh"

work=$(mktemp -d)
trap 'stop_all; rm -rf "$work"' EXIT
start_display force
start_wine "$work/prefix"

out="$bin/../soak-output"
rm -rf "$out"
mkdir -p "$out"
export NIVORA_E2E_OUTPUT=$(winepath -w "$out" 2>/dev/null)
echo "soak: $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
# Shown as it comes (Wine writes the console output with CR LF); the verdict is held back to go last.
status=0
wine "$bin/nivora_soak.exe" "$seconds" 2>&1 | sed -u 's/\r$//' | tee "$out/soak.log" | grep --line-buffered -v '^soak: [0-9]* s, rss' ||
  status=${PIPESTATUS[0]}
for bmp in "$out"/*.bmp; do
  [[ -e $bmp ]] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
# The verdict goes last.
grep '^soak: [0-9]* s, rss' "$out/soak.log" || echo "soak: no verdict (the driver ended with status $status)"
exit $status
