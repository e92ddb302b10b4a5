#!/usr/bin/env bash
# The real program during a long pass (12 files of 24 MiB, each chunk of data
# slowed down by a preloaded library): the window answers the window manager's
# ping within 100 ms, repaints after being unmapped, takes no input, and shows a rising share
# in its title. Closed at about a third, it stops within a second with status
# 1, leaving complete copies only and no temporary file. A window destroyed
# from outside stops the pass the same way; destroyed before the press, the
# program ends with status 0 and touches nothing.
# Usage: long_pass_test.sh PROGRAM SLOW_DATA_LIBRARY X_WINDOW_TOOL OUTPUT_FOLDER
program=$1
slow_data=$2
x_window_tool=$3
output=$4
# shellcheck source=x_session.sh
. "$(dirname "$0")/x_session.sh"

make_large_sources 12 24M video_ .mp4

start_slow_pass() {
  find "$folder/Modificati" -mindepth 1 -delete
  start_program "$folder" env LD_PRELOAD="$slow_data" "$folder/rinomina"
  type_into Text1 "_"  # "video_01.mp4" becomes "video01.mp4"
  click_control Command1
}

copies() { find "$folder/Modificati" -name 'video*' | wc -l; }

# Every file left is a complete copy under a name the pass gives.
check_copies() {
  while IFS= read -r name; do
    [[ $name =~ ^video([0-9][0-9])\.mp4$ ]] || fail "\"$name\" left in Modificati"
    cmp -s "$folder/Originali/video_${BASH_REMATCH[1]}.mp4" "$folder/Modificati/$name" ||
      fail "\"$name\" is not the complete copy of its source"
  done < <(find "$folder/Modificati" -mindepth 1 -printf '%P\n')
}

# Ends the pass with "$@" once `copies` reach $1 and checks it stopped in time.
stop_at() {
  local count=$1
  shift
  local waited=0
  until [ "$(copies)" -ge "$count" ]; do
    program_ended && fail "the pass ended before it could be stopped"
    ((++waited < 3000)) || fail "$count copies not reached within a minute"
    sleep 0.02
  done
  local asked at
  asked=$(date +%s%N)
  at=$(copies)
  "$@"
  wait_for 30 program_ended || fail "the pass did not stop within 3 s of \"$*\""
  local took=$((($(date +%s%N) - asked) / 1000000))
  wait_for_program_end
  echo "\"$*\" at $at copies: ended after $took ms, status $status, $(copies) of 12 copies"
  [ "$took" -le 1000 ] || fail "stopping took $took ms"
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
