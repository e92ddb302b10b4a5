#!/usr/bin/env bash
# The built program for real, in an X server of its own, under a locale that is
# not Italian: xdotool types the two texts and clicks "Esegui" in a program
# folder whose name is not UTF-8. Checks the copies, the untouched sources and
# the exit status; then a pass without "Modificati", and a program that cannot
# find its own folder, must show the error box and end with status 1.
# Screenshots, the Italian context menu among them, go into OUTPUT_FOLDER.
# Usage: end_to_end_test.sh PROGRAM OUTPUT_FOLDER
program=$1
output=$2
# shellcheck source=tests/lib/session.sh
. "$(dirname "$0")/../../lib/session.sh"
need_tools Xvfb xdotool import
start_x_server

# Ends a program showing its error box: the box must be there, Return dismisses
# it, and the status must be 1.
expect_error_box() {
  local report
  report=$(find_window Errore)
  screenshot "$report" "$1"
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended before its error box was dismissed"
  xdotool mousemove --window "$report" 5 5 key Return
  wait_for_program_end
  [ "$status" -eq 1 ] || fail "exit status $status with an error box, expected 1"
}

# A pass that copies: "01" becomes "02 bis" (a space in the middle, kept as typed),
# in a folder whose name holds bytes that are not UTF-8.
folder=$work/prova-$'\xff\xfe'
make_program_folder "$folder"
sources_before=$(fingerprint "$folder/Originali")
start_program "$folder"
click_control Text1 3  # Qt's context menu, in Italian
screenshot root form1_context_menu.png
xdotool key Escape
type_into Text1 "01"
type_into Text2 "02 bis"
screenshot "$window" form1_end_to_end.png
click_control Command1
wait_for_program_end
[ "$status" -eq 0 ] || fail "exit status $status after a pass, expected 0: $(cat "$work/program.log")"
check_copies_made "$folder" 01 "02 bis" "$sources_before"

# A pass that fails: no "Modificati".
folder=$work/senza_modificati
make_program_folder "$folder" no-target
sources_before=$(fingerprint "$folder/Originali")
start_program "$folder"
type_into Text1 "foto_01"
click_control Command1
expect_error_box form1_end_to_end_error.png
[ "$(fingerprint "$folder/Originali")" = "$sources_before" ] || fail "the sources changed"
[ ! -e "$folder/Modificati" ] || fail "the program created Modificati"

# A program that cannot tell its own folder (no /proc here) says so instead
# of copying nothing. Needs a mount namespace of its own: root only.
if unshare -m true 2>/dev/null; then
  folder=$work/senza_proc
  make_program_folder "$folder"
  # shellcheck disable=SC2016 # $0 is for the inner shell
  start_program "$folder" unshare -m sh -c 'mount -t tmpfs none /proc && exec "$0"' "$folder/rinomina"
  expect_error_box program_folder_error.png
else
  echo "note: not root, the check without /proc is skipped"
fi

echo "end-to-end: passed"
