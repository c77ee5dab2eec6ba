#!/usr/bin/env bash
# Runs nivora.scr under Wine on $DISPLAY (or a fresh virtual display): scripts/run.sh BIN_FOLDER MODE
# MODE is /s (full screen), /c (settings) or /p (preview, inside a stand-in for the display settings' preview box).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
mode=${2:-/s}
source "$here/wine_env.sh"
trap stop_all EXIT
start_display
echo "display $DISPLAY"
# A prefix of its own beside the build, so the settings stored in /c are the ones /s shows next time.
start_wine "$bin/../wine-prefix"
case "$mode" in
  /p* | -p* | /P* | -P*) wine "$bin/preview_host.exe" ;;
  *) wine "$bin/nivora.scr" "$mode" ;;
esac
