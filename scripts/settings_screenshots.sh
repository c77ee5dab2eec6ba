#!/usr/bin/env bash
# Screenshots of the settings window for the README, at 100 % and 150 %, over a drawn desktop.
# Usage: scripts/settings_screenshots.sh BIN_FOLDER OUTPUT_FOLDER
# Xvfb composites no layered window, so the overlay is seen opaque there; each picture is blended the way Windows
# shows it: the overlay at alpha 160 over the desktop, wherever the settings window's shape lets it be seen.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
out=$(mkdir -p "$2" && cd "$2" && pwd)
source "$here/wine_env.sh"
work=$(mktemp -d)
trap 'stop_all; rm -rf "$work"' EXIT
# The settings window has a row for each entry of the rows table; the overlay is found by that many rows.
rows=$(awk '/kSettingRows = \{\{/ {inside = 1; next}
             inside && /^\}\};/ {exit}
             inside && /^ *\{/ {n++}
             END {print n + 0}' "$here/../src/core/dialog/setting_rows.h")
if (( rows < 1 )); then
  echo "settings_screenshots.sh: no rows found in src/core/dialog/setting_rows.h" >&2
  exit 1
fi
start_display force
start_wine "$work/prefix"

# A desktop: a dark blue gradient, two discs and a window-like band with text.
convert -size 1024x768 gradient:'#27496d-#0c1e33' \
  -fill '#35577a' -draw 'circle 900 60 1010 150' -draw 'circle 120 700 260 760' \
  -fill '#e8b84c' -draw 'rectangle 600 330 1024 430' \
  -fill white -font DejaVu-Sans -pointsize 40 -annotate +640+395 'Desktop behind' "$work/desktop.png"

# Polls until the screen shows this picture (within the rounding of its colours to the screen's depth), then keeps
# the screenshot as $2; false after about 30 s.
screen_shows() {  # $1 = picture, $2 = output picture
  for _ in $(seq 150); do
    import -window root "$2"
    [[ $(compare -metric AE -fuzz 1% "$2" "$1" null: 2>&1) == 0 ]] && return 0
    sleep 0.2
  done
  return 1
}

# Polls until two screenshots in a row are the same, so that every window has painted; the last one is $1.
screen_settles() {  # $1 = output picture
  import -window root "$1"
  for _ in $(seq 60); do
    sleep 0.5
    import -window root "$work/again.png"
    [[ $(compare -metric AE "$work/again.png" "$1" null: 2>&1) == 0 ]] && return 0
    mv "$work/again.png" "$1"
  done
  return 1
}

shoot() {  # $1 = dpi, $2 = output name, $3 = crop width x height
  set_dpi "$1"
  # The desktop as a plain X window at the origin; without a window manager the saver's windows come above it.
  display -geometry +0+0 -borderwidth 0 "$work/desktop.png" &
  local desktop=$!
  if ! screen_shows "$work/desktop.png" "$work/behind.png"; then
    echo "settings_screenshots.sh: the desktop picture is not on the screen at $1 dpi" >&2
    exit 1
  fi
  xdotool mousemove 512 384
  wine "$bin/nivora.scr" /c &
  local saver=$! geometry=""
  for _ in $(seq 100); do
    geometry=$(xwininfo -root -tree | awk '/"Nivora Setting"/ && !/has no name/ {print $(NF-1)}' | sort | head -n2 | tr '\n' ' ')
    [[ $(wc -w <<<"$geometry") -eq 2 ]] && break
    sleep 0.2
  done
  if ! screen_settles "$work/seen.png"; then
    echo "settings_screenshots.sh: the settings window never stops changing at $1 dpi" >&2
    exit 1
  fi
  # Of the two windows captioned "Nivora Setting", the overlay is the one as high as all the rows (a row is 9 times
  # as wide as high); the other is the dialog.
  local overlay="" dialog="" g gw grest gh
  for g in $(xwininfo -root -tree | awk '/"Nivora Setting"/ {print $(NF-1)}'); do
    gw=${g%%x*} grest=${g#*x}
    gh=${grest%%+*}
    if (( gh * 9 == gw * rows )); then overlay=$g; else dialog=$g; fi
  done
  if [[ -z $overlay || -z $dialog ]]; then
    echo "settings_screenshots.sh: no overlay of $rows rows beside the dialog at $1 dpi" >&2
    exit 1
  fi
  local w=${overlay%%x*} rest=${overlay#*x}
  local h=${rest%%+*} pos=${rest#*+}
  local x=${pos%%+*} y=${pos#*+}
  local row=$(( h / rows ))
  local dw=${dialog%%x*} drest=${dialog#*x}
  local dh=${drest%%+*} dpos=${drest#*+}
  local dx=${dpos%%+*} dy=${dpos#*+}
  # Seen through the holes: every row but the first, which is selected and solid.
  convert "$work/seen.png" "$work/behind.png" -compose blend -define compose:args=37.3,62.7 -composite "$work/blend.png"
  convert -size 1024x768 xc:black -fill white -draw "rectangle $x $(( y + row )) $(( x + w - 1 )) $(( y + h - 1 ))" "$work/mask.png"
  convert "$work/seen.png" "$work/blend.png" "$work/mask.png" -composite "$work/full.png"
  local cw=${3%%x*} ch=${3#*x}
  convert "$work/full.png" -crop "${cw}x${ch}+$(( dx - (cw - dw) / 2 ))+$(( dy - (ch - dh) / 2 ))" +repage "$out/$2"
  kill "$saver" "$desktop" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

shoot 96 settings.png 600x340
shoot 144 settings-150.png 900x510
echo "wrote $out/settings.png and $out/settings-150.png"
