# Shared by every command-line test script; source it first:
#   source "$(dirname "$0")/harness.sh" "$@"      (arguments: the program, then the data folder)
# Gives $cli (the program), $data (tests/data), a scratch folder $work removed at exit, and
# check NAME CONDITION... to count the cases; end the script with `finish`.
set -u
cli=$(realpath "$1")
data=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

check() {  # check NAME CONDITION...
  local name="$1"
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}

# Conditions for check.
same() { cmp -s "$1" "$2"; }  # same FILE FILE: byte for byte
# No hidden temporary file (".NAME.xxxx.tmp") is left in the work folder.
no_leftovers() { test -z "$(find "$work" -name '.*.tmp')"; }

# Prints "N passed, N failed" and gives the script's exit status.
finish() {
  echo "$passed passed, $failed failed"
  test "$failed" -eq 0
}
