#!/usr/bin/env bash
# The built program for real, in an X server of its own: xdotool types the two
# texts and clicks "Esegui". Checks the copies, the untouched sources and the
# exit status; then a pass without "Modificati" must show the error box and
# end with a non-zero status. Screenshots go into OUTPUT_FOLDER.
# Usage: end_to_end_test.sh PROGRAM CONTROL_CENTRE_TOOL OUTPUT_FOLDER
set -euo pipefail
program=$1
centre_tool=$2
output=$3

for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/test installs it)"; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
  local tenths=$1
  shift
  until "$@"; do
    tenths=$((tenths - 1))
    [ "$tenths" -gt 0 ] || return 1
    sleep 0.1
  done
}

start_x_server() {
  # Xvfb picks a free display itself and writes its number once it is ready.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  wait_for 100 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  DISPLAY=":$(head -n1 "$work/display")"
  export DISPLAY
}

# A program folder: the executable, "Originali" with sample files and a
# subfolder, and "Modificati" unless $2 is "no-target".
make_program_folder() {
  local folder=$1
  mkdir -p "$folder/Originali/cartella_01"
  cp "$program" "$folder/"
  head -c 4096 /dev/urandom >"$folder/Originali/foto_01.jpg"
  head -c 2048 /dev/urandom >"$folder/Originali/foto_02.jpg"
  echo "documento" >"$folder/Originali/documento_01.txt"
  echo "nascosto" >"$folder/Originali/.nascosto_01"
  echo "in una cartella" >"$folder/Originali/cartella_01/dentro_01.txt"
  if [ "${2:-}" != no-target ]; then mkdir "$folder/Modificati"; fi
}

fingerprint() { (cd "$1" && find . -printf '%p %s %T@\n' | sort && find . -type f -exec sha256sum {} + | sort); }

start_program() {
  "$1/$(basename "$program")" 2>"$work/program.log" &
  app_pid=$!
  window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Form1$' | head -n1) ||
    fail "the window Form1 did not appear"
}

# No window manager here: the keyboard follows the pointer, so click first.
click_control() {
  local x y
  read -r x y < <("$centre_tool" "$1")
  xdotool mousemove --window "$window" "$x" "$y" click 1
}

type_into() {
  click_control "$1"
  xdotool type --delay 30 -- "$2"
}

program_ended() { ! kill -0 "$app_pid" 2>/dev/null; }

# Waits for the program to end and puts its exit status into $status.
wait_for_program_end() {
  wait_for 300 program_ended || fail "the program did not end"
  status=0
  wait "$app_pid" || status=$?
  app_pid=
}

screenshot() {
  sleep 0.5  # let the last keystroke repaint before the picture
  import -window "$1" "$output/$2"
  echo "screenshot: $output/$2"
}

start_x_server

# A pass that copies: "01" becomes "02 bis" (a space in the middle, kept as typed).
folder=$work/programma
make_program_folder "$folder"
sources_before=$(fingerprint "$folder/Originali")
start_program "$folder"
type_into Text1 "01"
type_into Text2 "02 bis"
screenshot "$window" form1_end_to_end.png
click_control Command1
wait_for_program_end
[ "$status" -eq 0 ] || fail "exit status $status after a pass, expected 0: $(cat "$work/program.log")"
[ "$(fingerprint "$folder/Originali")" = "$sources_before" ] || fail "the sources changed"
expected=$'.nascosto_02 bis\ndocumento_02 bis.txt\nfoto_02 bis.jpg'
copies=$(cd "$folder/Modificati" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort)
[ "$copies" = "$expected" ] || fail "Modificati holds [$copies], expected [$expected]"
cmp "$folder/Originali/foto_01.jpg" "$folder/Modificati/foto_02 bis.jpg"
cmp "$folder/Originali/documento_01.txt" "$folder/Modificati/documento_02 bis.txt"
cmp "$folder/Originali/.nascosto_01" "$folder/Modificati/.nascosto_02 bis"

# A pass that fails: no "Modificati". The error box must show; Return dismisses it.
folder=$work/senza_modificati
make_program_folder "$folder" no-target
sources_before=$(fingerprint "$folder/Originali")
start_program "$folder"
type_into Text1 "foto_01"
click_control Command1
report=$(timeout 30 xdotool search --sync --onlyvisible --name '^Errore$' | head -n1) ||
  fail "no error box after a failed pass"
screenshot "$report" form1_end_to_end_error.png
kill -0 "$app_pid" 2>/dev/null || fail "the program ended before its error box was dismissed"
xdotool mousemove --window "$report" 5 5 key Return
wait_for_program_end
[ "$status" -ne 0 ] || fail "exit status 0 after a failed pass"
[ "$(fingerprint "$folder/Originali")" = "$sources_before" ] || fail "the sources changed"
[ ! -e "$folder/Modificati" ] || fail "the program created Modificati"

echo "end-to-end: passed"
