#!/usr/bin/env bash
# Runs the end-to-end tests under Wine, on a virtual display of their own and in a throw-away Wine prefix.
# Usage: scripts/e2e.sh BIN_FOLDER [gtest arguments]
# The settings tests run a second time at 144 dpi; NIVORA_E2E_DPI_PASS=off leaves that out, or names another DPI.
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

# The settings window once more at 150 % (144 dpi): with the caller's filter when one is given, else its own tests.
if [[ ${NIVORA_E2E_DPI_PASS:-144} != off ]]; then
  filter=(--gtest_filter='SettingsDialog*')
  for arg in "$@"; do
    if [[ $arg == --gtest_filter=* ]]; then
      filter=()
      [[ $arg == *Settings* ]] && filter=("$arg")
    fi
  done
  if [[ ${#filter[@]} -gt 0 ]]; then
    echo "== the settings tests again at ${NIVORA_E2E_DPI_PASS:-144} dpi =="
    set_dpi "${NIVORA_E2E_DPI_PASS:-144}"
    wine "$bin/nivora_e2e.exe" "${filter[@]}" || status=$?
  fi
fi

# Pictures the tests left: a PNG beside each BMP, for people to look at.
for bmp in "$out"/*.bmp; do
  [[ -e $bmp ]] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $status
