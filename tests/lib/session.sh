# shellcheck shell=bash
# shellcheck disable=SC2016,SC2034,SC2154 # commands for at_exit are expanded when run; $window, $status and $folder are for the sourcing script, which may set $program and $output
# Shared by the test scripts that work the program's window as a person would:
# a temporary folder and commands run at exit, bounded waits, a private X
# server, program folders, the program started and its window found, clicks
# at literal points of Form1, its end and exit status, screenshots, Wine
# prefixes. The sourcing script may set $program (copied into each program
# folder) and $output (where screenshots go).
set -euo pipefail
export LANG=C.UTF-8 LC_ALL=C.UTF-8 # not Italian: the window must be Italian all the same
shopt -u patsub_replacement 2>/dev/null || true # an "&" in ${name/a/b}'s b stays an "&"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Exits with 77 (skipped) unless each tool named is installed.
need_tools() {
  local tool
  for tool; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/test installs it)"; exit 77; }
  done
}

# Commands run at exit, the last added first, each whatever the others do.
at_exit_commands=()
at_exit() { at_exit_commands=("$1" "${at_exit_commands[@]}"); }
run_at_exit() {
  local command
  for command in "${at_exit_commands[@]}"; do eval "$command" 2>/dev/null || true; done
}
trap run_at_exit EXIT

work=$(mktemp -d)
at_exit 'rm -rf "$work"'
app_pid=
at_exit '[ -z "$app_pid" ] || kill "$app_pid"'

# Waits up to $1 tenths of a second for the command after it to succeed,
# trying every $poll seconds (a tenth unless set); returns 1 when time is up.
wait_for() {
  local end=$((${EPOCHREALTIME/[.,]/} + $1 * 100000))
  shift
  until "$@"; do
    [ "${EPOCHREALTIME/[.,]/}" -lt "$end" ] || return 1
    sleep "${poll:-0.1}"
  done
}

# A private X server: Xvfb picks a free display and writes its number once it
# is ready. Sets DISPLAY.
start_x_server() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  at_exit "kill $!"
  wait_for 100 test -s "$work/display" || fail "Xvfb did not start within 10 s: $(cat "$work/xvfb.log")"
  DISPLAY=":$(head -n 1 "$work/display")"
  export DISPLAY
}

# Makes program folder $1: "Originali" with sample files (a hidden one, one
# in a subfolder, one no search here matches) and, unless $2 is "no-target",
# an empty "Modificati".
make_program_folder() {
  local folder=$1
  mkdir -p "$folder/Originali/cartella_01"
  head -c 4096 /dev/urandom >"$folder/Originali/foto_01.jpg"
  head -c 2048 /dev/urandom >"$folder/Originali/foto_02.jpg"
  echo "documento" >"$folder/Originali/documento_01.txt"
  echo "nascosto" >"$folder/Originali/.nascosto_01"
  echo "altro" >"$folder/Originali/altro.txt"
  echo "in una cartella" >"$folder/Originali/cartella_01/dentro_01.txt"
  if [ "${2:-}" != no-target ]; then mkdir -p "$folder/Modificati"; fi
}

# Makes a program folder of large files, on tmpfs when there is one (written
# fast, nothing left on a disk): "Originali" with $1 files of $2 bytes (head
# -c sizes) named $3NN$4, NN from 01, each different at its start, and an
# empty "Modificati". Sets $folder to it.
make_large_sources() {
  local parent=${TMPDIR:-/tmp} i
  if [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ] && [ -w /dev/shm ]; then parent=/dev/shm; fi
  folder=$(mktemp -d -p "$parent")
  at_exit "rm -rf $folder"
  mkdir -p "$folder/Originali" "$folder/Modificati"
  head -c "$2" /dev/urandom >"$work/random"
  for i in $(seq -w 1 "$1"); do { echo "$i"; cat "$work/random"; } >"$folder/Originali/$3$i$4"; done
}

# Everything in folder $1 (names, types, sizes, times, contents), to tell
# whether it changed.
fingerprint() { (cd "$1" && find . -printf '%p %y %s %T@\n' | LC_ALL=C sort && find . -type f -exec sha256sum {} + | LC_ALL=C sort); }

# What folder $1 holds, one "CONTENTS NAME" a line: a file's SHA-256, or what
# else the entry is (its type, such as "directory").
contents() {
  local name
  find "$1" -mindepth 1 -maxdepth 1 -printf '%P\0' | while IFS= read -r -d '' name; do
    if [ -f "$1/$name" ] && [ ! -L "$1/$name" ]; then
      printf '%s %s\n' "$(sha256sum <"$1/$name" | cut -c 1-64)" "$name"
    else
      printf '%s %s\n' "$(stat -c %F "$1/$name" | tr ' ' _)" "$name"
    fi
  done | LC_ALL=C sort
}

# The names in a list from `contents`, on one line.
names() { sed 's/^[^ ]* //' | tr '\n' '|'; }

# What "Modificati" of program folder $1 must hold, as `contents` prints it,
# after a pass that replaced $2 by $3: the files of "Originali" whose name
# holds $2, under their new names.
expected_copies() {
  local name
  find "$1/Originali" -mindepth 1 -maxdepth 1 -type f -printf '%P\0' | while IFS= read -r -d '' name; do
    if [[ $name == *"$2"* ]]; then
      printf '%s %s\n' "$(sha256sum <"$1/Originali/$name" | cut -c 1-64)" "${name/"$2"/"$3"}"
    fi
  done | LC_ALL=C sort
}

# Lines of list $1 that list $2 lacks (both sorted as `contents` sorts).
lacking() { LC_ALL=C comm -23 <(sed '/^$/d' <<<"$1") <(sed '/^$/d' <<<"$2"); }

# Checks that everything in "Modificati" of program folder $1 is a complete
# copy under its new name, one of the list $2 from expected_copies: all that a
# pass cut short may leave.
check_partial_copies() {
  local wrong
  wrong=$(lacking "$(contents "$1/Modificati")" "$2")
  [ -z "$wrong" ] || fail "not a complete copy under its new name in Modificati: $(names <<<"$wrong")"
}

# Checks program folder $1 after a pass that replaced $2 by $3: its sources
# still match fingerprint $4, and "Modificati" holds exactly their copies.
check_copies_made() {
  local expected missing
  [ "$(fingerprint "$1/Originali")" = "$4" ] || fail "the sources changed"
  expected=$(expected_copies "$1" "$2" "$3")
  check_partial_copies "$1" "$expected"
  missing=$(lacking "$expected" "$(contents "$1/Modificati")")
  [ -z "$missing" ] || fail "copies missing from Modificati: $(names <<<"$missing")"
}

# Waits up to $2 seconds (30 unless given) for a visible window whose title
# matches $1 exactly and prints its id.
find_window() {
  local id= end=$((SECONDS + ${2:-30}))
  # A search can stop early with an X error (a window it was looking at went
  # away meanwhile): it is tried again until the time is up.
  while [ -z "$id" ] && [ "$SECONDS" -lt "$end" ]; do
    id=$(timeout "$((end - SECONDS))" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null |
      head -n 1) || true
    [ -n "$id" ] || sleep 0.1
  done
  [ -n "$id" ] || fail "no window \"$1\" within ${2:-30} s: $(cat "$work/program.log" 2>/dev/null)"
  echo "$id"
}

# Starts the program in folder $1 (a copy of $program when set) and waits for
# its window, Form1 or an error box, into $window; or runs the command after
# $1 instead, which must exec the program.
start_program() {
  local folder=$1
  shift
  if [ -n "${program:-}" ]; then cp -f "$program" "$folder/"; fi
  "${@:-$folder/rinomina}" 2>"$work/program.log" &
  app_pid=$!
  window=$(find_window '(Form1|Errore)' 60)
}

# Where to click: each control's centre at 96 dpi in Form1's client area
# (448 x 203), written out here, not read from the window's description,
# which is under test.
declare -A centre=([Text1]="344 100" [Text2]="344 132" [Command1]="144 164")

# Clicks control $1 of $window with mouse button $2 (1 unless given). No
# window manager here: the keyboard follows the pointer, so the click comes
# first. Under Wine the X window may include Windows' frame: the client area
# is found inside it.
click_control() {
  local x y geometry width height border
  read -r x y <<<"${centre[$1]}"
  geometry=$(xdotool getwindowgeometry --shell "$window")
  width=$(sed -n 's/^WIDTH=//p' <<<"$geometry")
  height=$(sed -n 's/^HEIGHT=//p' <<<"$geometry")
  border=$(((width - 448) / 2))
  xdotool mousemove --window "$window" $((x + border)) $((y + height - 203 - border)) click "${2:-1}"
}

type_into() {
  click_control "$1"
  xdotool type --delay 40 -- "$2"
}

program_ended() { ! kill -0 "$app_pid" 2>/dev/null; }

# Waits up to a minute for the program to end and puts its exit status into
# $status.
wait_for_program_end() {
  wait_for 600 program_ended || fail "the program did not end within a minute"
  status=0
  wait "$app_pid" || status=$?
  app_pid=
}

# Takes a picture of window $1 (or "root") into $output/$2.
screenshot() {
  sleep 0.5 # let the last keystroke repaint before the picture
  import -window "$1" "$output/$2"
  echo "screenshot: $output/$2"
}

# Wine, and its prefix $1 made or started (within 5 minutes); its server is
# ended at exit. Wine would offer to download Mono and Gecko into a new
# prefix: nothing here needs them.
wine=${wine:-/usr/lib/wine/wine64}
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
start_wine_prefix() {
  at_exit "WINEPREFIX=$(printf %q "$1") /usr/lib/wine/wineserver -k"
  WINEPREFIX=$1 timeout 300 "$wine" wineboot --init || fail "Wine could not start the prefix $1"
}
