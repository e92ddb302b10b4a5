#!/usr/bin/env bash
# The real program during a long pass (12 files of 24 MiB, each chunk of data
# slowed down by a preloaded library, and the flush by a second): the window
# answers the window manager's ping within 100 ms, repaints after being
# unmapped, takes no input, and shows a rising share in its title. Closed at
# about a third, it leaves the screen while the pass is still stopping, and
# the pass stops within a second (and the slowed flush) with status 1, leaving
# complete copies only and no temporary file. A window destroyed
# from outside stops the pass the same way; destroyed before the press, the
# program ends with status 0 and touches nothing.
# Usage: long_pass_test.sh PROGRAM SLOW_DATA_LIBRARY X_WINDOW_TOOL OUTPUT_FOLDER
program=$1
slow_data=$2
x_window_tool=$3
output=$4
# shellcheck source=tests/lib/session.sh
. "$(dirname "$0")/../../lib/session.sh"
need_tools Xvfb xdotool import
start_x_server

make_large_sources 12 24M video_ .mp4
expected=$(expected_copies "$folder" _ "")

start_slow_pass() {
  find "$folder/Modificati" -mindepth 1 -delete
  start_program "$folder" env LD_PRELOAD="$slow_data" "$folder/rinomina"
  type_into Text1 "_"  # "video_01.mp4" becomes "video01.mp4"
  click_control Command1
}

copies() { find "$folder/Modificati" -name 'video*' | wc -l; }
copies_or_end() { [ "$(copies)" -ge "$1" ] || program_ended; }

window_shown() { xdotool search --onlyvisible --name '^Form1' 2>/dev/null | grep -qx "$window"; }

# Every file left is a complete copy under a name the pass gives.
check_copies() { check_partial_copies "$folder" "$expected"; }

# Ends the pass with "$@" once `copies` reach $1 and checks that the window
# left the screen at once, long before the program ended, and that the pass
# stopped in time.
stop_at() {
  local count=$1
  shift
  poll=0.02 wait_for 600 copies_or_end "$count" || fail "no $count copies within a minute"
  program_ended && fail "the pass ended before it could be stopped"
  local asked at
  asked=$(date +%s%N)
  at=$(copies)
  "$@"
  while window_shown; do
    ! program_ended || fail "the window stayed on the screen until the program ended"
    [ $(($(date +%s%N) - asked)) -lt 3000000000 ] || fail "the window stayed 3 s after \"$*\""
    sleep 0.01
  done
  local hidden=$((($(date +%s%N) - asked) / 1000000))
  ! program_ended || fail "the program ended before its window left the screen"
  wait_for 40 program_ended || fail "the pass did not stop within 4 s of \"$*\""
  local took=$((($(date +%s%N) - asked) / 1000000))
  wait_for_program_end
  echo "\"$*\" at $at copies: window gone after $hidden ms, program after $took ms," \
    "status $status, $(copies) of 12 copies"
  [ "$took" -le 2000 ] || fail "stopping took $took ms (1000 of them the slowed flush)"
  [ "$status" -eq 1 ] || fail "exit status $status after a stopped pass, expected 1"
  [ "$(copies)" -lt 12 ] || fail "the pass went on to the end"
  check_copies
}

start_slow_pass
# The pointer rests where no control is, so no control is drawn hovered.
xdotool mousemove --window "$window" 430 60 sleep 0.3
before=$(import -window "$window" png:- | md5sum)
titles=()
for _ in 1 2 3 4; do
  sleep 0.25
  delay=$("$x_window_tool" ping "$window") || fail "no answer to a ping during the pass"
  [ "$delay" -le 100 ] || fail "the ping took $delay ms"
  titles+=("$(xdotool getwindowname "$window")")
done
echo "titles during the pass: ${titles[*]}"
previous=-1
for title in "${titles[@]}"; do
  [[ $title =~ ^Form1\ -\ ([0-9]+)%$ ]] || fail "title \"$title\" during the pass"
  [ "${BASH_REMATCH[1]}" -ge "$previous" ] || fail "the share went back: ${titles[*]}"
  previous=${BASH_REMATCH[1]}
done
[ "${titles[0]}" != "${titles[-1]}" ] || fail "the share did not move: ${titles[*]}"
# Typing, clicking and Enter change nothing while the pass runs.
type_into Text1 "zzz"
xdotool key Return
xdotool mousemove --window "$window" 430 60
xdotool windowunmap --sync "$window" windowmap --sync "$window"
sleep 0.3
screenshot "$window" form1_during_pass.png
[ "$(import -window "$window" png:- | md5sum)" = "$before" ] || fail "the window, mapped again, differs: not repainted, or input reached a control"
stop_at 4 "$x_window_tool" close "$window"

start_slow_pass
stop_at 2 xdotool windowclose "$window"

find "$folder/Modificati" -mindepth 1 -delete
start_program "$folder"
xdotool windowclose "$window"
wait_for 30 program_ended || fail "the program outlived its destroyed window"
wait_for_program_end
[ "$status" -eq 0 ] || fail "exit status $status after the idle window was destroyed, expected 0"
[ "$(copies)" -eq 0 ] || fail "a destroyed idle window copied files"
echo "long pass: passed"
