# Sourced by the scripts that need X displays of their own: start_xvfb WIDTHxHEIGHTxDEPTH starts one more Xvfb and
# sets started_xvfb_pid and started_display (":N"); the caller stops it.
start_xvfb() {
  local fd_file
  fd_file=$(mktemp)
  # -noreset: the server would otherwise start afresh whenever its last client leaves, and monitors set with xrandr
  # would vanish.
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$fd_file" >/dev/null 2>&1 &
  started_xvfb_pid=$!
  for _ in $(seq 1200); do  # up to a minute: a busy machine starts it slowly
    [[ -s $fd_file ]] && break
    sleep 0.05
  done
  started_display=":$(head -n1 "$fd_file")"
  rm -f "$fd_file"
  [[ $started_display != ":" ]] || { echo "Xvfb $1 did not start" >&2; return 1; }
}
