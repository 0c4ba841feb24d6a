#!/usr/bin/env bash
# Starts the real corvane on a private Xvfb display with a temporary home.
# First start: the window "Corvane" appears at 800 x 600, free stars (yellow
# pixels) show on the screen, closing the window ends the program with
# status 0, and Corvane.ini holds [BootData] with the window rectangle,
# "taitolbar" and "zsize". Second start: a saved maximised rectangle opens
# the window at the origin with the saved size.
# Usage: app_smoke.sh <corvane> <x11_close_window>
set -euo pipefail

corvane=$(realpath "$1")
close_window=$(realpath "$2")
for tool in Xvfb xdpyinfo xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then kill -9 "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  if [ -f "$work/corvane.log" ]; then echo "--- corvane output"; cat "$work/corvane.log"; fi
  exit 1
}

# shellcheck source=x_server.sh
source "$(dirname "$0")/x_server.sh"

start_x_server 1600x1200x24 "$work/xvfb.log" || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }

export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_RUNTIME_DIR="$work/runtime"
export QT_QPA_PLATFORM=xcb
unset SESSION_MANAGER DESKTOP_SESSION XDG_CURRENT_DESKTOP
# In a sanitizer build: the D-Bus library keeps a buffer to the end, not ours.
printf 'leak:libdbus-1.so\n' >"$work/lsan.supp"
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$work/lsan.supp}
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
ini="$XDG_CONFIG_HOME/Corvane.ini"

start_corvane() {
  (cd "$(dirname "$corvane")" && exec "$corvane") >"$work/corvane.log" 2>&1 &
  app_pid=$!
}

find_window() {
  window=$(xdotool search --onlyvisible --name '^Corvane$' 2>/dev/null | head -n1)
  [ -n "$window" ]
}

# "W H X Y" of the window.
window_geometry() {
  xdotool getwindowgeometry --shell "$window" |
    awk -F= '/^WIDTH/ {w=$2} /^HEIGHT/ {h=$2} /^X/ {x=$2} /^Y/ {y=$2} END {print w, h, x, y}'
}

yellow_pixels() {
  import -window root "$work/shot.png"
  convert "$work/shot.png" -alpha off -fill black +opaque '#FFFF00' -fill white -opaque '#FFFF00' \
    -colorspace Gray -format '%[fx:round(mean*w*h)]' info:
}

close_and_wait() {
  "$close_window" "$window" || fail "could not send the close request"
  wait_until 10 bash -c "! kill -0 $app_pid 2>/dev/null" || fail "corvane did not end after the close request"
  local status=0
  wait "$app_pid" || status=$?
  app_pid=""
  [ "$status" -eq 0 ] || fail "corvane ended with status $status"
}

ini_value() { sed -n "s/^$1=//p" "$ini"; }

# --- First start, no boot-settings file.
start_corvane
wait_until 15 find_window || fail "no window titled Corvane appeared"
geometry=$(window_geometry)
[ "${geometry% * *}" = "800 600" ] || fail "first window is $geometry, expected 800 x 600"

stars=0
for _ in 1 2 3 4 5; do
  sleep 0.5
  stars=$(yellow_pixels)
  [ "$stars" -gt 0 ] && break
done
[ "$stars" -gt 0 ] || fail "no yellow star on the screen"
echo "first start: window $geometry, $stars yellow pixels"

close_and_wait
[ -f "$ini" ] || fail "Corvane.ini was not written"
grep -qx '\[BootData\]' "$ini" || fail "Corvane.ini has no [BootData] section"
for key in left top right bottom taitolbar zsize; do
  [ -n "$(ini_value "$key")" ] || fail "Corvane.ini has no $key"
done
[ "$(ini_value taitolbar)" = 0 ] || fail "taitolbar is $(ini_value taitolbar)"
[ "$(ini_value zsize)" = 15 ] || fail "zsize is $(ini_value zsize)"
[ $(($(ini_value right) - $(ini_value left))) -eq 800 ] || fail "stored width is not 800"
[ $(($(ini_value bottom) - $(ini_value top))) -eq 600 ] || fail "stored height is not 600"

# --- Second start from a maximised window's rectangle.
cat >"$ini" <<'INI'
[BootData]
left=-8
top=-8
right=1288
bottom=1032
taitolbar=0
zsize=15
INI
start_corvane
wait_until 15 find_window || fail "no window on the second start"
geometry=$(window_geometry)
[ "$geometry" = "1296 1040 0 0" ] || fail "second window is $geometry, expected 1296 1040 at 0 0"
echo "second start: window $geometry"
close_and_wait
[ "$(ini_value left)" = 0 ] && [ "$(ini_value right)" = 1296 ] || fail "closing did not store the rectangle"

echo "PASS"
