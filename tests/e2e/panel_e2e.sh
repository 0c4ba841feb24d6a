#!/usr/bin/env bash
# Drives the control panel of the real program on a private X server, with a
# temporary home, the way a user would: right click, pick a list entry, Run,
# Save and Open through Qt's file dialog, Frame, Help, Hide and Exit.
# Usage: panel_e2e.sh <corvane binary> <folder for screenshots and logs> [x11_close_window]
set -euo pipefail

program=$(readlink -f "$1")
artifacts=$2
close_window=${3:+$(readlink -f "$3")}
bin_dir=$(dirname "$program")
mkdir -p "$artifacts"
rm -f "$artifacts"/*.png "$artifacts"/*.log

tmp=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [ -n "${DISPLAY:-}" ]; then import -window root "$artifacts/failure.png" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ] && ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "--- the X server $DISPLAY has ended:" >&2
    cat "$tmp/xvfb.log" >&2
  fi
  if [ -f "$tmp/app.log" ]; then
    cp "$tmp/app.log" "$artifacts/app.log"
    echo "--- corvane output" >&2
    cat "$tmp/app.log" >&2
  fi
  exit 1
}
step() { echo "== $*"; }

# shellcheck source=x_server.sh
source "$(dirname "$0")/x_server.sh"
visible_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
has_visible_window() { [ -n "$(visible_window "$1")" ]; }
title_is() { [ "$(xdotool getwindowname "$main_window" 2>/dev/null)" = "$1" ]; }
click_in() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; }
# A dropped-down list is a window of its own, of the program's class.
list_is_open() {
  xdotool search --onlyvisible --classname '^corvane$' 2>/dev/null |
    grep -vx -e "$main_window" -e "$panel" | grep -q .
}
list_is_closed() { ! list_is_open; }
# The save dialog and its question both carry the title "保存".
save_windows_are() { [ "$(xdotool search --onlyvisible --name '^保存$' 2>/dev/null | wc -l)" -eq "$1" ]; }
# Panel buttons: x 0, y 40 x index, 60 x 40.
press_button() { click_in "$panel" 30 $((40 * $1 + 20)); }

# Types `path` into the file dialog titled `title` and presses Return.
type_into_file_dialog() {
  local title=$1 path=$2 dialog
  wait_until 10 has_visible_window "^${title}\$" || fail "no dialog \"$title\""
  dialog=$(visible_window "^${title}\$")
  timeout 5 xdotool windowfocus --sync "$dialog" || fail "cannot focus dialog \"$title\""
  xdotool key --window "$dialog" ctrl+a
  xdotool type --delay 10 "$path"
  xdotool key Return
}

# The same, and waits for the dialog to close.
answer_file_dialog() {
  local title=$1
  type_into_file_dialog "$@"
  wait_until 10 bash -c "! xdotool search --onlyvisible --name '^${title}\$' | grep -q ." ||
    fail "dialog \"$title\" stayed open"
}

for tool in Xvfb xdpyinfo xdotool import iconv; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done
[ -n "$(fc-list :lang=ja 2>/dev/null)" ] || fail "no Japanese font installed"
[ -f "$bin_dir/corvane.html" ] || fail "the help page is not next to the program"

# A private home and a stand-in for the desktop's document opener.
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_RUNTIME_DIR=$tmp/runtime
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$tmp/fakebin"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cat >"$tmp/fakebin/xdg-open" <<OPENER
#!/bin/sh
echo "\$1" >"$tmp/opened"
OPENER
chmod +x "$tmp/fakebin/xdg-open"
export PATH=$tmp/fakebin:$PATH
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8
# In a sanitizer build: the D-Bus library keeps a buffer to the end, not ours.
printf 'leak:libdbus-1.so\n' >"$tmp/lsan.supp"
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$tmp/lsan.supp}
unset SESSION_MANAGER DESKTOP_SESSION XDG_CURRENT_DESKTOP

# Starts the program from its own folder and waits for the main view.
start_program() {
  (cd "$bin_dir" && exec "$program") >>"$tmp/app.log" 2>&1 &
  app_pid=$!
  wait_until 15 has_visible_window '^Corvane' || fail "the main view did not appear"
  main_window=$(visible_window '^Corvane')
}
show_panel() {
  click_in "$main_window" "$1" "$2" 3
  wait_until 5 has_visible_window '^corvane 設定$' || fail "right click did not show the panel"
  panel=$(visible_window '^corvane 設定$')
}
# Waits for the program to end and checks that it ended normally.
expect_program_end() {
  wait_until 10 bash -c "! kill -0 $app_pid" || fail "the program is still running after $1"
  local status=0
  wait "$app_pid" || status=$?
  app_pid=""
  [ "$status" -eq 0 ] || fail "the program ended with status $status after $1"
}

step "X server"
start_x_server 1280x1024x24 "$tmp/xvfb.log" || { cat "$tmp/xvfb.log" >&2; fail "Xvfb did not start"; }
# Clients that come and go one after the other are all let in.
for probe in $(seq 60); do
  xdpyinfo >/dev/null 2>&1 || fail "the X server refused client $probe of 60 in a row"
done

step "program starts from its own folder"
start_program
has_visible_window '^corvane 設定$' && fail "the panel is shown before a right click"

step "right click shows the panel"
show_panel 400 300
sleep 0.3
import -window "$panel" "$artifacts/panel.png"
colours=$(convert "$artifacts/panel.png" -format '%k' info:)
[ "$colours" -gt 8 ] || fail "the panel screenshot is nearly blank ($colours colours)"

step "Run with 100 halo bodies"
click_in "$panel" 350 60 # the halo list opens
wait_until 5 list_is_open || fail "the halo list did not open"
xdotool key Down Down Down Down Down Down Down Return # "0" -> "100"
wait_until 5 list_is_closed || fail "the halo list stayed open"
press_button 0
wait_until 10 title_is "Corvane  130個 " ||
  fail "title after Run: '$(xdotool getwindowname "$main_window")'"

step "Save through the dialog"
press_button 3
answer_file_dialog "保存" "$tmp/saved.cvn"
wait_until 5 test -s "$tmp/saved.cvn" || fail "Save wrote no file"
saved=$tmp/saved.cvn
[ "$(wc -l <"$saved")" -eq 140 ] || fail "saved file has $(wc -l <"$saved") lines, not 10 + 130"
[ "$(grep -c $'\r$' "$saved")" -eq 140 ] || fail "not every line ends in CR LF"
[ "$(head -n 8 "$saved" | tr -d '\r' | paste -sd' ')" = "Corvane V9.0 30 0 100 0 1.0e5 1.0e5 100" ] ||
  fail "header and settings: $(head -n 8 "$saved" | tr -d '\r' | paste -sd' ')"
[ "$(sed -n '9,10p' "$saved" | tr -d '\r' | iconv -f SHIFT_JIS -t UTF-8 | paste -sd' ')" = "オリジナル 銀河状" ] ||
  fail "mode lines are not the Shift-JIS texts"
body_lines=$(tail -n +11 "$saved" | tr -d '\r' |
  grep -cE '^-?[0-9]+\.[0-9]{6}(,-?[0-9]+\.[0-9]{6}){6}$' || true)
[ "$body_lines" -eq 130 ] || fail "only $body_lines of 130 body lines have the seven-number form"

step "Save onto an existing file asks first"
cp "$saved" "$tmp/saved.before"
press_button 3
type_into_file_dialog 保存 "$saved"
wait_until 5 save_windows_are 2 || fail "no question before replacing $saved"
sleep 0.3
import -window root "$artifacts/replace-question.png" # Qt's own question and buttons, in Japanese
xdotool key Escape # keep the file
wait_until 5 save_windows_are 1 || fail "the question did not close"
xdotool key Escape # and leave the dialog
wait_until 5 save_windows_are 0 || fail "the save dialog did not close"
cmp -s "$saved" "$tmp/saved.before" || fail "declining the question still replaced the file"

step "Open a prepared scene"
# Five resting, weightless stars without a black hole: nothing moves, so a
# save right after the load must give the same bytes.
prepared=$tmp/prepared.cvn
{
  printf 'Corvane V9.0\r\n5\r\n0\r\n0\r\n0\r\n0\r\n1.0e5\r\n100\r\n'
  printf '%s\r\n' "$(printf '均等' | iconv -f UTF-8 -t SHIFT_JIS)" "$(printf '球' | iconv -f UTF-8 -t SHIFT_JIS)"
  for i in 1 2 3 4 5; do
    printf '%d.000000,-%d.500000,%d.250000,0.000000,0.000000,0.000000,0.000000\r\n' \
      $((i * 1000)) $((i * 700)) $((i * 300))
  done
} >"$prepared"
press_button 2
answer_file_dialog "開く" "$prepared"
sleep 0.5
title_is "Corvane  130個 " || fail "loading changed the title"
press_button 3
answer_file_dialog "保存" "$tmp/resaved.cvn"
wait_until 5 test -s "$tmp/resaved.cvn" || fail "the second Save wrote no file"
cmp -s "$prepared" "$tmp/resaved.cvn" || fail "the scene saved after Open differs from the file opened"

step "Frame writes the next mode"
ini=$XDG_CONFIG_HOME/Corvane.ini
grep -q '^taitolbar=0' "$ini" || fail "first start did not store frame mode 0"
press_button 4
wait_until 5 grep -q '^taitolbar=1' "$ini" || fail "Frame did not store mode 1"

step "Help opens the page next to the program"
press_button 5
wait_until 5 test -s "$tmp/opened" || fail "Help opened nothing"
[ "$(cat "$tmp/opened")" = "$bin_dir/corvane.html" ] || fail "Help opened $(cat "$tmp/opened")"

step "Hide, then a right click shows it again"
press_button 1
wait_until 5 bash -c "! xdotool search --onlyvisible --name '^corvane 設定\$' | grep -q ." ||
  fail "Hide left the panel shown"
show_panel 300 200

step "Exit ends the program"
press_button 6
expect_program_end "Exit"

if [ -n "$close_window" ]; then
  step "a close request to the panel ends the program as Exit does"
  start_program
  show_panel 200 200
  "$close_window" "$panel" || fail "could not send the close request"
  expect_program_end "closing the panel"
fi
cp "$tmp/app.log" "$artifacts/app.log"
echo "panel end-to-end: all steps passed"
