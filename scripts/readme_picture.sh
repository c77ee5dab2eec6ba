#!/usr/bin/env bash
# Takes the README's picture: the full-screen saver over two monitors and a drawn desktop, with the default message
# part written in snow, as docs/fullscreen.png. Look at it before committing it.
# Usage: scripts/readme_picture.sh BIN_FOLDER [seconds of snow, default 90]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
seconds=${2:-90}
source "$here/wine_env.sh"

work=$(mktemp -d)
trap 'stop_all; rm -rf "$work"' EXIT
NIVORA_SCREEN=1824x768x24 start_display force
start_wine "$work/prefix"
split_monitors
# The most snow, so that the message fills in within a minute or two; every other setting at its default.
wine reg add 'HKCU\Software\Nivora\Settings' /v reg_precipitation /d 4 /f >/dev/null 2>&1
wine "$bin/desktop_scene.exe" &
sleep 5
NIVORA_SEED=${NIVORA_SEED:-20261210} wine "$bin/nivora.scr" /s &
sleep "$seconds"
import -window root "$here/../docs/fullscreen.png"
echo "docs/fullscreen.png: $(identify -format '%wx%h' "$here/../docs/fullscreen.png")"
