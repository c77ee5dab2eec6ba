#!/usr/bin/env bash
# Takes the GNOME picture of the docs: nivora on GNOME's compositor, mutter, nested in an Xvfb, over a wallpaper
# drawn here and set through GSettings (a keyfile backend, as the session's dconf would answer), with a minute of
# snow run ahead by the test build so that the default message is partly written, as docs/gnome.png. mutter alone
# draws no wallpaper (GNOME Shell does): what shows is nivora's window, over the wallpaper it read and dimmed. Look at
# the picture before committing it.
# Usage: scripts/gnome_picture.sh BUILD_FOLDER [frames run ahead, default 3000]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
frames=${2:-3000}
picture="$here/../docs/gnome.png"
source "$here/xvfb.sh"
for tool in Xvfb xhost xdotool import convert mutter dbus-run-session; do
  command -v "$tool" >/dev/null || { echo "gnome_picture: $tool is missing (scripts/deps.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
started_xvfb_pid=""
nivora=""
session=""
stop() {
  [[ -z $nivora ]] || { kill "$nivora" 2>/dev/null; wait "$nivora" 2>/dev/null || true; }
  # dbus-run-session does not end its child when it is ended itself: mutter is ended, and the bus with it.
  [[ ! -s $work/run/mutter.pid ]] || kill "$(cat "$work/run/mutter.pid")" 2>/dev/null || true
  [[ -z $session ]] || wait "$session" 2>/dev/null || true
  [[ -z $started_xvfb_pid ]] || { kill "$started_xvfb_pid" 2>/dev/null; wait "$started_xvfb_pid" 2>/dev/null || true; }
  rm -rf "$work"
}
trap stop EXIT
chmod 0755 "$work"
mkdir -p "$work/bin" "$work/home" "$work/run" "$work/config/glib-2.0/settings"
chmod 0700 "$work/run"
install -m 0755 "$build/bin/nivora_test" "$work/bin/"

# The wallpaper: a winter night over hills, in flat colours and one gradient.
convert -size 1280x720 gradient:'rgb(40,70,140)-rgb(150,110,170)' \
  -fill 'rgb(250,240,210)' -draw 'circle 1010,150 1010,200' \
  -fill 'rgb(70,80,140)' -draw 'polygon 0,470 230,330 420,440 640,300 900,450 1110,350 1280,420 1280,720 0,720' \
  -fill 'rgb(50,60,110)' -draw 'polygon 0,560 300,450 560,560 820,470 1080,580 1280,520 1280,720 0,720' \
  -fill 'rgb(30,40,80)' -draw 'polygon 0,650 380,590 760,660 1040,610 1280,650 1280,720 0,720' \
  "$work/wallpaper.png"
chmod 0644 "$work/wallpaper.png"
printf "[org/gnome/desktop/background]\npicture-uri='file://%s'\npicture-options='zoom'\n" "$work/wallpaper.png" \
  >"$work/config/glib-2.0/settings/keyfile"

as_user=()
if [[ $(id -u) -eq 0 ]]; then  # as GNOME's session, not as root
  chown -R nobody:nogroup "$work/home" "$work/run" "$work/config"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
start_xvfb 1280x720x24
# The Xvfb is root's then: let nobody's mutter in.
[[ ${#as_user[@]} -eq 0 ]] || DISPLAY=$started_display xhost +si:localuser:nobody >/dev/null
in_session=(env -i HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PATH=/usr/bin:/bin LANG=C.UTF-8)

# mutter's one monitor is an X11 window of the Xvfb's size at its origin.
"${as_user[@]}" "${in_session[@]}" DISPLAY="$started_display" MUTTER_DEBUG_DUMMY_MODE_SPECS=1280x720 \
  dbus-run-session -- sh -c 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$0/bus-address" && echo $$ >"$0/mutter.pid" &&
    exec mutter --nested --wayland --no-x11 --wayland-display wayland-gnome' "$work/run" >"$work/mutter.log" 2>&1 &
session=$!
deadline=$((SECONDS + 60))
until [[ -S $work/run/wayland-gnome && -s $work/run/bus-address ]]; do
  ((SECONDS < deadline)) || { echo "gnome_picture: mutter did not start:" >&2; cat "$work/mutter.log" >&2; exit 1; }
  sleep 0.1
done
# mutter draws its cursor where the X pointer last moved; moved into the window, the snow hides it there.
deadline=$((SECONDS + 60))
until DISPLAY=$started_display xdotool mousemove 639 400 mousemove 640 400 &&
  DISPLAY=$started_display import -window root -crop 6x6+637+398 -depth 8 txt:- | grep -q '#FFFFFF'; do
  ((SECONDS < deadline)) || { echo "gnome_picture: mutter's window never showed" >&2; exit 1; }
  sleep 0.2
done

held="$work/run/held"
"${as_user[@]}" "${in_session[@]}" WAYLAND_DISPLAY=wayland-gnome DBUS_SESSION_BUS_ADDRESS="$(cat "$work/run/bus-address")" \
  XDG_CURRENT_DESKTOP=GNOME GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME="$work/config" \
  NIVORA_FRAMES_AHEAD="$frames" NIVORA_HOLD_AFTER_FRAMES=1 NIVORA_HELD_FILE="$held" \
  "$work/bin/nivora_test" -seed "${NIVORA_SEED:-20261211}" -precipitation 4 2>"$work/nivora.log" &
nivora=$!
deadline=$((SECONDS + 60))
until [[ -s $held ]]; do
  ((SECONDS < deadline)) && kill -0 "$nivora" 2>/dev/null || {
    echo "gnome_picture: no frame was held:" >&2
    cat "$work/nivora.log" >&2
    exit 1
  }
  sleep 0.2
done
[[ ! -s $work/nivora.log ]] || { echo "gnome_picture: nivora said:" >&2; cat "$work/nivora.log" >&2; exit 1; }
# mutter copies its frame to the Xvfb after calling the held one back: read the screen until the moon shows (mutter's
# own background is blue, the moon dimmed is not) and two readings agree.
screen() { DISPLAY=$started_display import -window root -depth 8 ppm:-; }
moon() { convert ppm:- -crop 9x9+1006+146 -format '%[fx:mean.r>mean.b+0.03]' info:; }
deadline=$((SECONDS + 60))
screen >"$work/last.ppm"
until screen >"$work/now.ppm" && [[ $(moon <"$work/now.ppm") == 1 ]] && cmp -s "$work/now.ppm" "$work/last.ppm"; do
  ((SECONDS < deadline)) && kill -0 "$nivora" 2>/dev/null || { echo "gnome_picture: the snow never showed" >&2; exit 1; }
  mv "$work/now.ppm" "$work/last.ppm"
  sleep 0.2
done
kill -0 "$nivora" || { echo "gnome_picture: nivora ended" >&2; exit 1; }
# No date chunks: the same frame gives the same file.
convert "$work/now.ppm" -define png:exclude-chunks=date,time "$picture"
echo "docs/$(basename "$picture"): $(identify -format '%wx%h, %b' "$picture")"
