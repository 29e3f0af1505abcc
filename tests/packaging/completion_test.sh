#!/usr/bin/env bash
# The bash completion of meterlog2-cli against the program itself: it offers every command and
# every option the program takes, and the values and files that fit. Prints "N passed, N failed".
set -u
source_dir="$1"
cli="$2"
if [ ! -f /usr/share/bash-completion/bash_completion ]; then
  echo "SKIPPED: bash-completion is not installed (scripts/deps.sh installs it)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {  # check NAME CONDITION...
  local name="$1"
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}

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
  COMP_WORDS[0]="$cli"
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _meterlog2_cli "$cli" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
  ((${#COMPREPLY[@]})) && printf '%s\n' "${COMPREPLY[@]}" | sort
}
words() { printf '%s\n' "$@" | sort; }

# The commands: exactly those the program's own summary lists.
commands=$("$cli" --help 2>&1 | sed -n 's/^  \([a-z][a-z]*\) .*/\1/p; s/^  \([a-z][a-z]*\)$/\1/p' | sort)
offered=$(offers "meterlog2-cli " | grep -v '^-')
check "commands are the program's" test "$offered" = "$commands"
check "command prefix" test "$(offers "meterlog2-cli ex")" = "export"
check "--version offered" grep -qx -- "--version" <<<"$(offers "meterlog2-cli --")"

# Options: every option a command's usage names is offered for that command, and nothing else
# is offered that the command refuses.
for command in $commands; do
  usage=$("$cli" "$command" --no-such-option 2>&1)
  named=$(grep -oE -- '(^|[^a-z-])--?[a-z][a-z-]*' <<<"$usage" | sed 's/^[^-]*//' |
    grep -vx -- '--no-such-option' | sort -u)
  given=$(offers "meterlog2-cli $command -" | grep -vx -- '--')
  missing=$(comm -23 <(echo "$named") <(echo "$given") | grep . | tr '\n' ' ')
  check "$command: usage options offered (missing: $missing)" test -z "$missing"
  for option in $given; do
    case $option in -o | -d | -n | -p) continue ;; esac  # short forms of offered long ones
    "$cli" "$command" "$option" >/dev/null 2>"$work/err"
    refused=$(grep -c "\"$option\" is not an option\|unknown option" "$work/err")
    check "$command takes $option" test "$refused" -eq 0
  done
done

# Values of options.
check "time formats" test "$(offers "meterlog2-cli export --time-format ")" = "$(words iso mdy)"
check "plot kinds" test "$(offers "meterlog2-cli plot --kind sp")" = "spectrum"
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

echo "$passed passed, $failed failed"
test "$failed" -eq 0
