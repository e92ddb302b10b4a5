# shellcheck shell=bash
# shellcheck disable=SC2154,SC2034 # $program and $output come from the script that sources this, which reads $status
# Shared by the end-to-end scripts: an X server of their own, the built
# program started from a program folder, and xdotool clicks at literal points.
# Sourced after setting $program (the built program) and $output (screenshots).
set -euo pipefail
export LANG=C.UTF-8 LC_ALL=C.UTF-8  # not Italian: the window must be Italian all the same

for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/test installs it)"; exit 77; }
done

# Program folders on tmpfs when there is one: large files are written fast,
# and nothing is left on a disk.
if [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
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

# Xvfb picks a free display itself and writes its number once it is ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 100 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY

# Starts "$1"/rinomina (a copy of the built program) and waits for its window,
# or runs the command after it instead (which must exec the program).
start_program() {
  local folder=$1
  shift
  cp -f "$program" "$folder/rinomina"
  "${@:-$folder/rinomina}" 2>"$work/program.log" &
  app_pid=$!
  window=$(timeout 30 xdotool search --sync --onlyvisible --name '^(Form1|Errore)$' | head -n1) ||
    fail "no window appeared"
}

# Where to click: each control's centre at 96 dpi, from the window's top left.
declare -A centre=([Text1]="344 100" [Text2]="344 132" [Command1]="144 164")

# No window manager here: the keyboard follows the pointer, so click first.
click_control() {
  local x y
  read -r x y <<<"${centre[$1]}"
  xdotool mousemove --window "$window" "$x" "$y" click "${2:-1}"
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

# Makes $work/programma: "Originali" with $1 files of $2 bytes (head -c
# sizes), named $3NN$4 with NN from 01, each different at its start, and an
# empty "Modificati". Sets $folder to it.
make_large_sources() {
  folder=$work/programma
  mkdir -p "$folder/Originali" "$folder/Modificati"
  head -c "$2" /dev/urandom >"$work/random"
  for i in $(seq -w 1 "$1"); do { echo "$i"; cat "$work/random"; } >"$folder/Originali/$3$i$4"; done
}
