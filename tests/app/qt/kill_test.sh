#!/usr/bin/env bash
# The real program ended with SIGTERM (the desktop's "End process") at
# spread-out instants of a pass over 20 large files into an empty "Modificati":
# once 1, 5, 9, 13 and 17 copies have appeared. After each kill every file
# there has a name the pass gives and is the complete copy of its source;
# nothing else, no temporary file, is left.
# Usage: kill_test.sh PROGRAM
program=$1
# shellcheck source=x_session.sh
. "$(dirname "$0")/x_session.sh"

make_large_sources 20 32M copia_ .bin

copies() { find "$folder/Modificati" -name 'copia*' | wc -l; }
killed=0
for count in 1 5 9 13 17; do
  find "$folder/Modificati" -mindepth 1 -delete
  start_program "$folder"
  type_into Text1 "_"  # "copia_01.bin" becomes "copia01.bin"
  click_control Command1
  waited=0
  until [ "$(copies)" -ge "$count" ] || program_ended; do
    ((++waited < 6000)) || fail "$count copies not reached within a minute"
    sleep 0.01
  done
  kill -TERM "$app_pid" 2>/dev/null || true
  wait_for_program_end
  if [ "$status" -eq 143 ]; then killed=$((killed + 1)); fi
  echo "SIGTERM at $count copies: exit status $status, $(copies) copies left"
  while IFS= read -r name; do
    [[ $name =~ ^copia([0-9][0-9])\.bin$ ]] || fail "\"$name\" left in Modificati"
    cmp -s "$folder/Originali/copia_${BASH_REMATCH[1]}.bin" "$folder/Modificati/$name" ||
      fail "\"$name\" is not the complete copy of its source: $(stat -c %s "$folder/Modificati/$name") bytes"
  done < <(find "$folder/Modificati" -mindepth 1 -printf '%P\n')
done
# A pass that ended before its kill proves nothing: most must have been cut short.
[ "$killed" -ge 3 ] || fail "only $killed of 5 passes were still running when killed"
echo "kill test: passed"
