#!/usr/bin/env bash
# meterlog2-cli against odd inputs, odd output targets and signals: every case ends with the
# right result or a clear error, and nothing that was there before is lost.
source "$(dirname "$0")/harness.sh" "$@"

"$cli" sample --type 1 --records 5 -o "$work/a.57x"
cp "$work/a.57x" "$work/a.orig"

# Output targets that are not regular files are written to, never replaced.
ln -s /dev/null "$work/null"
"$cli" export "$work/a.57x" -o "$work/null"
check "export to a link to /dev/null" test $? -eq 0
check "the link stays" test -L "$work/null"
check "/dev/null stays a device" test -c /dev/null
mkfifo "$work/fifo"
cat "$work/fifo" > "$work/from-fifo.csv" &
reader=$!
"$cli" export "$work/a.57x" -o "$work/fifo"
check "export into a FIFO" test $? -eq 0
wait $reader
"$cli" export "$work/a.57x" > "$work/stdout.csv"
check "the FIFO got the table" same "$work/from-fifo.csv" "$work/stdout.csv"
check "the FIFO stays a FIFO" test -p "$work/fifo"
"$cli" dump "$work/a.57x" -o - > "$work/dump-stdout.txt"
check "dump -o - is standard output" test -s "$work/dump-stdout.txt"

# Never onto an input.
"$cli" dump "$work/a.57x" -o "$work/a.57x" 2> "$work/err.txt"
check "dump onto its log fails" test $? -ne 0
check "dump onto its log says so" grep -q "it is the file being read" "$work/err.txt"
ln -s a.57x "$work/link.57x"
"$cli" export "$work/a.57x" -o "$work/link.57x" 2> /dev/null
check "export onto its log through a link fails" test $? -ne 0
check "the log is unchanged" same "$work/a.57x" "$work/a.orig"

# No fixed temporary name to plant a link on.
echo "precious" > "$work/victim"
ln -s victim "$work/out.txt.part"
"$cli" dump "$work/a.57x" -o "$work/out.txt"
check "dump beside a planted link" test $? -eq 0
check "the planted link's target is untouched" grep -qx precious "$work/victim"

# An existing file keeps its mode; a failed export leaves it as it was.
echo "old" > "$work/private.csv"
chmod 600 "$work/private.csv"
"$cli" export "$work/a.57x" -o "$work/private.csv"
check "mode 600 kept" test "$(stat -c %a "$work/private.csv")" = 600
echo "old" > "$work/keep.csv"
"$cli" export "$work/missing.57x" -o "$work/keep.csv" 2> /dev/null
check "a failed export keeps the old file" grep -qx old "$work/keep.csv"

# Inputs that are not regular files are refused at once.
mkfifo "$work/in.57x"
timeout 10 "$cli" info "$work/in.57x" 2> "$work/err.txt"
check "FIFO input refused, no hang" test $? -eq 1
check "FIFO input message" grep -q "it is not a regular file" "$work/err.txt"
timeout 10 "$cli" export "$work/in.57x" -o "$work/x.csv" 2> /dev/null
check "FIFO input refused by export" test $? -eq 1
"$cli" info "$work" 2> "$work/err.txt"
check "folder input message" grep -q "it is a folder" "$work/err.txt"
"$cli" info /dev/zero 2> /dev/null
check "/dev/zero refused" test $? -eq 1

# Standard output that cannot take the bytes.
if [ -e /dev/full ]; then
  "$cli" info "$work/a.57x" > /dev/full 2> "$work/err.txt"
  check "info > /dev/full fails" test $? -eq 1
  check "info > /dev/full says why" grep -q "No space left on device" "$work/err.txt"
  "$cli" dump "$work/a.57x" > /dev/full 2> "$work/err.txt"
  check "dump > /dev/full fails" test $? -eq 1
  check "dump > /dev/full says why" grep -q "No space left on device" "$work/err.txt"
fi

# "--" ends the options.
cp "$work/a.57x" "$work/-dash.57x"
(cd "$work" && "$cli" info -- -dash.57x > /dev/null)
check "a file name beginning with -" test $? -eq 0
(cd "$work" && "$cli" export -o - -- -dash.57x > /dev/null)
check "export after --" test $? -eq 0
(cd "$work" && "$cli" info -dash.57x 2> /dev/null)
check "without -- it is an unknown option" test $? -eq 2

# Signals: the export stops, its temporary file goes, the old file stays, 128 + signal.
"$cli" sample --type 4 --records 40000 -o "$work/big.57x"
# Waits until process $1 writes its temporary file: a hidden name, or on Linux a file in the work
# folder that has no name yet (/proc shows it as "FOLDER/#INODE (deleted)").
wait_for_output() {
  local folder
  folder=$(realpath "$work")
  for _ in $(seq 1 500); do
    [ -n "$(find "$work" -name '.big.csv.*.tmp')" ] && return
    for fd in /proc/"$1"/fd/*; do
      case "$(readlink "$fd" 2> /dev/null)" in "$folder"/\#*) return ;; esac
    done
    sleep 0.01
  done
}
for sig in INT TERM KILL; do
  echo "old" > "$work/big.csv"
  "$cli" export "$work/big.57x" -o "$work/big.csv" 2> "$work/err.txt" &
  pid=$!
  wait_for_output $pid
  kill -s "$sig" $pid
  { wait $pid; } 2> /dev/null  # the shell's "Killed" notice
  status=$?
  expected=$((128 + $(kill -l "$sig")))
  check "export stopped by SIG$sig exits $expected" test $status -eq $expected
  check "SIG$sig: the old file stays" grep -qx old "$work/big.csv"
  # SIGKILL gives the program no chance to clean up: nothing must be there to clean.
  check "SIG$sig: no temporary file" test -z "$(ls -A "$work" | grep -F big.csv | grep -vx big.csv)"
  [ "$sig" = KILL ] || check "SIG$sig: message" grep -q "interrupted" "$work/err.txt"
done
# Waiting for a FIFO's reader: a signal ends the wait.
mkfifo "$work/lonely"
"$cli" export "$work/a.57x" -o "$work/lonely" 2> /dev/null &
pid=$!
sleep 0.3
kill -INT $pid
wait $pid
check "a FIFO without reader does not hold back Ctrl+C" test $? -eq 130
check "the FIFO is still a FIFO" test -p "$work/lonely"
# Every legal name can be written, up to the longest a folder takes: the temporary file beside
# it never needs a longer one.
long=$(printf 'L%.0s' $(seq 1 245))
for ending in csv json html; do
  case $ending in
    csv) "$cli" export "$work/a.57x" -o "$work/$long.$ending" 2> "$work/err.txt" ;;
    json) "$cli" assess --format json -o "$work/$long.$ending" "$work/a.57x" 2> "$work/err.txt" ;;
    html) "$cli" report -o "$work/$long.$ending" "$work/a.57x" 2> "$work/err.txt" ;;
  esac
  check "a ${#long}-byte name for .$ending: written" test $? -eq 0 -a -s "$work/$long.$ending"
  check "a ${#long}-byte name for .$ending: no message" test ! -s "$work/err.txt"
done
check "no leftovers at all" no_leftovers

finish
