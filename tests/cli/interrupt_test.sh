#!/usr/bin/env bash
# Ctrl+C or SIGTERM at any moment of a command that computes and then writes (assess, assess
# --each, report as HTML and PDF): either the command ends with 0 and the whole new output is
# in place, or it ends with 128 + the signal, the earlier file is untouched and a message says
# it was interrupted. Never a complete new file with 130/143, never a half one.
source "$(dirname "$0")/harness.sh" "$@"

"$cli" sample --type 4 --records 20000 -o "$work/big.57x"

# complete KIND FILE: the file is a whole output of its kind.
complete() {
  case "$1" in
    json) tail -n 1 "$2" | grep -qx "}" ;;
    each) tail -n 1 "$2" | grep -qx "]" ;;
    html) tail -c 20 "$2" | grep -q "</html>" ;;
    pdf) tail -c 8 "$2" | grep -q "%%EOF" ;;
  esac
}

trial() {  # trial NAME KIND SIGNAL DELAY OUTPUT COMMAND...
  local name=$1 kind=$2 sig=$3 delay=$4 out=$5
  shift 5
  echo old > "$out"
  "$cli" "$@" 2> "$work/err.txt" &
  local pid=$!
  sleep "$delay"
  kill -s "$sig" $pid 2> /dev/null
  wait $pid
  local status=$?
  local expected=$((128 + $(kill -l "$sig")))
  if [ $status -eq 0 ]; then
    check "$name SIG$sig after ${delay}s: exit 0 with the whole output" complete "$kind" "$out"
  else
    check "$name SIG$sig after ${delay}s: exit $expected (not $status)" test $status -eq $expected
    check "$name SIG$sig after ${delay}s: the earlier file untouched" grep -qx old "$out"
    check "$name SIG$sig after ${delay}s: said so" grep -q "interrupted" "$work/err.txt"
  fi
}

for delay in 0.05 0.4 1.2 2.5; do
  trial "assess json" json TERM $delay "$work/a.json" \
    assess --nominal-voltage 230 --isc 5000 --format json -o "$work/a.json" "$work/big.57x"
  trial "assess --each" each INT $delay "$work/each.json" \
    assess --each --format json -o "$work/each.json" "$work/big.57x" "$work/big.57x"
  trial "report html" html INT $delay "$work/r.html" \
    report --nominal-voltage 230 -o "$work/r.html" "$work/big.57x"
  trial "report pdf" pdf TERM $delay "$work/r.pdf" \
    report --nominal-voltage 230 -o "$work/r.pdf" "$work/big.57x"
done
check "no leftovers" no_leftovers

finish
