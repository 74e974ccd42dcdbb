#!/bin/bash
# The bash completion offers what vorpex's help shows (both come from its command table): every
# command, each command's options, and the files of the simulated player the line names.
# Usage: vorpex_completion.sh BIN_DIR WORK_DIR
set -eu
bin=$1 work=$2
source "$(dirname "$0")/../packaging/vorpex.bash-completion"
PATH=$bin:$PATH
COMP_WORDBREAKS=$' \t\n"\'><=;|&(:'
offered() {
  COMP_LINE=$1 COMP_POINT=${#1}
  _vorpex
  printf '%s\n' "${COMPREPLY[@]}" | sort -u | tr '\n' ' '
}
# The long names of the options in a help text's option lines ("  -q, --quiet", "  -o DEST").
help_options() {
  sed -n 's/^  \(-[a-z], \)\?\(-[-a-z]\+\).*/\2/p' | grep -vx -- -- || true
}
failed=0
expect() {
  local got
  got=$(offered "$1")
  if [ "$got" != "$2" ]; then
    echo "\"$1\": offered \"$got\", expected \"$2\"" >&2
    failed=1
  fi
}

commands=$(vorpex --help | sed -n '/^commands:/,/^$/s/^  \([a-z0-9]\+\).*/\1/p' | sort -u | tr '\n' ' ')
expect "vorpex " "$commands"
global=$(vorpex --help | help_options)
for command in $commands; do
  [ "$command" = sim ] && command="sim init"
  own=$(vorpex $command --help | help_options)
  expect "vorpex $command -" "$(printf '%s\n' $global $own | sort -u | tr '\n' ' ')"
done

rm -rf "$work" && mkdir -p "$work"
printf 'one' >"$work/one.txt" && printf 'two' >"$work/two.mp3"
vorpex sim init "$work/player" >/dev/null
vorpex --simulate "$work/player" -q put "$work/one.txt" "$work/two.mp3"
vorpex --simulate "$work/player" -q put "$work/one.txt" --to S
while IFS='|' read -r line expected; do
  expect "$line" "$expected"
done <<ROWS
vorpex ls |M S 
vorpex upgrade |boot codec 
vorpex sim |init 
vorpex --simulate $work/player get M:|one.txt two.mp3 
vorpex --simulate=$work/player rm S:|one.txt 
vorpex --simulate $work/player mv M:t|two.mp3 
vorpex --simulate $work/player get |M:one.txt M:two.mp3 S:one.txt 
vorpex put --to |M S 
vorpex format S --kind |mp3 plain voice 
ROWS
exit $failed
