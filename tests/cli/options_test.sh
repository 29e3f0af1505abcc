#!/usr/bin/env bash
# The command line as every command reads it: --help (and -h) on standard output with every
# option the command takes; an option given twice, one without its value and one the command
# does not know refused with status 2 and a message that names it; "--" ends the options. And
# the program's make-up: the log commands start without Qt, and the commands that run in a
# helper program say so clearly when it is missing.
source "$(dirname "$0")/harness.sh" "$@"

"$cli" sample --type 4 --records 5 -o "$work/log.57x"
commands=$("$cli" --help 2>&1 | grep -oE '^  [a-z]+( [-A-Z[]|  |$)' | awk '{print $1}')
check "the summary names the log commands" test "$(grep -cxE 'info|dump|sample|export|stats|assess' <<<"$commands")" -eq 6

for command in $commands; do
  "$cli" "$command" --help > "$work/help.txt" 2> "$work/err.txt"
  check "$command --help: exit 0" test $? -eq 0
  check "$command --help: on standard output only" test ! -s "$work/err.txt"
  check "$command --help: usage first" grep -q "^usage: meterlog2-cli $command" <(head -n 1 "$work/help.txt")
  "$cli" "$command" -h > "$work/short.txt" 2>&1
  check "$command -h is --help" same "$work/help.txt" "$work/short.txt"
  # The options it lists: "  -o, --output OUT   text" gives --output and its value's name.
  sed -n '/^options:$/,$p' "$work/help.txt" | grep -E '^  -' | grep -v -- '--help' |
    sed -E 's/^  (-[a-z], )?(--[a-z-]+)( ([^ ]+))?.*/\2 \4/' > "$work/options.txt"
  check "$command --help lists options" test -s "$work/options.txt" -o "$command" = ports
  # A valued option without its value, and any option twice: named in the message.
  # (--standard and --set may come again: they choose several)
  valued=$(awk 'NF == 2 && $1 != "--standard" && $1 != "--set" { print $1; exit }' "$work/options.txt")
  if [ -n "$valued" ]; then
    "$cli" "$command" "$work/log.57x" "$valued" > /dev/null 2> "$work/err.txt"
    check "$command $valued without a value: exit 2" test $? -eq 2
    check "$command $valued without a value: named" grep -qx "meterlog2-cli: $valued needs a value" "$work/err.txt"
    "$cli" "$command" "$valued=1" "$valued" 2 "$work/log.57x" > /dev/null 2> "$work/err.txt"
    check "$command $valued twice: exit 2" test $? -eq 2
    check "$command $valued twice: named" grep -qx "meterlog2-cli: $valued is given twice" "$work/err.txt"
  fi
  flag=$(awk 'NF == 1 { print $1; exit }' "$work/options.txt")
  if [ -n "$flag" ]; then
    "$cli" "$command" "$flag" "$flag" "$work/log.57x" > /dev/null 2> "$work/err.txt"
    check "$command $flag twice: named" grep -qx "meterlog2-cli: $flag is given twice" "$work/err.txt"
  fi
  "$cli" "$command" --no-such-option "$work/log.57x" > /dev/null 2> "$work/err.txt"
  check "$command unknown option: exit 2" test $? -eq 2
  check "$command unknown option: named" grep -q '^meterlog2-cli: "--no-such-option" is not an option' "$work/err.txt"
  check "$command unknown option: usage follows" grep -q "^usage: meterlog2-cli $command" "$work/err.txt"
done

# --help after "--" is a file name, and --help wins over a bad value.
"$cli" info -- --help > /dev/null 2> "$work/err.txt"
check "info -- --help: a file" test $? -eq 1
check "info -- --help: its name said" grep -q '"--help"' "$work/err.txt"
"$cli" export --delimiter x --help > "$work/help.txt"
check "--help wins over a bad value" grep -q "^usage: meterlog2-cli export" "$work/help.txt"
"$cli" export --delimiter=";" --time-format=iso -o "$work/eq.csv" "$work/log.57x"
check "--name=value" grep -q "^Log Type;Time;" "$work/eq.csv"
"$cli" info "$work/log.57x" extra.57x > /dev/null 2> "$work/err.txt"
check "info with two logs: exit 2" test $? -eq 2
"$cli" ports extra > /dev/null 2> "$work/err.txt" ||
  check "a command without operands names the word" grep -q 'unexpected argument "extra"' "$work/err.txt"

# The log commands start without Qt; the others run in a helper beside the program, and without
# it say which, and where it was looked for.
if command -v ldd > /dev/null && ldd "$cli" > /dev/null 2>&1; then
  check "no Qt in meterlog2-cli" test -z "$(ldd "$cli" | grep -E 'libQt6|qcustomplot')"
fi
mkdir "$work/alone"
cp "$cli" "$work/alone/"
for command in plot ports; do
  grep -qx "$command" <<<"$commands" || continue
  "$work/alone/meterlog2-cli" "$command" --help > /dev/null 2> "$work/err.txt"
  check "$command without its helper: exit 1" test $? -eq 1
  check "$command without its helper: named" grep -q "meterlog2-cli-" "$work/err.txt"
  check "$command without its helper: where looked" grep -q "$work/alone/meterlog2-cli-" "$work/err.txt"
done

finish
