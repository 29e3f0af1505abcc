#!/usr/bin/env bash
# meterlog2-cli assess, run as a user would: a survey that passes, one that fails, a 60 Hz one,
# the JSON and CSV forms, the exit statuses and the refusals.
source "$(dirname "$0")/harness.sh" "$@"

# A week and a day of 10-minute Three Phase Tabular records: complete, and within every limit.
"$cli" sample --type 4 --records 1200 --interval 600 -o "$work/pass.57x"
"$cli" assess --format json "$work/pass.57x" > "$work/pass.json"
check "pass exit" test $? -eq 0
check "pass verdict" grep -q '^  "verdict": "pass",$' "$work/pass.json"
check "pass is not indicative" grep -q '^  "indicative": false,$' "$work/pass.json"
check "pass records" grep -q '^    "records_used": 1200,$' "$work/pass.json"
check "pass windows" grep -q '^    "windows": 1200,$' "$work/pass.json"
check "pass Un inferred" grep -q '^    "nominal_voltage": 230,$' "$work/pass.json"
check "pass first" grep -q '^    "first": "2009-03-07T14:05:09",$' "$work/pass.json"
check "pass frequency row" grep -q '"id": "en50160.frequency", .*"value": 100, "unit": "%", "count": 1200,.*"verdict": "pass"' "$work/pass.json"
"$cli" assess --fail-on-violation "$work/pass.57x" > "$work/pass.txt"
check "pass with --fail-on-violation" test $? -eq 0
check "pass text" grep -q "^Verdict: PASS$" "$work/pass.txt"

# Every field of the JSON, checked by a JSON reader where one is installed.
if command -v python3 > /dev/null; then
  python3 - "$work/pass.json" > "$work/fields.txt" 2>&1 <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
survey = ["files", "log_type", "records", "records_used", "invalid_time", "overlaps", "first",
          "last", "duration_s", "interval_s", "windows", "nominal_voltage",
          "nominal_voltage_inferred", "nominal_frequency", "nominal_frequency_inferred"]
row = ["standard", "id", "quantity", "phase", "limit", "statistic", "value", "unit", "count",
       "min", "max", "p95", "verdict", "note"]
assert list(d) == ["survey", "verdict", "indicative", "criteria"], list(d)
assert list(d["survey"]) == survey, list(d["survey"])
for c in d["criteria"]:
    assert list(c) == row, c
    assert c["verdict"] in ("pass", "fail", "not assessed", "info"), c
    for k in ("value", "min", "max", "p95"):
        assert c[k] is None or isinstance(c[k], (int, float)), c
ids = [c["id"] for c in d["criteria"]]
assert len(ids) == len(set(ids)), "ids repeat"
print("fields ok", len(ids))
PY
  check "json fields" grep -q "^fields ok" "$work/fields.txt"
fi

# Harmonic 9 of every phase's voltage at 2 % (EN 50160 allows 1.5 %): fails, three rows.
"$cli" sample --type 4 --records 300 --harmonic 9:2 -o "$work/fail.57x"
"$cli" assess --format json -o "$work/fail.json" "$work/fail.57x"
check "fail exit without the flag" test $? -eq 0
check "fail verdict" grep -q '^  "verdict": "fail",$' "$work/fail.json"
check "fail is indicative" grep -q '^  "indicative": true,$' "$work/fail.json"
check "fail rows" test "$(grep -c '"verdict": "fail", "note"' "$work/fail.json")" -eq 3
check "fail row is harmonic 9" grep -q '"id": "en50160.harmonic.9.b", .*"verdict": "fail"' "$work/fail.json"
"$cli" assess --fail-on-violation -o "$work/fail.txt" "$work/fail.57x"
check "fail exit 3" test $? -eq 3
check "fail text first row" test "$(grep -A1 '^VERDICT' "$work/fail.txt" | tail -1 | cut -c1-4)" = fail
"$cli" assess --fail-on-violation --standard ieee519 "$work/fail.57x" > /dev/null
check "IEEE 519 allows 5 %" test $? -eq 0

# 60 Hz at 120 V, as CSV.
"$cli" sample --type 1 --records 100 --hz 60 -o "$work/60.57x"
"$cli" assess --format csv "$work/60.57x" > "$work/60.csv"
check "60 Hz exit" test $? -eq 0
check "csv header" test "$(head -1 "$work/60.csv")" = $'standard,id,quantity,phase,limit,statistic,value,unit,count,min,max,p95,verdict,note\r'
check "60 Hz band" grep -q '^en50160,en50160.frequency,.*59.4 to 60.6 Hz' "$work/60.csv"
check "120 V band" grep -q '^en50160,en50160.voltage.ch1,.*108 to 132 V' "$work/60.csv"
"$cli" assess --nominal-voltage 230 --nominal-frequency 50 --format csv "$work/60.57x" > "$work/60-wrong.csv"
check "judged at 230 V it fails" grep -q '^en50160,en50160.voltage.ch1,.*,fail,' "$work/60-wrong.csv"

# A 127 V survey from a leap day's last minutes: Un inferred as 127 V, the first time kept.
"$cli" sample --type 1 --records 30 --volts 127 --start 2024-02-29T23:55:00 -o "$work/127.57x"
"$cli" assess --format json "$work/127.57x" > "$work/127.json"
check "127 V inferred" grep -q '^    "nominal_voltage": 127,$' "$work/127.json"
check "start kept" grep -q '^    "first": "2024-02-29T23:55:00",$' "$work/127.json"
check "windows across midnight" grep -q '^    "windows": 4,$' "$work/127.json"
"$cli" sample --type 1 --records 3 --start 2023-02-29T00:00:00 -o "$work/x.57x" 2> /dev/null
check "no such day" test $? -eq 2

# Two logs together; the same log twice overlaps completely.
"$cli" assess --format json "$work/60.57x" "$work/60.57x" > "$work/twice.json"
check "overlaps counted" grep -q '^    "overlaps": 100,$' "$work/twice.json"

# Current limits with the short-circuit current.
"$cli" assess --standard ieee519 --isc 2000 --il 25 --format csv "$work/pass.57x" > "$work/ieee.csv"
check "TDD assessed" grep -q '^ieee519,ieee519.current.tdd.a,.*Isc/IL = 80, Table 2 row 50 <= Isc/IL < 100' "$work/ieee.csv"
check "only IEEE 519" test -z "$(grep '^en50160,' "$work/ieee.csv")"

# Refusals: the file named, exit 1; wrong usage exit 2; nothing written.
"$cli" assess -o "$work/mixed.json" "$work/pass.57x" "$work/60.57x" 2> "$work/err.txt"
check "mixed families exit" test $? -eq 1
check "mixed families message" grep -q "pass.57x (Three Phase Tabular Log).*60.57x (Standard Log)" "$work/err.txt"
check "mixed families wrote nothing" test ! -e "$work/mixed.json"
"$cli" assess "$work/missing.57x" 2> "$work/err.txt"
check "missing exit" test $? -eq 1
check "missing named" grep -q "missing.57x" "$work/err.txt"
"$cli" sample --type 2 --records 6 --invalid-dates -o "$work/dates.57x"
"$cli" assess "$work/dates.57x" > /dev/null
check "some invalid dates are left out" test $? -eq 0
for bad in "--nominal-voltage abc" "--nominal-voltage -230" "--nominal-voltage inf" \
  "--nominal-voltage 1e308" "--isc 2e9" \
  "--nominal-frequency 55" "--isc 0" "--il 1e999" "--format xml" "--standard iec61000" \
  "--data-format 2"; do
  # shellcheck disable=SC2086
  "$cli" assess $bad "$work/pass.57x" > /dev/null 2> "$work/err.txt"
  check "refused: $bad" test $? -eq 2
  check "message: $bad" grep -q "^meterlog2-cli: --" "$work/err.txt"
done
"$cli" assess 2> /dev/null
check "no log" test $? -eq 2
"$cli" assess --help > "$work/help.txt"
check "help" grep -q "^usage: meterlog2-cli assess" "$work/help.txt"
cp "$work/pass.57x" "$work/keep.57x"
"$cli" assess "$work/keep.57x" -o "$work/keep.57x" 2> "$work/err.txt"
check "no output onto the input" test $? -eq 1
check "input unchanged" same "$work/keep.57x" "$work/pass.57x"
if [ -w /dev/full ]; then
  "$cli" assess "$work/pass.57x" > /dev/full 2> /dev/null
  check "full disk" test $? -eq 1
fi
# A file name that is not UTF-8 is written as U+FFFD in the JSON.
odd=$(printf '%s/M\xfcller.57x' "$work")
cp "$work/60.57x" "$odd"
"$cli" assess --format json "$odd" > "$work/odd.json"
check "odd name exit" test $? -eq 0
check "odd name escaped" grep -q 'M\\ufffdller.57x' "$work/odd.json"
# --each: every log judged on its own, a line each in the order given, on every processor; a log
# that cannot be read or judged gives its line with the reason and the others go on.
mkdir "$work/folder"
cp "$work/fail.57x" "$work/folder/1 fail.57x"
head -c 700 "$work/pass.57x" > "$work/folder/2 cut.57x"
cp "$work/pass.57x" "$work/folder/3 pass.57x"
"$cli" sample --type 1 --records 1 -o "$work/folder/4 dates.57x"
printf '\x0d' | dd of="$work/folder/4 dates.57x" bs=1 seek=$((76 + 5)) conv=notrunc status=none  # month 13
cp "$work/60.57x" "$work/folder/5 sixty.57x"
"$cli" sample --type 4 --records 0 -o "$work/folder/6 empty.57x"
"$cli" assess --each --format json --jobs 1 "$work/folder"/*.57x > "$work/each.json" 2> "$work/each.err"
check "each exit 1 with an unreadable log" test $? -eq 1
if command -v python3 > /dev/null; then
  python3 - "$work/each.json" > "$work/each.txt" 2>&1 <<'PY'
import json, sys
lines = json.load(open(sys.argv[1]))
keys = ["file", "log_type", "first", "last", "duration_s", "verdict", "indicative", "failed",
        "worst", "worst_value", "worst_unit", "error"]
assert all(list(l) == keys for l in lines), lines
names = [l["file"].rsplit("/", 1)[1] for l in lines]
assert names == ["1 fail.57x", "2 cut.57x", "3 pass.57x", "4 dates.57x", "5 sixty.57x",
                 "6 empty.57x"], names
fail, cut, ok, dates, sixty, empty = lines
assert fail["verdict"] == "fail" and fail["failed"] == 3 and fail["indicative"], fail
assert fail["worst"].startswith("en50160.harmonic.9.") and abs(fail["worst_value"] - 2) < 1e-6
assert fail["worst_unit"] == "%" and fail["error"] is None, fail
assert cut["verdict"] == "error" and cut["error"].startswith("Error in File Size (700, "), cut
assert cut["log_type"] is None and cut["first"] is None, cut
assert ok["verdict"] == "pass" and not ok["indicative"] and ok["worst"] is None, ok
assert ok["first"] == "2009-03-07T14:05:09" and ok["duration_s"] == 720000, ok
assert dates["verdict"] == "error" and "valid time" in dates["error"], dates
assert dates["log_type"] == "Standard Log", dates
assert sixty["verdict"] == "pass" and sixty["log_type"] == "Standard Log", sixty
assert empty["verdict"] == "error" and empty["error"] == "the log holds no records", empty
print("each ok")
PY
  check "each lines" grep -qx "each ok" "$work/each.txt"
fi
check "each tells the unreadable logs on stderr, in order" test "$(cut -d: -f2 "$work/each.err" |
  tr -d ' ' | tr '\n' ' ')" = "$work/folder/2cut.57x $work/folder/4dates.57x $work/folder/6empty.57x "
for format in json csv text; do
  "$cli" assess --each --format "$format" --jobs 1 "$work/folder"/*.57x > "$work/one.$format" 2> "$work/one.err"
  "$cli" assess --each --format "$format" --jobs 3 "$work/folder"/*.57x > "$work/three.$format" 2> "$work/three.err"
  check "each $format: the same bytes with three jobs" same "$work/one.$format" "$work/three.$format"
  check "each $format: the same messages with three jobs" same "$work/one.err" "$work/three.err"
done
check "each csv header" test "$(head -1 "$work/one.csv")" = $'file,log_type,first,last,duration_s,verdict,indicative,failed,worst,worst_value,worst_unit,error\r'
check "each csv lines" test "$(wc -l < "$work/one.csv")" -eq 7
check "each text totals" grep -qx "6 logs: 2 pass, 1 fail, 3 could not be assessed" "$work/one.text"
"$cli" assess --each "$work/folder/3 pass.57x" "$work/folder/1 fail.57x" > /dev/null
check "each exit 0 when every log was judged" test $? -eq 0
"$cli" assess --each --fail-on-violation "$work/folder/3 pass.57x" "$work/folder/1 fail.57x" > /dev/null
check "each exit 3 on a violation" test $? -eq 3
"$cli" assess --each --jobs 0 "$work/folder/3 pass.57x" 2> "$work/err.txt"
check "each --jobs 0 refused" test $? -eq 2
"$cli" assess --each -o "$work/folder/3 pass.57x" "$work/folder"/*.57x 2> /dev/null
check "each never writes onto a log" same "$work/folder/3 pass.57x" "$work/pass.57x"

check "no leftovers" no_leftovers

finish
