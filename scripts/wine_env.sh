# Sourced by the scripts that run nivora.scr under Wine: a virtual display when none is given, and a Wine prefix.
# Call start_display [force] and start_wine PREFIX; stop_all undoes both (also on failure, through a trap).

xvfb_pid=""
wine_prefix_owned=""

start_display() {  # $1 = "force" for a display of our own even when DISPLAY is set
  if [[ -n ${DISPLAY:-} && ${1:-} != force ]]; then
    return
  fi
  local fd_file
  fd_file=$(mktemp)
  # -noreset: monitors set with xrandr vanish when the server resets after its last client.
  Xvfb -displayfd 3 -screen 0 "${NIVORA_SCREEN:-1024x768x24}" -nolisten tcp -noreset 3>"$fd_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [[ -s $fd_file ]] && break
    sleep 0.1
  done
  export DISPLAY=":$(head -n1 "$fd_file")"
  rm -f "$fd_file"
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

set_dpi() {  # $1 = dots per inch, 96 at 100 %; the wineserver restarts so that programs see it
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  # Without this Wine ignores the DPI awareness that a program's manifest declares.
  wine reg add 'HKCU\Control Panel\Desktop' /v DpiScalingVer /t REG_DWORD /d 0x1018 /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

# Two monitors side by side on the display, the primary not at the left: Wine then reports the primary at
# (0,0)-(1024,768) and a second one at (-800,0)-(0,600). Needs a 1824x768 display (NIVORA_SCREEN) and a prefix.
# With a size in percent (default 100) both are that much larger, on a display as much larger.
split_monitors() {  # [$1 = percent]
  local p=${1:-100}
  local side_w=$((800 * p / 100)) side_h=$((600 * p / 100)) main_w=$((1024 * p / 100)) main_h=$((768 * p / 100))
  xrandr --setmonitor SIDE "$side_w/212x$side_h/159+0+0" none >/dev/null
  xrandr --setmonitor '*MAIN' "$main_w/271x$main_h/203+$side_w+0" screen >/dev/null
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
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
