# Sourced by the end-to-end tests and the install checks.
# Polls `command...` every 0.1 s for up to `seconds`.
wait_until() {
  local tries=$(($1 * 10))
  shift
  for (( ; tries > 0; tries--)); do "$@" >/dev/null 2>&1 && return 0 || sleep 0.1; done
  return 1
}

# Starts Xvfb with screen WxHxD, messages appended to LOG, on a random display
# far above those other tests take; sets xvfb_pid and DISPLAY once it answers,
# or returns 1. Without -noreset the server resets whenever its last client
# leaves, refusing connections meanwhile: the readiness probe would be that one.
start_x_server() {
  local screen=$1 log=$2 number
  for _ in 1 2 3 4 5 6 7 8; do
    number=$((200 + RANDOM % 700))
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
    Xvfb ":$number" -screen 0 "$screen" -nolisten tcp -noreset >/dev/null 2>>"$log" &
    xvfb_pid=$!
    export DISPLAY=":$number"
    if wait_until 10 xdpyinfo && kill -0 "$xvfb_pid" 2>/dev/null; then return 0; fi
    { kill "$xvfb_pid" && wait "$xvfb_pid"; } 2>/dev/null || true
    xvfb_pid=""
  done
  return 1
}
