#!/usr/bin/env bash
# Screenshots of the 64-bit setup's welcome and finish pages under Wine, in English and in Japanese, at 100 % and
# 150 %: for a person to look at the pages' picture and texts.
# Usage: scripts/setup_screenshots.sh DIST_FOLDER OUTPUT_FOLDER
# Writes OUTPUT_FOLDER/setup-<en|ja>-<dpi>-<welcome|finish>.png.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dist=$(cd "$1" && pwd)
out=$(mkdir -p "$2" && cd "$2" && pwd)
source "$here/wine_env.sh"
setups=("$dist"/nivora-*-setup-x64.exe)
[[ -f ${setups[0]} ]] || { echo "setup screenshots: no nivora-*-setup-x64.exe in $dist" >&2; exit 1; }

work=$(mktemp -d)
trap 'stop_all; rm -rf "$work"' EXIT
start_display force
start_wine "$work/prefix"
# Wine takes its language from the Unix locale; a Japanese one is compiled here when the system has none.
localedef -i ja_JP -f UTF-8 "$work/locales/ja_JP.UTF-8" >/dev/null 2>&1 || mkdir -p "$work/locales"
export LOCPATH=$work/locales

# The setup's window as "WIDTHxHEIGHT+X+Y", once it shows; empty when it does not.
setup_window() {
  local geometry=""
  for _ in $(seq 150); do
    geometry=$(xwininfo -root -tree | awk '/"Nivora / && !/has no name/ {print $(NF-1)}' | sort -t x -k1,1nr | head -n1)
    [[ -n $geometry ]] && break
    sleep 0.2
  done
  echo "$geometry"
}

shoot() {  # $1 = output name, $2 = window geometry
  local w=${2%%x*} rest=${2#*x}
  local h=${rest%%+*} pos=${rest#*+}
  import -window root -crop "${w}x${h}+${pos%%+*}+${pos#*+}" +repage "$out/$1"
  echo "setup screenshots: $1"
}

for language in en:C.UTF-8 ja:ja_JP.UTF-8; do
  for dpi in 96 144; do
    name=${language%%:*}
    set_dpi "$dpi"
    rm -rf "$WINEPREFIX/drive_c/Program Files/Nivora"
    LANG=${language#*:} LC_ALL=${language#*:} wine "${setups[0]}" &
    setup=$!
    geometry=$(setup_window)
    [[ -n $geometry ]] || { echo "setup screenshots: the setup's window did not show" >&2; exit 1; }
    sleep 1  # painted
    shoot "setup-$name-$dpi-welcome.png" "$geometry"
    # Next on the welcome page, Install on the components page; the finish page follows the installation.
    xdotool search --name '^Nivora ' windowfocus --sync 2>/dev/null || true
    xdotool key Return
    sleep 1
    xdotool key Return
    for _ in $(seq 150); do
      [[ -e "$WINEPREFIX/drive_c/Program Files/Nivora/uninstall.exe" ]] && break
      sleep 0.2
    done
    sleep 2  # the finish page painted
    shoot "setup-$name-$dpi-finish.png" "$geometry"
    kill "$setup" 2>/dev/null || true
    wineserver -k >/dev/null 2>&1 || true
    wait "$setup" 2>/dev/null || true
  done
done
