#!/usr/bin/env bash
# The real corvane on a private X server with a temporary home, as a user
# drives it. openbox, bare: the outer rectangle kept over restarts, maximising
# and frame modes; the panel above the view; Help; a Run's countdown shown.
# openbox, bare, too: a scene from the command line, pause and one step, the
# picture and the recording the keys make, full screen and back.
# first: the first start; Run, Save and Open through Qt's dialogs; Hide; Exit.
# Usage: e2e.sh <corvane> <x11_probe> <folder for screenshots> openbox|bare|first <video_probe>
set -euo pipefail
program=$(readlink -f "$1") probe=$(readlink -f "$2") shots=$3 desktop=$4 video_probe=$(readlink -f "$5")
bin_dir=$(dirname "$program") tmp=$(mktemp -d) xvfb_pid="" wm_pid="" app_pid=""
mkdir -p "$shots" && rm -f "$shots"/*.png
trap 'kill $app_pid $wm_pid $xvfb_pid 2>/dev/null; wait; rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL ($desktop): $*" >&2 && cat "$tmp"/*.log >&2
  [ -z "${DISPLAY:-}" ] || import -window root "$shots/failure.png" || true && exit 1
}
# shellcheck source=x_server.sh
source "$(dirname "$0")/x_server.sh"
for tool in Xvfb xdpyinfo xdotool xprop xwininfo import convert iconv ${desktop/#[bf]*/}; do command -v "$tool" >/dev/null ||
  fail "$tool is not installed"; done
[ -n "$(fc-list :lang=ja)" ] || fail "no Japanese font installed"
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_RUNTIME_DIR=$tmp/run LANG=C.UTF-8
export PATH=$tmp/bin:$PATH QT_QPA_PLATFORM=xcb LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$tmp/lsan.supp}
unset SESSION_MANAGER DESKTOP_SESSION XDG_CURRENT_DESKTOP
mkdir -p "$XDG_CONFIG_HOME" "$tmp/bin" "$tmp/elsewhere" && mkdir -m 700 "$XDG_RUNTIME_DIR"
# The desktop's document opener notes the page, or fails as without a browser.
printf '#!/bin/sh\n[ -e %s/no-browser ] && exit 3\necho "$1" >%s/opened\n' "$tmp" "$tmp" >"$tmp/bin/xdg-open" && chmod +x "$tmp/bin/xdg-open"
printf 'leak:libdbus-1.so\n' >"$tmp/lsan.supp" # sanitizer builds: D-Bus keeps a buffer to the end
ini=$XDG_CONFIG_HOME/Corvane.ini

# Visible windows titled $1 other than the view (xdotool ignores case) number ${2:-1}.
shown() { [ "$(xdotool search --onlyvisible --name "$1" | grep -cvx "${main:-0}")" -eq "${2:-1}" ]; }
find_main() { main=$(xdotool search --onlyvisible --name '^Corvane$' | head -n 1) && [ -n "$main" ]; }
find_panel() { panel=$(xdotool search --onlyvisible --name '^corvane 設定$' | head -n 1) && [ -n "$panel" ]; }
title_is() { [ "$(xdotool getwindowname "$main")" = "$1" ] || [ -z "${2:-}" ] || fail "$2: $(xdotool getwindowname "$main")"; }
start_program() { # from folder $1, with the arguments after it
  (cd "$1" && shift && exec "$program" "$@") >>"$tmp/app.log" 2>&1 & app_pid=$!
  wait_until 15 find_main && sleep 0.3 || fail "the main view did not appear"
}
end_program() {
  wait_until 60 eval "! kill -0 $app_pid" || fail "the program is still running after $1"
  wait "$app_pid" && app_pid="" || fail "the program ended with status $? after $1"
}
close_main() { "$probe" close "$main" && end_program "closing the view"; }
click_in() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; }
press_button() { click_in "$panel" 30 $((40 * $1 + 20)); } # Run, Hide, Open, Save, Frame, Help, Exit
show_panel() { click_in "$main" 300 300 3 && wait_until 5 find_panel || fail "a right click did not show the panel"; }
answer_dialog() { # titled $1 with the path $2
  wait_until 10 shown "^$1\$" || fail "no dialog $1"
  local dialog && dialog=$(xdotool search --onlyvisible --name "^$1\$" | head -n 1)
  timeout 5 xdotool windowfocus --sync "$dialog" || fail "cannot focus $1"
  xdotool key --window "$dialog" ctrl+a && xdotool type --delay 10 "$2" && xdotool key Return
}
# "left top width height" of a window's frame: the client area and the
# frame the window manager reports (none on a bare server).
frame_extents() { xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ,; }
outer_on_screen() {
  { frame_extents "$1"; echo; xwininfo -id "$1"; } | awk 'NR == 1 {l = $1; r = $2; t = $3; b = $4}
    /Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} /Width:/ {w = $2} /Height:/ {h = $2}
    END {print x - l, y - t, w + l + r, h + t + b}'
}
main_is_at() { [ "$(outer_on_screen "$main")" = "$1" ]; }
stored_outer() { awk -F= '{v[$1] = $2} END {print v["left"], v["top"], v["right"] - v["left"], v["bottom"] - v["top"]}' "$ini"; }
stored_is() { [ "$(stored_outer)" = "$1" ]; }
write_settings() { printf '[BootData]\nleft=%d\ntop=%d\nright=%d\nbottom=%d\ntaitolbar=0\nzsize=15\n' "$@" >"$ini"; }
panel_above_main() { # bottom to top: the window manager's stacking list, or the server's own
  local order
  if [ "$desktop" = openbox ]; then order=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //' | tr -d ,)
  else order=$(xwininfo -root -children | awk '/^ +0x/ {print $1}' | tac); fi
  [ "$(for w in $order; do printf '%d\n' "$w"; done | grep -x -e "$main" -e "$panel" | paste -sd' ')" = "$main $panel" ]
}
frame_is() { # mode $1 (left right top bottom): a title bar, a border alone, none
  read -r l r t b < <(frame_extents "$main"; echo)
  case $1 in 0) [ "${t:-0}" -gt "${l:-0}" ] ;; 1) [ "${l:-0}" -gt 0 ] && [ "$t" = "$l" ] ;; *) [ "${l:-0}${r:-0}${t:-0}${b:-0}" = 0000 ] ;; esac
}
stars_shown() { import -window root "$tmp/s.png" && convert "$tmp/s.png" -alpha off -fill black +opaque '#FFFF00' \
  -format '%[max]' info: | grep -vx 0; }

echo "== X server ($desktop), clients that come and go one after the other"
start_x_server 1600x1000x24 "$tmp/xvfb.log" || fail "Xvfb did not start"
for client in $(seq 60); do xdpyinfo >/dev/null || fail "the X server refused client $client in a row"; done
[ "$desktop" != openbox ] || { openbox --sm-disable >"$tmp/openbox.log" 2>&1 & wm_pid=$!; }
[ -z "$wm_pid" ] || wait_until 10 bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" || fail "no openbox"

if [ "$desktop" = first ]; then
  echo "== first start: 800 x 600 at the corner, stars, no panel; closing stores the boot settings"
  start_program "$bin_dir"
  wait_until 5 main_is_at "0 0 800 600" || fail "the first window is at $(outer_on_screen "$main")"
  shown '^corvane 設定$' 0 || fail "the panel is shown before a right click"
  wait_until 5 stars_shown || fail "no yellow star on the screen"
  close_main
  [ "$(grep -cx -e '\[BootData\]' -e taitolbar=0 -e zsize=15 "$ini")" = 3 ] && stored_is "0 0 800 600" || fail "$(cat "$ini")"

  echo "== a maximised window's rectangle opens at the origin with its size"
  write_settings -8 -8 1288 1032
  start_program "$bin_dir"
  wait_until 5 main_is_at "0 0 1296 1040" || fail "the window is at $(outer_on_screen "$main")"
  close_main
  stored_is "0 0 1296 1040" || fail "closing stored $(stored_outer)"

  echo "== Run with 100 halo bodies"
  start_program "$bin_dir"
  show_panel
  import -window "$panel" "$shots/panel.png" && [ "$(convert "$shots/panel.png" -format '%k' info:)" -gt 8 ] || fail "the panel is nearly blank"
  click_in "$panel" 350 60 && sleep 0.5 && xdotool key Down Down Down Down Down Down Down Return # halo 0 -> 100
  press_button 0
  wait_until 10 title_is "Corvane  130個 " || title_is "Corvane  130個 " "the title after Run"

  echo "== Save through the dialog; onto an existing file only after a question"
  saved=$tmp/saved.cvn
  press_button 3 && answer_dialog 保存 "$saved"
  wait_until 10 shown '^保存$' 0 && wait_until 5 test -s "$saved" || fail "Save wrote no file"
  [ "$(grep -c $'\r$' "$saved") $(head -n 8 "$saved" | tr -d '\r' | paste -sd' ')" = \
    "140 Corvane V9.0 30 0 100 0 1.0e5 1.0e5 100" ] || fail "saved: $(head -n 8 "$saved")"
  cp "$saved" "$tmp/saved.before" && press_button 3 && answer_dialog 保存 "$saved"
  wait_until 5 shown '^保存$' 2 && sleep 0.3 || fail "no question before replacing $saved"
  import -window root "$shots/replace-question.png" # Qt's own question and buttons, in Japanese
  xdotool key Escape && wait_until 5 shown '^保存$' 1 && xdotool key Escape && wait_until 5 shown '^保存$' 0 || fail "stayed"
  cmp -s "$saved" "$tmp/saved.before" || fail "declining the question still replaced the file"

  echo "== Open a prepared scene of resting, weightless stars; Save gives the same bytes"
  { printf 'Corvane V9.0\r\n5\r\n0\r\n0\r\n0\r\n0\r\n1.0e5\r\n100\r\n%s\r\n%s\r\n' "$(printf 均等 | iconv -t SJIS)" "$(printf 球 | iconv -t SJIS)"
    for i in 1 2 3 4 5; do printf '%d.000000,-%d.500000,%d.250000,0.000000,0.000000,0.000000,0.000000\r\n' $((i * 1000)) $((i * 700)) $((i * 300)); done
  } >"$tmp/prepared.cvn"
  press_button 2 && answer_dialog 開く "$tmp/prepared.cvn"
  wait_until 10 shown '^開く$' 0 && sleep 0.5 || fail "the open dialog stayed"
  title_is "Corvane  130個 " "the title after Open"
  press_button 3 && answer_dialog 保存 "$tmp/resaved.cvn"
  wait_until 10 cmp -s "$tmp/prepared.cvn" "$tmp/resaved.cvn" || fail "the scene saved after Open differs from it"

  echo "== Hide, a right click shows the panel again; Exit, and a close request to the panel"
  press_button 1
  wait_until 5 shown '^corvane 設定$' 0 || fail "Hide left the panel shown"
  show_panel
  press_button 6
  end_program "Exit"
  start_program "$bin_dir"
  show_panel
  "$probe" close "$panel" && end_program "closing the panel"
  echo "first start and the panel: all steps passed" && exit 0
fi

echo "== start, close, start keeps the outer rectangle, in the frame mode stored"
write_settings 100 80 807 605
for mode in 0 1; do
  sed -i "s/^taitolbar=.*/taitolbar=$mode/" "$ini" && start_program "$bin_dir"
  wait_until 5 main_is_at "100 80 707 525" || fail "start in mode $mode: the frame is at $(outer_on_screen "$main")"
  [ "$desktop" = bare ] || frame_is $mode || fail "start in mode $mode: the frame is $l $r $t $b"
  close_main
  stored_is "100 80 707 525" || fail "start in mode $mode stored $(stored_outer)"
done
write_settings 100 80 807 605

echo "== a scene that cannot be read: the first galaxy and the message"
start_program "$tmp/elsewhere" "$tmp/missing.cvn"
wait_until 5 shown '^corvane$' || fail "no message for a scene that cannot be read"
import -window root "$shots/open-failed.png"
xdotool key Return && wait_until 5 shown '^corvane$' 0 || fail "the message stayed"
close_main

echo "== a scene from the command line; a pause holds it; '.' is one step"
# Weightless stars drifting 1/64 m a step: every position stays exact in a file's six decimals.
{ printf 'Corvane V9.0\r\n5\r\n0\r\n0\r\n0\r\n0\r\n1.0e5\r\n100\r\n%s\r\n%s\r\n' "$(printf 均等 | iconv -t SJIS)" "$(printf 球 | iconv -t SJIS)"
  for i in 1 2 3 4 5; do printf '%d.000000,-%d.500000,%d.250000,0.015625,0.000000,-0.015625,0.000000\r\n' $((i * 1000)) $((i * 700)) $((i * 300)); done
} >"$tmp/drifting.cvn"
cli=$bin_dir/corvane-cli pictures=$HOME/Pictures videos=$HOME/Videos
start_program "$tmp/elsewhere" "$tmp/drifting.cvn"
key() { timeout 5 xdotool windowfocus --sync "$main" 2>/dev/null || true; xdotool key --window "$main" "$@"; }
save_as() { show_panel && press_button 3 && answer_dialog 保存 "$1" && wait_until 10 shown '^保存$' 0 && wait_until 5 test -s "$1" &&
  press_button 1 && wait_until 5 shown '^corvane 設定$' 0 || fail "could not save $1"; }
key space && wait_until 5 title_is "Corvane  一時停止中" || title_is "Corvane  一時停止中" "the title while paused"
save_as "$tmp/held.cvn"
[ "$(grep -c $'\r$' "$tmp/held.cvn")" = 15 ] || fail "the scene given was not loaded: $(head -n 2 "$tmp/held.cvn")"
sleep 1 && save_as "$tmp/held-later.cvn"
cmp -s "$tmp/held.cvn" "$tmp/held-later.cvn" || fail "the scene moved while paused"
key period && sleep 0.3 && save_as "$tmp/stepped.cvn"
"$cli" run "$tmp/held.cvn" -o "$tmp/one-step.cvn" --steps 1 --seed 1
cmp -s "$tmp/stepped.cvn" "$tmp/one-step.cvn" || fail "'.' was not one step: $(diff "$tmp/stepped.cvn" "$tmp/one-step.cvn" | head -n 4)"

echo "== F12's picture is corvane-cli render's, byte for byte"
key F12 && wait_until 5 bash -c "ls '$pictures'/corvane-*.png" || fail "F12 wrote no picture in $pictures"
picture=$(ls "$pictures"/corvane-*.png) && [[ $(basename "$picture") =~ ^corvane-[0-9]{8}-[0-9]{6}\.png$ ]] || fail "named $picture"
view_size=$(xwininfo -id "$main" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}')
"$cli" render "$tmp/stepped.cvn" -o "$tmp/render.png" --view "$view_size"
cp "$picture" "$shots/f12.png" && cp "$tmp/render.png" "$shots/render.png"
cmp -s "$picture" "$tmp/render.png" || fail "F12's picture differs from render's at $view_size"

echo "== F9 records 2 s at 30 frames a second, as the window showed them"
key space && wait_until 5 title_is "Corvane" || title_is "Corvane" "the title after the pause"
started=$(date +%s.%N) && key F9 && wait_until 5 title_is "Corvane  ● REC" || title_is "Corvane  ● REC" "the title while recording"
sleep 2 && ended=$(date +%s.%N) && key F9 && wait_until 10 title_is "Corvane" || title_is "Corvane" "the title after recording"
video=$(ls "$videos"/corvane-*.mp4) || fail "F9 left no video in $videos"
read -r frames fps seconds codec < <("$video_probe" "$video") || fail "$video is no video"
echo "   $frames frames, $fps frames/s, $seconds s, $codec, recorded for $(awk -v a="$started" -v b="$ended" 'BEGIN {print b - a}') s"
[ "$codec" = h264 ] && [ "$fps" = 30.000 ] || fail "the recording is $frames frames of $codec at $fps"
# A frame every 1/30 s from the first: 30 x the time recorded, and one.
awk -v n="$frames" -v s="$seconds" -v a="$started" -v b="$ended" 'BEGIN {
  d = n - 30 * (b - a); exit !(d >= -2 && d <= 3 && n == int(30 * s + 0.5))}' || fail "$frames frames ($seconds s) in $ended - $started s"

echo "== F11: full screen and back; the rectangle kept is never the full screen"
outer=$(outer_on_screen "$main")
key F11 && wait_until 5 main_is_at "0 0 1600 1000" || fail "full screen is at $(outer_on_screen "$main")"
sleep 0.5 && stored_is "$outer" || fail "full screen stored $(stored_outer)"
key F11 && wait_until 5 main_is_at "$outer" || fail "back from full screen at $(outer_on_screen "$main"), not $outer"
sleep 0.5 && stored_is "$outer" || fail "back from full screen stored $(stored_outer)"
key F11 && wait_until 5 main_is_at "0 0 1600 1000" && close_main
stored_is "$outer" || fail "closed in full screen, stored $(stored_outer)"

if [ "$desktop" = openbox ]; then
  echo "== maximise, restore, maximise (a double click on the title), close; the next start fits the screen"
  start_program "$bin_dir"
  for at in "90 0 0 1600 1000" "8 100 80 707 525" "90 0 0 1600 1000"; do
    xdotool mousemove 400 "${at%% *}" click --repeat 2 --delay 80 1
    wait_until 5 main_is_at "${at#* }" || fail "the frame is at $(outer_on_screen "$main"), not ${at#* }"
    wait_until 5 stored_is "${at#* }" || fail "stored $(stored_outer), not ${at#* }"
  done
  close_main
  start_program "$bin_dir"
  wait_until 5 main_is_at "0 0 1600 1000" || fail "the next start's frame is at $(outer_on_screen "$main")"
  close_main
  write_settings 100 80 807 605
fi

echo "== the panel belongs to the view and stays above it"
start_program "$tmp/elsewhere"
show_panel
[ "$(xprop -id "$panel" WM_TRANSIENT_FOR | sed -n 's/.*# //p')" = "$(printf '0x%x' "$main")" ] || fail "not transient"
[[ $desktop = bare || "$(xprop -id "$panel" _NET_WM_ALLOWED_ACTIONS)" != *_M[AI][XN]IMIZE* ]] || fail "minimisable"
click_in "$main" 40 500 && sleep 0.5 # a left click in the view, as a drag starts
panel_above_main || fail "a left click in the view covered the panel"
xdotool windowminimize "$panel" || true; sleep 0.3 && click_in "$main" 300 300 3
wait_until 5 bash -c "xprop -id $panel WM_STATE | grep -q 'state: Normal' || [ $desktop = bare ]" && wait_until 5 find_panel ||
  fail "a right click did not bring the minimised panel back"
import -window root "$shots/panel-above-view.png"

echo "== frame modes 0, 1, 2, 0 keep the outer rectangle"
outer=$(outer_on_screen "$main")
for mode in 1 2 0; do
  press_button 4
  wait_until 5 grep -qx "taitolbar=$mode" "$ini" || fail "Frame did not store mode $mode"
  wait_until 5 main_is_at "$outer" && wait_until 5 stored_is "$outer" || fail "mode $mode: at $(outer_on_screen "$main"), not $outer"
  wait_until 5 find_panel && wait_until 5 panel_above_main || fail "mode $mode: the panel is gone or below the view"
  click_in "$main" 40 500 && sleep 0.5 && panel_above_main || fail "mode $mode: a left click in the view covered the panel"
  [ "$desktop" = bare ] || frame_is $mode || fail "mode $mode has the frame $l $r $t $b"
  import -window root "$shots/frame-mode-$mode.png"
done

echo "== Help from another folder, and without a browser"
press_button 5
wait_until 5 test -s "$tmp/opened" || fail "Help opened nothing"
grep -qx -e "$bin_dir/corvane.html" -e '.*/share/corvane/corvane.html' "$tmp/opened" || fail "Help opened $(cat "$tmp/opened")"
touch "$tmp/no-browser" && press_button 5
wait_until 5 shown '^corvane$' || fail "no message when the page cannot be shown"
sleep 0.3 && import -window root "$shots/help-without-browser.png"
xdotool key Return && wait_until 5 shown '^corvane$' 0 || fail "the message stayed"

# Last: 15 000 bodies step from now on. A view 1580 x 20 rejects almost every
# place drawn for a body, and the program runs 1 ms in 17: making them, a few
# ms, lasts many frames, and each should show its number.
echo "== the countdown of a 15 000-body Run reaches the screen"
for list in "170 30" "170 60" "350 60"; do # free stars, disk, halo: 5000 each
  click_in "$panel" $list && sleep 0.3 && xdotool key End Return && sleep 0.3
done
xdotool windowsize "$main" 1580 20
wait_until 5 bash -c "xwininfo -id $main | grep -q 'Height: 20$'" && sleep 0.5 || fail "the view did not take 1580 x 20"
"$probe" corner "$main" 4 >"$tmp/corner" & probe_pid=$!
"$probe" throttle "$app_pid" 3 & throttle_pid=$!
sleep 0.3 && press_button 0
wait "$throttle_pid" || fail "could not slow the program down"
wait "$probe_pid" && read -r numbers pictures <"$tmp/corner"
[ "$numbers" -ge 3 ] || fail "the countdown showed $numbers different numbers in $pictures pictures of the corner"
wait_until 10 bash -c "xdotool getwindowname $main | grep -q '15000個'" || fail "Run did not end"
press_button 6
end_program "Exit"
echo "desktop end-to-end ($desktop): all steps passed"
