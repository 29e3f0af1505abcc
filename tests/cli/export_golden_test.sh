#!/usr/bin/env bash
# meterlog2-cli export under a German locale: byte-exact output against the golden CSV files,
# batch conversion with failures, and outputs that must not be written.
source "$(dirname "$0")/harness.sh" "$@"
csv="$data/csv"
export_de() { LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8 "$cli" export "$@"; }

# One file, no options: standard output; -o: the same bytes in a file.
while read -r log format golden; do
  options=()
  [ "$format" != - ] && options=(--data-format "$format")
  name="export $log${options[*]:+ ${options[*]}}"
  export_de "$csv/$log" "${options[@]}" > "$work/stdout.csv" 2> "$work/err.txt"
  check "$name to standard output: $(cat "$work/err.txt")" test $? -eq 0
  check "$name to standard output is $golden" same "$work/stdout.csv" "$csv/$golden"
  export_de "$csv/$log" "${options[@]}" -o "$work/out.csv" 2> "$work/err.txt"
  check "$name -o: $(cat "$work/err.txt")" test $? -eq 0
  check "$name -o is $golden" same "$work/out.csv" "$csv/$golden"
done <<'CASES'
type1_0001.57x - type1_0001.csv
type1_0100.57x - type1_0100.csv
type2_0001.57x - type2_0001.csv
type2_0100.57x - type2_0100.csv
type3_0001.57x - type3_0001.csv
type3_0100.57x - type3_0100.csv
type4_0001.57x - type4_0001.csv
type4_0100.57x - type4_0100.csv
type5_0001.57x - type5_0001.csv
type5_0100.57x - type5_0100.csv
type6_0001.57x - type6_0001.csv
type6_0100.57x - type6_0100.csv
type5_0001.57x 256 type5_0001_as_0100.csv
type5_0100.57x 1 type5_0100_as_0001.csv
CASES

# Batch: the good files convert although others fail; the failures are named; exit status 1.
mkdir "$work/batch"
printf xy > "$work/short.57x"
: > "$work/empty.57x"
export_de "$csv/type1_0001.57x" "$work/short.57x" "$work/missing.57x" "$work/empty.57x" \
  "$csv/type4_0100.57x" -d "$work/batch" 2> "$work/err.txt"
check "a batch with failures exits with 1" test $? -eq 1
check "batch: type1_0001.csv" same "$work/batch/type1_0001.csv" "$csv/type1_0001.csv"
check "batch: type4_0100.csv" same "$work/batch/type4_0100.csv" "$csv/type4_0100.csv"
for name in short missing empty; do
  check "batch: the failure of $name.57x is reported" grep -q "$name.57x" "$work/err.txt"
  check "batch: no $name.csv for a failed log" test ! -e "$work/batch/$name.csv"
done
check "batch: no temporary files left" test -z "$(find "$work/batch" -name '.*')"

# Chosen columns in the order named, chosen rows in ascending order.
export_de "$csv/type1_0001.57x" "--columns=Time,Log Type" --rows 3,0-1 -o "$work/some.csv"
check "--columns/--rows" test $? -eq 0
{
  printf 'Time,Log Type\r\n'
  sed -n '2p;3p;5p' "$csv/type1_0001.csv" | awk -F, '{printf "%s,%s\r\n", $2, $1}'
} > "$work/some_expected.csv"
check "--columns Time,Log Type --rows 3,0-1" same "$work/some.csv" "$work/some_expected.csv"
export_de "$csv/type1_0001.57x" --columns "Time,Nope" -o "$work/nope.csv" 2> /dev/null
check "an unknown column title fails" test $? -eq 1 -a ! -e "$work/nope.csv"
export_de "$csv/type1_0001.57x" --rows 2-9 -o "$work/rows.csv" 2> /dev/null
check "rows beyond the records fail" test $? -eq 1 -a ! -e "$work/rows.csv"

# Outputs that must not be written: a missing folder, the log itself, an existing file on failure.
export_de "$csv/type1_0001.57x" -o "$work/no/such/folder/out.csv" 2> "$work/err.txt"
check "a missing folder fails" test $? -eq 1
check "a missing folder is named" grep -qF "$work/no/such/folder/out.csv" "$work/err.txt"
cp "$csv/type1_0001.57x" "$work/self.57x"
export_de "$work/self.57x" -o "$work/self.57x" 2> /dev/null
check "exporting onto the log itself is refused" test $? -eq 1
check "the log itself is unchanged" same "$work/self.57x" "$csv/type1_0001.57x"
echo "old content" > "$work/keep.csv"
cp "$work/keep.csv" "$work/keep_expected.csv"
export_de "$work/short.57x" -o "$work/keep.csv" 2> /dev/null
check "a failed export fails" test $? -eq 1
check "a failed export leaves the old file" same "$work/keep.csv" "$work/keep_expected.csv"

# Usage errors.
export_de "$csv/type1_0001.57x" "$csv/type2_0001.57x" > /dev/null 2>&1
check "several files without -d is a usage error" test $? -eq 2
export_de "$csv/type1_0001.57x" --data-format 2 > /dev/null 2>&1
check "--data-format 2 is a usage error" test $? -eq 2

finish
