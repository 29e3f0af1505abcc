#!/usr/bin/env bash
# Many logs at once (export -d): the same files and messages, in the same order, whatever the
# number of jobs; a bad log among them; Ctrl+C leaves no half-written file.
source "$(dirname "$0")/harness.sh" "$@"

in="$work/in"
mkdir -p "$in/other"
for type in 1 2 3 4 5 6; do
  "$cli" sample --type "$type" --records 120 --seed "$type" -o "$in/log$type.57x"
done
head -c 700 "$in/log4.57x" > "$in/bad.57x"                       # cut inside its records
"$cli" sample --type 1 --records 10 -o "$work/whole.57x"
head -c $((76 + 4 * 303 + 100)) "$work/whole.57x" > "$in/cut.57x"  # --salvage would read 4
: > "$in/empty.57x"
mkdir "$in/folder.57x"
cp "$in/log2.57x" "$in/other/log1.57x"                           # the same output name again
logs=("$in/log1.57x" "$in/bad.57x" "$in/log2.57x" "$in/cut.57x" "$in/folder.57x" "$in/log3.57x"
  "$in/other/log1.57x" "$in/log4.57x" "$in/empty.57x" "$in/log5.57x" "$in/log6.57x")

# Each run writes into the same folder name, so that the messages that name it compare too.
run() {  # run NAME ARGS...: export every log into $work/out, then keep it as $work/NAME
  local name=$1
  shift
  rm -rf "$work/out"
  mkdir "$work/out"
  "$cli" export -d "$work/out" "$@" "${logs[@]}" 2> "$work/$name.err"
  echo $? > "$work/$name.status"
  mv "$work/out" "$work/$name"
}
run one --jobs 1
run three --jobs 3
run many --jobs 64
run default
for name in three many default; do
  check "$name: the same files as one job" diff -r "$work/one" "$work/$name"
  check "$name: the same messages in the same order" same "$work/one.err" "$work/$name.err"
  check "$name: the same exit status" same "$work/one.status" "$work/$name.status"
done
check "a bad log fails the command" test "$(cat "$work/one.status")" -eq 1
check "every good log is exported" test "$(ls "$work/one" | wc -l)" -eq 6
for type in 1 2 3 4 5 6; do
  "$cli" export "$in/log$type.57x" > "$work/single.csv"
  check "log$type: as exported alone" same "$work/one/log$type.csv" "$work/single.csv"
done
check "messages in the order of the logs" test "$(cut -d: -f2 "$work/one.err" | tr -d ' ' |
  tr '\n' ' ')" = "$in/bad.57x $in/cut.57x $in/folder.57x $in/other/log1.57x $in/empty.57x "
check "the cut log's message" grep -q "cut.57x: .*holds only 4 of the 10 records" "$work/one.err"
check "no leftovers" no_leftovers

# --jobs: a whole number from 1 to 64
for bad in 0 65 x -1 ""; do
  "$cli" export -d "$work" --jobs "$bad" "$in/log1.57x" 2> "$work/err.txt"
  check "--jobs \"$bad\" refused" test $? -eq 2
  check "--jobs \"$bad\" says why" grep -q "from 1 to 64" "$work/err.txt"
done
"$cli" export -d "$work" "$in/log1.57x" --jobs 2> "$work/err.txt"
check "--jobs without a value" grep -q -- "--jobs needs a value" "$work/err.txt"

# Ctrl+C or SIGTERM while several logs are written: 128 + signal, each file there is complete,
# no temporary file is left.
for n in 1 2 3 4 5 6; do "$cli" sample --type 4 --records 4000 --seed "$n" -o "$work/big$n.57x"; done
mkdir "$work/full"
"$cli" export -d "$work/full" --jobs 1 "$work"/big?.57x
for sig in INT TERM; do
  rm -rf "$work/cut"
  mkdir "$work/cut"
  "$cli" export -d "$work/cut" --jobs 2 "$work"/big?.57x 2> /dev/null &
  pid=$!
  timeout 10 bash -c "until [ -n \"\$(ls '$work/cut')\" ]; do sleep 0.01; done"  # a log is written
  kill -s "$sig" $pid
  wait $pid
  check "SIG$sig: exits 128 + signal" test $? -eq $((128 + $(kill -l "$sig")))
  complete=yes
  for csv in "$work/cut"/*.csv; do
    [ -e "$csv" ] && ! cmp -s "$csv" "$work/full/$(basename "$csv")" && complete=no
  done
  check "SIG$sig: every file written is complete" test $complete = yes
  check "SIG$sig: no temporary file" no_leftovers
done

finish
