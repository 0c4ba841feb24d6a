# Sourced by the end-to-end scripts and the install checks: polling, and a
# private X server.

# Polls `command...` every 0.1 s for up to `seconds`.
wait_until() {
  local tries=$(($1 * 10))
  shift
  while [ "$tries" -gt 0 ]; do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# Starts Xvfb with screen WxHxD, its messages appended to LOG; sets
# xvfb_pid and DISPLAY, or returns 1. Other X servers on the machine (tests
# run in parallel, each asking for the lowest free display) must not meet
# this one: it takes a random display number far above theirs, and counts
# only once it answers. Without -noreset the server resets whenever its last
# client leaves and refuses connections meanwhile: the readiness probe itself
# would be that last client.
start_x_server() {
  local screen=$1 log=$2 attempt number
  for attempt in 1 2 3 4 5 6 7 8; do
    number=$((200 + RANDOM % 700))
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
    Xvfb ":$number" -screen 0 "$screen" -nolisten tcp -noreset >/dev/null 2>>"$log" &
    xvfb_pid=$!
    export DISPLAY=":$number"
    if wait_until 10 xdpyinfo && kill -0 "$xvfb_pid" 2>/dev/null; then return 0; fi
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  return 1
}
