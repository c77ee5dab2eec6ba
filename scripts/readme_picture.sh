#!/usr/bin/env bash
# Takes the README's picture: the full-screen saver over two monitors and a drawn desktop, with the default message
# part written in snow, as docs/fullscreen.png. With NIVORA_DPI (96 unless set, say 144) the monitors are that much
# larger and run at that scale, so the picture shows the same snow made larger: docs/fullscreen-150.png at 144.
# Look at it before committing it.
# Usage: scripts/readme_picture.sh BIN_FOLDER [seconds of snow, default 40]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
seconds=${2:-40}
dpi=${NIVORA_DPI:-96}
percent=$((dpi * 100 / 96))
source "$here/wine_env.sh"

picture="$here/../docs/fullscreen.png"
[[ $percent == 100 ]] || picture="$here/../docs/fullscreen-$percent.png"
work=$(mktemp -d)
trap 'stop_all; rm -rf "$work"' EXIT
NIVORA_SCREEN="$((1824 * percent / 100))x$((768 * percent / 100))x24" start_display force
start_wine "$work/prefix"
[[ $dpi == 96 ]] || set_dpi "$dpi"
split_monitors side "$percent"
# The most snow, so that the message fills in within a minute or two; every other setting at its default.
wine reg add 'HKCU\Software\Nivora\Settings' /v reg_precipitation /d 4 /f >/dev/null 2>&1
wine "$bin/desktop_scene.exe" &
sleep 5
NIVORA_SEED=${NIVORA_SEED:-20261210} wine "$bin/nivora.scr" /s &
sleep "$seconds"
import -window root "$picture"
echo "docs/$(basename "$picture"): $(identify -format '%wx%h' "$picture")"
