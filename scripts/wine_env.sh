# Sourced by the scripts that run nivora.scr under Wine: a virtual display when none is given, and a Wine prefix.
# Call start_display [force] and start_wine PREFIX; stop_all undoes both (also on failure, through a trap).

source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
xvfb_pid=""
wine_prefix_owned=""

start_display() {  # $1 = "force" for a display of our own even when DISPLAY is set
  if [[ -n ${DISPLAY:-} && ${1:-} != force ]]; then
    return
  fi
  start_xvfb "${NIVORA_SCREEN:-1024x768x24}"
  xvfb_pid=$started_xvfb_pid
  export DISPLAY=$started_display
}

start_wine() {  # $1 = prefix folder; booted once, the first boot takes some seconds
  export WINEPREFIX=$1 WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"  # no Mono or Gecko installers, no menu entries
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    echo "booting a Wine prefix in $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    # Without a window manager, Wine's managed windows wait for one on every hide and misplace the stacking.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    # The caption buttons' glyphs come from Marlett, which a fresh prefix does not find.
    [[ -f /usr/share/wine/fonts/marlett.ttf ]] && cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" || true
    # Windows' own faces by their metric twins, so texts are measured with the widths users have. Arial Narrow
    # comes with office suites only; the tests take it away again to see the fallback.
    local face twin
    for face in "Arial:Liberation Sans" "Arial Narrow:Liberation Sans Narrow" "Tahoma:Liberation Sans"; do
      twin=${face#*:} face=${face%%:*}
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "$twin" /f >/dev/null 2>&1 || true
    done
  fi
  wine_prefix_owned=1
}

# The wineserver is stopped so that the programs started after it read what was just written to the registry.
restart_wineserver() {
  wineserver -k >/dev/null 2>&1 || true  # none may be running any more: nothing to stop then
  wineserver -w
}

# Writes a value to the prefix's registry: wine reg add's arguments after "add". A wineserver that is just going
# away can refuse the first try; what the last try said is shown when all fail.
wine_reg_add() {
  local said
  for _ in 1 2 3; do
    said=$(wine reg add "$@" /f 2>&1) && return 0
    sleep 1
  done
  echo "$said" >&2
  return 1
}

set_dpi() {  # $1 = dots per inch, 96 at 100 %; fails, saying why, when Wine cannot be told
  wine_reg_add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" ||
    { echo "set_dpi: the DPI $1 could not be stored" >&2; return 1; }
  # Without this Wine ignores the DPI awareness that a program's manifest declares.
  wine_reg_add 'HKCU\Control Panel\Desktop' /v DpiScalingVer /t REG_DWORD /d 0x1018 ||
    { echo "set_dpi: Wine could not be told to honour DPI awareness" >&2; return 1; }
  restart_wineserver
}

# Two monitors on the display, the primary 1024 x 768 and a second one of 800 x 600; needs a prefix.
#   side:  the second left of the primary, on a 1824x768 display (NIVORA_SCREEN): Wine reports the primary at
#          (0,0)-(1024,768) and the second at (-800,0)-(0,600).
#   above: the second above the primary, on a 1024x1368 display: Wine reports it at (112,-600)-(912,0).
# With a size in percent (default 100), side by side both are that much larger, on a display as much larger.
# Fails, saying why, when the display does not take them.
split_monitors() {  # $1 = side (the default) or above, [$2 = percent, side only]
  local layout=${1:-side} p=${2:-100}
  local side_w=$((800 * p / 100)) side_h=$((600 * p / 100)) main_w=$((1024 * p / 100)) main_h=$((768 * p / 100))
  case $layout in
    side) xrandr --setmonitor SIDE "$side_w/212x$side_h/159+0+0" none >/dev/null &&
      xrandr --setmonitor '*MAIN' "$main_w/271x$main_h/203+$side_w+0" screen >/dev/null ;;
    above) xrandr --setmonitor TOP 800/212x600/159+112+0 none >/dev/null &&
      xrandr --setmonitor '*MAIN' 1024/271x768/203+0+600 screen >/dev/null ;;
    *) echo "split_monitors: no layout named '$layout'" >&2; return 1 ;;
  esac || { echo "split_monitors: the display took no $layout monitors" >&2; return 1; }
  [[ $(xrandr --listmonitors | head -n1) == "Monitors: 2" ]] ||
    { echo "split_monitors: the display shows $(xrandr --listmonitors | head -n1), not two monitors" >&2; return 1; }
  # Wine reads the monitors through Xinerama then, which reports those set above.
  wine_reg_add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N ||
    { echo "split_monitors: Wine could not be told to read the monitors" >&2; return 1; }
  restart_wineserver
}

stop_all() {
  if [[ -n $wine_prefix_owned ]]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
}
