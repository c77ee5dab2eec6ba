#!/usr/bin/env bash
# nivora under the real XScreenSaver daemon, as a user meets it: a desktop picture on the root window, the daemon
# with nivora as its one module, activated by xscreensaver-command, twice: with "Grab desktop images" on, the screen
# must show snow over the desktop dimmed at the default brightness; with it off (Debian's default), snow over a dark
# sky, neither the desktop nor the helper's test card. When the daemon exits, nivora must be gone with no shared
# memory left behind.
# XScreenSaver runs no module as root, so as root the daemon runs as nobody, with a home and a copy of nivora that
# that user can read and run. Prints every check; fails when any fails.
# Usage: scripts/xscreensaver_test.sh BUILD_FOLDER [PICTURE.png, the screen under XScreenSaver]
#        NIVORA_ARGS: the module's options after --root (default: 3000 flakes, for snow at once).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/xvfb.sh"
build=$(cd "$1" && pwd)
picture=${2:-$build/test-output/xscreensaver.png}
mkdir -p "$(dirname "$picture")"

work=$(mktemp -d)
xvfb_pid="" daemon_pid=""
cleanup() {
  [[ -n $daemon_pid ]] && kill "$daemon_pid" 2>/dev/null && wait "$daemon_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

start_xvfb 1024x768x24
xvfb_pid=$started_xvfb_pid
export DISPLAY=$started_display

source "$here/checks.sh"
# Polls COMMAND... for up to $1 seconds.
within() {
  local deadline=$((SECONDS + $1))
  until "${@:2}"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

screenshot() { import -window root "$work/screen.png"; }
# How many pixels of the last screenshot in WxH+X+Y are exactly rgb(R,G,B).
count_colour() {  # geometry R G B
  local colour="rgb($2,$3,$4)"
  convert "$work/screen.png" -crop "$1" +repage -fill black +opaque "$colour" -fill white -opaque "$colour" \
    -format '%[fx:round(mean*w*h)]' info:
}
# How many pixels of the last screenshot in WxH+X+Y are black (count_colour cannot tell black from its own mask).
count_black() {  # geometry
  convert "$work/screen.png" -crop "$1" +repage -channel RGB -separate -evaluate-sequence max -negate \
    -threshold 99.9% -format '%[fx:round(mean*w*h)]' info:
}
# How many pixels of the last screenshot are white or nearly so in all three channels.
count_white() {
  convert "$work/screen.png" -channel RGB -threshold 94% -separate -evaluate-sequence min \
    -format '%[fx:round(mean*w*h)]' info:
}

# The desktop: two windows on a blue background, in flat colours with no white for snow to be mistaken for.
convert -size 1024x768 'xc:rgb(40,100,160)' \
  -fill 'rgb(200,190,170)' -draw 'rectangle 560,100 960,420' -fill 'rgb(90,60,140)' -draw 'rectangle 560,100 960,128' \
  -fill 'rgb(170,200,150)' -draw 'rectangle 70,330 470,560' -fill 'rgb(60,120,80)' -draw 'rectangle 70,330 470,358' \
  "$work/desktop.png"
display -window root "$work/desktop.png" || true  # sets the root's background and ends; its status says nothing
desktop_shown() { screenshot && [[ $(count_colour 100x100+600+200 200 190 170) == 10000 ]]; }
within 60 desktop_shown || { echo "the desktop picture did not show on $DISPLAY" >&2; exit 1; }

# The daemon's user: nobody when we are root, else ourselves.
as_user=()
if [[ $(id -u) -eq 0 ]]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
mkdir -p "$work/bin"
install -m 0755 "$build/bin/nivora" "$work/bin/nivora"
chmod 0755 "$work"
module="$work/bin/nivora --root ${NIVORA_ARGS--precipitation 4}"

module_pids() {  # the processes running our copy of nivora
  local p
  for p in /proc/[0-9]*; do
    [[ $(readlink "$p/exe" 2>/dev/null) == "$work/bin/nivora" ]] && echo "${p#/proc/}"
  done
  return 0
}
module_runs() { [[ -n $(module_pids) ]]; }
no_module() { [[ -z $(module_pids) ]]; }
activated() { xscreensaver-command -activate >/dev/null 2>&1; }
leftover() {  # shared-memory segments that one of nivora's processes made
  local pid
  for pid in $pids; do
    ipcs -m -p | awk -v p="$pid" '$3 == p { found = 1 } END { exit !found }' && return 0
  done
  return 1
}
no_leftover() { ! leftover; }

# The daemon with grabDesktopImages $1 (True or False) in a home of its own, nivora as its one module, activated;
# sets pids to nivora's processes. stop_daemon ends it.
start_daemon() {
  home="$work/home-$1"
  mkdir -p "$home"
  # One module, shown at once: no fading, splash or lock.
  cat >"$home/.xscreensaver" <<SETTINGS
mode: one
selected: 0
timeout: 1:00:00
lock: False
fade: False
unfade: False
splash: False
dpmsEnabled: False
grabDesktopImages: $1
grabVideoFrames: False
chooseRandomImages: False
verbose: True
programs: "Nivora" $module \\n
SETTINGS
  [[ ${#as_user[@]} -eq 0 ]] || chown -R nobody:nogroup "$home"
  (cd "$home" && exec "${as_user[@]}" env -i HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin \
    xscreensaver -no-splash >"$work/daemon.log" 2>&1) &
  daemon_pid=$!
  check "xscreensaver-command -activate reaches the daemon" within 60 activated
  check "the daemon starts nivora" within 60 module_runs
  pids=$(module_pids)
}
stop_daemon() {
  xscreensaver-command -exit >/dev/null 2>&1 || true
  check "when the daemon exits, nivora ends" within 60 no_module
  check "no shared-memory segment of nivora is left (ipcs)" no_leftover
  wait "$daemon_pid" 2>/dev/null || true
  daemon_pid=""
}

echo "== nivora under XScreenSaver $(dpkg-query -W -f '${Version}' xscreensaver 2>/dev/null || true) on $DISPLAY: $module"
echo "-- grabDesktopImages: True"
start_daemon True
# The desktop dimmed at the default brightness (alpha 127 over black), away from the message; snow shows on it.
dimmed_with_snow() {
  screenshot || return 1
  dim_background=$(count_colour 200x200+100+60 20 50 80)
  dim_window=$(count_colour 200x200+640+160 100 95 85)
  white=$(count_white)
  ((dim_background > 36000 && dim_window > 36000 && white >= 50))
}
within 30 dimmed_with_snow || true
cp "$work/screen.png" "$picture"
check "the desktop is dimmed: background rgb(20,50,80), window rgb(100,95,85) ($dim_background, $dim_window of 40000)" \
  test "$dim_background" -gt 36000 -a "$dim_window" -gt 36000
check "snow falls over it ($white white pixels; saved as $picture)" test "$white" -ge 50
stop_daemon

# Debian's default: the helper would paint its colour-bar test card, which nivora never shows; the snow falls over
# the dark night sky instead, where both the desktop's background and its window were.
echo "-- grabDesktopImages: False"
start_daemon False
dark_with_snow() {
  screenshot || return 1
  dark_background=$(count_black 200x200+100+60)
  dark_window=$(count_black 200x200+640+160)
  white=$(count_white)
  ((dark_background > 36000 && dark_window > 36000 && white >= 50))
}
within 30 dark_with_snow || true
cp "$work/screen.png" "${picture%.png}-dark.png"
check "no desktop and no test card: black where they were ($dark_background, $dark_window of 40000)" \
  test "$dark_background" -gt 36000 -a "$dark_window" -gt 36000
check "snow falls over the dark sky ($white white pixels; saved as ${picture%.png}-dark.png)" test "$white" -ge 50
stop_daemon

if ((failures > 0)); then
  echo "xscreensaver test: $failures check(s) failed; the daemon's log:"
  cat "$work/daemon.log"
  exit 1
fi
echo "xscreensaver test: all checks passed"
