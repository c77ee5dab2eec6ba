# Sourced: starts Debian's sway headless with the pixman renderer, as the Wayland picture and benchmark scripts run
# it. sway runs no session as root, so as root it (and everything run with `in_sway`) runs as nobody.
# start_sway FOLDER MODE [CONFIG LINES...]: FOLDER (made here, readable by that user) holds the runtime folder and
# the configuration; one output of MODE (WIDTHxHEIGHT). Sets sway_pid; `in_sway COMMAND...` runs a command in the
# session, and `in_sway_exec COMMAND... &` one in the background whose own pid is $! (the background shell, setpriv
# and env each replace themselves with it); stop_sway ends it.
sway_pid=""
sway_user=()
[[ $(id -u) -ne 0 ]] || sway_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)

in_sway_exec() {
  local ipc
  ipc=$(compgen -G "$sway_folder/run/sway-ipc.*" | head -n1)
  exec "${sway_user[@]}" env -i HOME="$sway_folder/home" XDG_RUNTIME_DIR="$sway_folder/run" \
    WAYLAND_DISPLAY="$sway_socket" SWAYSOCK="$ipc" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"
}

in_sway() {
  (in_sway_exec "$@")
}

start_sway() {
  sway_folder=$1
  local mode=$2
  shift 2
  mkdir -p "$sway_folder/run" "$sway_folder/home"
  chmod 0755 "$sway_folder"
  chmod 0700 "$sway_folder/run"
  {
    echo "output * mode $mode"
    printf '%s\n' "$@"
  } >"$sway_folder/config"
  [[ ${#sway_user[@]} -eq 0 ]] || chown -R nobody:nogroup "$sway_folder/run" "$sway_folder/home"
  "${sway_user[@]}" env -i HOME="$sway_folder/home" XDG_RUNTIME_DIR="$sway_folder/run" PATH=/usr/bin:/bin \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=1 \
    sway -c "$sway_folder/config" >"$sway_folder/sway.log" 2>&1 &
  sway_pid=$!
  local deadline=$((SECONDS + 90)) socket  # a busy machine starts sway slowly
  until socket=$(cd "$sway_folder/run" && compgen -G 'wayland-*' | grep -v lock | head -n1) && [[ -n $socket ]] &&
    compgen -G "$sway_folder/run/sway-ipc.*" >/dev/null; do
    ((SECONDS < deadline)) || { echo "sway did not start:"; cat "$sway_folder/sway.log"; return 1; } >&2
    sleep 0.1
  done
  sway_socket=$socket
}

stop_sway() {
  [[ -z $sway_pid ]] || { kill "$sway_pid" 2>/dev/null; wait "$sway_pid" 2>/dev/null || true; }
  sway_pid=""
}
