#!/usr/bin/env bash
# The bash completion of meterlog2-cli against the program itself: it offers every command and
# every option the program takes, and the values and files that fit.
# Arguments: the program, the source folder.
source "$(dirname "$0")/../cli/harness.sh" "$1"
source_dir=$(realpath "$2")
if [ ! -f /usr/share/bash-completion/bash_completion ]; then
  echo "SKIPPED: bash-completion is not installed (scripts/deps.sh installs it)"
  exit 77
fi
cd "$work" || exit 1  # trying the options may write files

# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1091
source "$source_dir/packaging/completion/meterlog2-cli"

# What completing the end of LINE offers, one word a line, sorted.
offers() {
  local line="$1"
  COMP_LINE="$line"
  COMP_POINT=${#line}
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _meterlog2_cli "$cli" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
  ((${#COMPREPLY[@]})) && printf '%s\n' "${COMPREPLY[@]}" | sort
}
words() { printf '%s\n' "$@" | sort; }

# The program's summary, and what it names of each command: the command's lines there (the
# instrument commands' shared line included) and its own usage message; below, its --help.
help=$("$cli" --help 2>&1)
commands=$(grep -oE '^  [a-z]+( [-A-Z[]|  |$)' <<<"$help" | awk '{print $1}' | sort)
described() {  # described COMMAND: the text that names COMMAND's options
  awk -v c="$1" '/^  [a-z]+( [-A-Z[]|  |$)/ { on = ($1 == c) } /^  \(/ { on = 0 }
    /^  \(instrument commands/ && c ~ /^(directory|download|config)$/ { print }
    on { print }' <<<"$help"
  "$cli" "$1" --no-such-option 2>&1
  "$cli" "$1" </dev/null 2>&1 | grep -v '^/'  # ports lists ports here: not options
}
options_in() {  # the options a text names, one a line
  grep -oE -- '(^|[^a-zA-Z0-9-])--?[a-z][a-z-]*' | sed 's/^[^-]*//' | grep -vx -- '--no-such-option' |
    sort -u
}

check "the summary lists commands" test "$(wc -l <<<"$commands")" -ge 5
offered=$(offers "meterlog2-cli " | grep -v '^-')
# A build without Qt leaves out the plot, report and instrument commands; the completion, made
# for the full program, still offers them.
optional=$(words plot report ports directory download config)
missing=$(comm -23 <(echo "$commands") <(echo "$offered") | tr '\n' ' ')
check "every command offered (missing: $missing)" test -z "$missing"
extra=$(comm -13 <(echo "$commands") <(echo "$offered") | comm -23 - <(echo "$optional"))
check "no command offered that the program lacks: $extra" test -z "$extra"
check "command prefix" test "$(offers "meterlog2-cli ex")" = "export"
check "--help, --version" test "$(offers "meterlog2-cli --")" = "$(words --help --version)"

# Every option the program names for a command is offered for it, and every option offered is
# one the command takes.
for command in $commands; do
  named=$(described "$command" | options_in)
  given=$(offers "meterlog2-cli $command -" | grep -vx -- '--')
  missing=$(comm -23 <(echo "$named") <(echo "$given") | grep . | tr '\n' ' ')
  check "$command: the options it names are offered (missing: $missing)" test -z "$missing"
  # Its --help lists the options from the description the program parses with: each offered
  # by one of its names at least ("-o, --output OUT" by -o or --output).
  while read -r names; do
    covered=no
    for name in $names; do grep -qx -- "$name" <<<"$given" && covered=yes; done
    check "$command: offers $names (from --help)" test $covered = yes
  done < <("$cli" "$command" --help | sed -n '/^options:$/,$p' | grep -E '^  -' |
    sed -E 's/^  ((-[a-z], )?--[a-z-]+).*/\1/' | tr -d ',')
  for option in $given; do
    "$cli" "$command" "$option" 1 </dev/null >/dev/null 2>"$work/err"
    check "$command takes $option" test "$(grep -c "\"$option\" is not an option" "$work/err")" -eq 0
  done
done

# Values of options.
check "time formats" test "$(offers "meterlog2-cli export --time-format ")" = "$(words iso mdy)"
check "plot kinds" test "$(offers "meterlog2-cli plot --kind sp")" = "spectrum"
check "page sizes" test "$(offers "meterlog2-cli report --page ")" = "$(words a4 letter)"
check "data formats" test "$(offers "meterlog2-cli stats --data-format ")" = "$(words 1 256)"
check "delimiters" test "$(offers "meterlog2-cli export --delimiter ")" = "$(words , "';'" tab)"
check "baud rates" grep -qx 38400 <<<"$(offers "meterlog2-cli download --baud ")"
check "no guess for a column title" test -z "$(offers "meterlog2-cli export --columns ")"

# Files: logs for the log commands, anything after "--", folders for -d, ports for --port.
mkdir "$work/logs" "$work/logs/sub"
touch "$work/logs/a.57x" "$work/logs/B.57X" "$work/logs/notes.txt"
cd "$work/logs" || exit 1
check "log files" test "$(offers "meterlog2-cli info ")" = "$(words B.57X a.57x sub)"
check "-d takes folders" test "$(offers "meterlog2-cli export -d ")" = "sub"
check "-o takes any file" grep -qx notes.txt <<<"$(offers "meterlog2-cli dump a.57x -o ")"
if "$cli" --help 2>&1 | grep -q "^  ports"; then
  export METERLOG2_PORTS="$work/port-a:$work/port-b"
  check "ports" test "$(offers "meterlog2-cli config --port $work/port-")" = "$(words "$work/port-a" "$work/port-b")"
fi

finish
