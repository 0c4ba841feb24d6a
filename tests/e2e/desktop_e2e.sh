#!/usr/bin/env bash
# The real program on a desktop, under a window manager (openbox) or on a
# bare X server: the outer rectangle kept over start, close and start, after
# maximising and through the frame modes; the panel kept above the view; the
# countdown reaching the screen; Help from another folder; Japanese dialogs.
# Usage: desktop_e2e.sh <corvane> <x11_close_window> <x11_probe> <artifacts> openbox|bare
set -euo pipefail

program=$(readlink -f "$1")
close_window=$(readlink -f "$2")
probe=$(readlink -f "$3")
artifacts=$4
desktop=$5
bin_dir=$(dirname "$program")
mkdir -p "$artifacts"
rm -f "$artifacts"/*.png "$artifacts"/*.log

tmp=$(mktemp -d)
xvfb_pid="" wm_pid="" app_pid=""
cleanup() {
  for pid in $app_pid $wm_pid $xvfb_pid; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
  echo "FAIL ($desktop): $*" >&2
  [ -n "${DISPLAY:-}" ] && import -window root "$artifacts/failure.png" 2>/dev/null || true
  [ -f "$tmp/app.log" ] && { echo "--- corvane output" >&2; cat "$tmp/app.log" >&2; }
  exit 1
}
step() { echo "== $*"; }
# shellcheck source=x_server.sh
source "$(dirname "$0")/x_server.sh"

for tool in Xvfb xdpyinfo xdotool xprop xwininfo import; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done
[ "$desktop" = bare ] || command -v openbox >/dev/null || fail "openbox is not installed"

export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_RUNTIME_DIR=$tmp/runtime
mkdir -p "$XDG_CONFIG_HOME" "$tmp/fakebin" "$tmp/elsewhere"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The desktop's document opener, played by a script that notes the page, or
# fails like xdg-open without a browser once told to.
cat >"$tmp/fakebin/xdg-open" <<OPENER
#!/bin/sh
[ -e "$tmp/no-browser" ] && exit 3
echo "\$1" >"$tmp/opened"
OPENER
chmod +x "$tmp/fakebin/xdg-open"
export PATH=$tmp/fakebin:$PATH QT_QPA_PLATFORM=xcb LANG=C.UTF-8
printf 'leak:libdbus-1.so\n' >"$tmp/lsan.supp"
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$tmp/lsan.supp}
unset SESSION_MANAGER DESKTOP_SESSION XDG_CURRENT_DESKTOP
ini=$XDG_CONFIG_HOME/Corvane.ini

step "X server ($desktop)"
start_x_server 1600x1000x24 "$tmp/xvfb.log" || { cat "$tmp/xvfb.log" >&2; fail "Xvfb did not start"; }
if [ "$desktop" = openbox ]; then
  openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
  wm_pid=$!
  wait_until 10 bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" ||
    fail "openbox did not start"
fi

find_main() { main=$(xdotool search --onlyvisible --name '^Corvane$' 2>/dev/null | head -n 1) && [ -n "$main" ]; }
find_panel() { panel=$(xdotool search --onlyvisible --name '^corvane 設定$' 2>/dev/null | head -n 1) && [ -n "$panel" ]; }
start_program() {
  (cd "$1" && exec "$program") >>"$tmp/app.log" 2>&1 &
  app_pid=$!
  wait_until 15 find_main || fail "the main view did not appear"
  sleep 0.3
}
end_program() {
  wait_until 60 bash -c "! kill -0 $app_pid" || fail "the program is still running after $1"
  local status=0
  wait "$app_pid" || status=$?
  app_pid=""
  [ "$status" -eq 0 ] || fail "the program ended with status $status after $1"
}
close_main() { "$close_window" "$main" && end_program "closing the view"; }
click_in() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; }
press_button() { click_in "$panel" 30 $((40 * $1 + 20)); }
show_panel() { click_in "$main" 300 300 3 && wait_until 5 find_panel || fail "right click did not show the panel"; }

# "left top width height" of a window's frame on the screen: the client area
# and the frame the window manager reports (none on a bare server).
frame_extents() {
  xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ,
}
outer_on_screen() {
  local x y w h l=0 r=0 t=0 b=0
  read -r x y w h < <(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
  read -r l r t b < <(frame_extents "$1"; echo)
  echo "$((x - ${l:-0})) $((y - ${t:-0})) $((w + ${l:-0} + ${r:-0})) $((h + ${t:-0} + ${b:-0}))"
}
ini_value() { sed -n "s/^$1=//p" "$ini"; }
stored_outer() {
  echo "$(ini_value left) $(ini_value top) $(($(ini_value right) - $(ini_value left))) $(($(ini_value bottom) - $(ini_value top)))"
}
main_is_at() { [ "$(outer_on_screen "$main")" = "$1" ]; }
write_settings() {
  printf '[BootData]\nleft=%d\ntop=%d\nright=%d\nbottom=%d\ntaitolbar=0\nzsize=15\n' "$@" >"$ini"
}

step "start, close, start keeps the outer rectangle"
write_settings 100 80 807 605
for round in 1 2 3; do
  start_program "$bin_dir"
  wait_until 5 main_is_at "100 80 707 525" || fail "start $round: the frame is at $(outer_on_screen "$main")"
  close_main
  [ "$(stored_outer)" = "100 80 707 525" ] || fail "start $round stored $(stored_outer)"
done

if [ "$desktop" = openbox ]; then
  step "maximise and restore, maximise, close, start fits the screen"
  stored_is() { [ "$(stored_outer)" = "$1" ]; }
  toggle_maximised() { xdotool mousemove "$1" "$2" click --repeat 2 --delay 80 1; } # a double click on the title
  start_program "$bin_dir"
  toggle_maximised 400 90
  wait_until 5 main_is_at "0 0 1600 1000" || fail "maximised frame is at $(outer_on_screen "$main")"
  wait_until 5 stored_is "0 0 1600 1000" || fail "maximising stored $(stored_outer)"
  toggle_maximised 400 8
  wait_until 5 main_is_at "100 80 707 525" || fail "restored frame is at $(outer_on_screen "$main")"
  wait_until 5 stored_is "100 80 707 525" || fail "restoring stored $(stored_outer)"
  toggle_maximised 400 90
  wait_until 5 stored_is "0 0 1600 1000" || fail "maximising again stored $(stored_outer)"
  close_main
  start_program "$bin_dir"
  wait_until 5 main_is_at "0 0 1600 1000" || fail "the next start's frame is at $(outer_on_screen "$main")"
  close_main
  write_settings 100 80 807 605
fi

step "the panel belongs to the view and stays above it"
start_program "$tmp/elsewhere"
show_panel
[ "$(xprop -id "$panel" WM_TRANSIENT_FOR | sed -n 's/.*# //p')" = "$(printf '0x%x' "$main")" ] ||
  fail "the panel is not transient for the view: $(xprop -id "$panel" WM_TRANSIENT_FOR)"
if [ "$desktop" = openbox ]; then
  actions=$(xprop -id "$panel" _NET_WM_ALLOWED_ACTIONS)
  case "$actions" in *MINIMIZE* | *MAXIMIZE*) fail "the panel can be minimised or maximised: $actions" ;; esac
fi
# Bottom to top: the window manager's stacking list, or the server's own.
panel_above_main() {
  local order
  if [ "$desktop" = openbox ]; then
    order=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //' | tr -d ,)
  else
    order=$(xwininfo -root -children | awk '/^ +0x/ {print $1}' | tac)
  fi
  order=$(for w in $order; do printf '%d\n' "$w"; done | grep -x -e "$main" -e "$panel" | paste -sd' ')
  [ "$order" = "$main $panel" ]
}
click_in "$main" 40 500 # a left click in the view, as a drag starts
sleep 0.5
panel_above_main || fail "a left click in the view covered the panel"
xdotool windowminimize "$panel" 2>/dev/null || true
sleep 0.3
click_in "$main" 300 300 3
wait_until 5 bash -c "xprop -id $panel WM_STATE 2>/dev/null | grep -q 'state: Normal' || [ $desktop = bare ]" ||
  fail "a right click left the panel iconic"
wait_until 5 find_panel || fail "a right click did not bring the panel back"
import -window root "$artifacts/panel-above-view.png"

step "frame modes 0, 1, 2, 0 keep the outer rectangle"
outer=$(outer_on_screen "$main")
for mode in 1 2 0; do
  press_button 4
  wait_until 5 grep -qx "taitolbar=$mode" "$ini" || fail "Frame did not store mode $mode"
  wait_until 5 main_is_at "$outer" || fail "mode $mode: the frame is at $(outer_on_screen "$main"), not $outer"
  wait_until 5 find_panel || fail "mode $mode: the panel is gone"
  wait_until 5 panel_above_main || fail "mode $mode: the panel is below the view"
  [ "$(stored_outer)" = "$outer" ] || fail "mode $mode stored $(stored_outer)"
  if [ "$desktop" = openbox ]; then
    read -r l r t b < <(frame_extents "$main"; echo)
    case $mode in
      1) [ "${l:-0}" -gt 0 ] && [ "$t" = "$l" ] || fail "mode 1 is not a border without a title: ${l:-} ${r:-} ${t:-} ${b:-}" ;;
      2) [ "${l:-0}${t:-0}${r:-0}${b:-0}" = 0000 ] || fail "mode 2 has a frame: $l $r $t $b" ;;
      0) [ "${t:-0}" -gt "${l:-0}" ] || fail "mode 0 has no title bar: ${l:-} ${r:-} ${t:-} ${b:-}" ;;
    esac
    import -window root "$artifacts/frame-mode-$mode.png"
  fi
done

step "Help from another folder, and without a browser"
press_button 5
wait_until 5 test -s "$tmp/opened" || fail "Help opened nothing"
case "$(cat "$tmp/opened")" in
  "$bin_dir/corvane.html" | */share/corvane/corvane.html) ;;
  *) fail "Help opened $(cat "$tmp/opened")" ;;
esac
touch "$tmp/no-browser"
press_button 5
# Titled "corvane"; xdotool matches names ignoring case, so not the view.
message_shown() { xdotool search --onlyvisible --name '^corvane$' | grep -vx "$main" | grep -q .; }
wait_until 5 message_shown || fail "no message when the page cannot be shown"
sleep 0.3
import -window root "$artifacts/help-without-browser.png"
xdotool key Return
wait_until 5 bash -c "! xdotool search --onlyvisible --name '^corvane\$' | grep -vx $main | grep -q ." ||
  fail "the message stayed"

step "Qt's file dialog in Japanese"
press_button 3
wait_until 5 bash -c "xdotool search --onlyvisible --name '^保存\$' | grep -q ." || fail "no save dialog"
sleep 0.5
import -window root "$artifacts/save-dialog.png"
xdotool key Escape
wait_until 5 bash -c "! xdotool search --onlyvisible --name '^保存\$' | grep -q ." || fail "the dialog stayed"

# Last: the simulation steps 15 000 bodies from now on, which takes seconds
# in a sanitizer build.
step "the countdown of a 15 000-body Run reaches the screen"
for combo in "170 30" "170 60" "350 60"; do # free stars, disk, halo: 5000 each
  click_in "$panel" $combo
  sleep 0.3
  xdotool key End Return
  sleep 0.3
done
# Making 15 000 bodies takes a few milliseconds here, less than a display
# frame. A wide view 20 pixels high rejects almost every place drawn for a
# body, and the program runs one millisecond in seventeen, as on a very slow
# computer: now it lasts many frames, and each should show its number.
xdotool windowsize "$main" 1580 20
wait_until 5 bash -c "xwininfo -id $main | grep -q 'Height: 20$'" || fail "the view did not take 1580 x 20"
sleep 0.5
"$probe" corner "$main" 4 >"$tmp/corner" &
probe_pid=$!
"$probe" throttle "$app_pid" 3 &
throttle_pid=$!
sleep 0.3
press_button 0
wait "$throttle_pid" || fail "could not slow the program down"
wait "$probe_pid"
read -r numbers pictures <"$tmp/corner"
echo "countdown: $numbers different numbers in $pictures pictures of the corner"
[ "$numbers" -ge 3 ] || fail "the countdown showed $numbers different numbers"
wait_until 10 bash -c "xdotool getwindowname $main | grep -q '15000個'" || fail "Run did not end"

step "Exit"
press_button 6
end_program "Exit"
cp "$tmp/app.log" "$artifacts/app.log"
echo "desktop end-to-end ($desktop): all steps passed"
