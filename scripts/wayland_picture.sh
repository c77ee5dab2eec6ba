#!/usr/bin/env bash
# Takes the Wayland picture of the docs: nivora on sway (headless, pixman) over a drawn desktop, with a minute of
# snow run ahead by the test build so that the default message is partly written, as docs/wayland.png. Look at it
# before committing it.
# Usage: scripts/wayland_picture.sh BUILD_FOLDER [frames run ahead, default 3000]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
frames=${2:-3000}
picture="$here/../docs/wayland.png"
source "$here/sway_headless.sh"

work=$(mktemp -d)
trap 'stop_sway; rm -rf "$work"' EXIT
mkdir -p "$work/bin"
chmod 0755 "$work"
install -m 0755 "$build/bin/nivora_test" "$work/bin/"
# The desktop: two windows on a blue background, in flat colours, as the XScreenSaver picture has it.
convert -size 1280x720 'xc:rgb(40,100,160)' \
  -fill 'rgb(200,190,170)' -draw 'rectangle 700,90 1200,420' -fill 'rgb(90,60,140)' -draw 'rectangle 700,90 1200,120' \
  -fill 'rgb(170,200,150)' -draw 'rectangle 80,380 600,650' -fill 'rgb(60,120,80)' -draw 'rectangle 80,380 600,410' \
  "$work/desktop.png"
chmod 0644 "$work/desktop.png"
start_sway "$work/sway" 1280x720 "output * bg $work/desktop.png fill"
shown() {
  in_sway grim -t ppm - | convert ppm:- -crop 1x1+900+300 -format '%[pixel:p]' info: | grep -q 'srgb(200,190,170)'
}
deadline=$((SECONDS + 20))
until shown; do
  ((SECONDS < deadline)) || { echo "wayland_picture: the desktop never showed" >&2; exit 1; }
  sleep 0.2
done

held="$work/sway/run/held"
in_sway_exec env NIVORA_FRAMES_AHEAD="$frames" NIVORA_HOLD_AFTER_FRAMES=1 NIVORA_HELD_FILE="$held" \
  "$work/bin/nivora_test" -seed "${NIVORA_SEED:-20261211}" -precipitation 4 &
nivora=$!
deadline=$((SECONDS + 60))
until [[ -s $held ]]; do
  ((SECONDS < deadline)) && kill -0 "$nivora" 2>/dev/null || { echo "wayland_picture: no frame was held" >&2; exit 1; }
  sleep 0.2
done
# No date chunks: the same frame gives the same file.
in_sway grim -t ppm - | convert ppm:- -define png:exclude-chunks=date,time "$picture"
kill "$nivora"
wait "$nivora" || true
echo "docs/$(basename "$picture"): $(identify -format '%wx%h' "$picture")"
