#!/usr/bin/env bash
# meterlog2-cli assess, run as a user would: a survey that passes, one that fails, a 60 Hz one,
# the JSON and CSV forms, the exit statuses and the refusals; then the cases of a verdict an
# engineer signs, each built with `sample`: Un declared, every week judged, coverage and gaps,
# the voltage class, a value at its limit, an interruption and the wrong byte order (the rest,
# which need values sample cannot write, are in tests/assess/verdicts_test.cpp).
source "$(dirname "$0")/harness.sh" "$@"

# A week of 10-minute Three Phase Tabular records: complete, and within every limit at 230 V.
"$cli" sample --type 4 --records 1008 --interval 600 -o "$work/pass.57x"
"$cli" assess --nominal-voltage 230 --isc 20000 --format json "$work/pass.57x" > "$work/pass.json"
check "pass exit" test $? -eq 0
check "pass verdict" grep -q '^  "verdict": "pass",$' "$work/pass.json"
check "pass is not indicative" grep -q '^  "indicative": false,$' "$work/pass.json"
check "pass records" grep -q '^    "records_used": 1008,$' "$work/pass.json"
check "pass windows" grep -q '^    "windows": 1008,$' "$work/pass.json"
check "pass Un declared" grep -q '^    "nominal_voltage_declared": true,$' "$work/pass.json"
check "pass class" grep -q '^    "voltage_class": "LV",$' "$work/pass.json"
check "pass coverage" grep -q '^    "coverage": 1,$' "$work/pass.json"
check "pass first" grep -q '^    "first": "2009-03-07T14:05:09",$' "$work/pass.json"
check "pass frequency row" grep -q '"id": "en50160.frequency", .*"value": 100, "unit": "%", "count": 1008,.*"verdict": "pass"' "$work/pass.json"
"$cli" assess --nominal-voltage 230 --isc 20000 --fail-on-violation "$work/pass.57x" > "$work/pass.txt"
check "pass text" grep -q "^Verdict: PASS (passes the [0-9]* criteria judged)$" "$work/pass.txt"
# Without Isc the current limits are not judged: nothing fails, but the verdict is incomplete.
"$cli" assess --nominal-voltage 230 --fail-on-violation "$work/pass.57x" > "$work/noisc.txt"
check "incomplete with --fail-on-violation: exit 0" test $? -eq 0
check "incomplete without Isc" grep -q "^Verdict: INCOMPLETE (none of the [0-9]* criteria judged fails, but criteria the logs could support were not judged for want of the short-circuit current Isc)$" "$work/noisc.txt"
# Without Un: nothing that depends on it is judged, and the verdict says so.
"$cli" assess --format json "$work/pass.57x" > "$work/open.json"
check "no Un exit" test $? -eq 0
check "no Un incomplete" grep -q '^  "verdict": "incomplete",$' "$work/open.json"
check "no Un suggested" grep -q '^    "nominal_voltage_suggested": 230,$' "$work/open.json"
check "no Un voltage row" grep -q '"id": "en50160.voltage.a", .*"verdict": "not assessed", "note": "declare the nominal voltage Un: the band is a share of Un; the records suggest 230 V", "indicative": false, "missing_input": "nominal_voltage"' "$work/open.json"

# Every field of the JSON, checked by a JSON reader where one is installed.
if command -v python3 > /dev/null; then
  python3 - "$work/pass.json" > "$work/fields.txt" 2>&1 <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
survey = ["files", "log_type", "records", "records_used", "invalid_time", "overlaps", "first",
          "last", "duration_s", "interval_s", "windows", "nominal_voltage",
          "nominal_voltage_inferred", "nominal_frequency", "nominal_frequency_inferred",
          "nominal_voltage_declared", "nominal_voltage_suggested", "connection", "system_voltage",
          "voltage_class", "standards", "standards_chosen", "coverage", "windows_spanned",
          "periods", "days", "gaps", "interruptions", "windows_left_out"]
row = ["standard", "id", "quantity", "phase", "limit", "statistic", "value", "unit", "count",
       "min", "max", "p95", "verdict", "note", "indicative", "missing_input", "periods"]
assert list(d) == ["survey", "verdict", "indicative", "indicative_note", "judged", "failed",
                   "missing_inputs", "notes", "criteria"], list(d)
assert list(d["survey"]) == survey, list(d["survey"])
assert d["survey"]["periods"] == [{"start": "2009-03-07T14:00:00", "end": "2009-03-14T14:00:00",
                                   "windows": 1008, "expected_windows": 1008}]
for c in d["criteria"]:
    assert list(c) == row, c
    assert c["verdict"] in ("pass", "fail", "not assessed", "info"), c
    for k in ("value", "min", "max", "p95"):
        assert c[k] is None or isinstance(c[k], (int, float)), c
    for p in c["periods"]:
        assert list(p) == ["start", "end", "count", "value", "verdict"], p
    if c["verdict"] in ("pass", "fail"):
        assert any(p["value"] == c["value"] for p in c["periods"]), c
ids = [c["id"] for c in d["criteria"]]
assert len(ids) == len(set(ids)), "ids repeat"
assert d["judged"] == sum(c["verdict"] in ("pass", "fail") for c in d["criteria"])
assert "ieee519.voltage.harmonic.5.a.daily99" in ids
print("fields ok", len(ids))
PY
  check "json fields" grep -q "^fields ok" "$work/fields.txt"
fi

# Harmonic 9 of every phase's voltage at 2 % (EN 50160 allows 1.5 %): fails, three rows.
"$cli" sample --type 4 --records 300 --harmonic 9:2 -o "$work/fail.57x"
"$cli" assess --nominal-voltage 230 --format json -o "$work/fail.json" "$work/fail.57x"
check "fail exit without the flag" test $? -eq 0
check "fail verdict" grep -q '^  "verdict": "fail",$' "$work/fail.json"
check "fail is indicative" grep -q '^  "indicative": true,$' "$work/fail.json"
check "fail rows" test "$(grep -c '"verdict": "fail", "note"' "$work/fail.json")" -eq 3
check "fail row is harmonic 9" grep -q '"id": "en50160.harmonic.9.b", .*"verdict": "fail"' "$work/fail.json"
"$cli" assess --nominal-voltage 230 --fail-on-violation -o "$work/fail.txt" "$work/fail.57x"
check "fail exit 3" test $? -eq 3
check "fail text first row" test "$(grep -A1 '^VERDICT' "$work/fail.txt" | tail -1 | cut -c1-4)" = fail
"$cli" assess --nominal-voltage 230 --fail-on-violation --standard ieee519 "$work/fail.57x" > /dev/null
check "IEEE 519 allows 5 %" test $? -eq 0

# 60 Hz at 120 V, as CSV: IEEE 519 and ANSI C84.1 unless EN 50160 is asked for.
"$cli" sample --type 1 --records 100 --hz 60 -o "$work/60.57x"
"$cli" assess --nominal-voltage 120 --format csv "$work/60.57x" > "$work/60.csv"
check "60 Hz exit" test $? -eq 0
check "csv header" test "$(head -1 "$work/60.csv")" = $'standard,id,quantity,phase,limit,statistic,value,unit,count,min,max,p95,verdict,note,indicative,missing_input,periods\r'
check "60 Hz: no EN 50160 unless asked" test -z "$(grep '^en50160,' "$work/60.csv")"
check "60 Hz: ANSI C84.1 Range B" grep -q '^ansi_c84_1,ansi_c84_1.voltage.ch1,.*110 to 127 V.*,pass,' "$work/60.csv"
"$cli" assess --nominal-voltage 120 --standard en50160 --format csv "$work/60.57x" > "$work/60-en.csv"
check "60 Hz band" grep -q '^en50160,en50160.frequency,.*59.4 to 60.6 Hz' "$work/60-en.csv"
check "120 V band" grep -q '^en50160,en50160.voltage.ch1,.*108 to 132 V' "$work/60-en.csv"
check "EN 50160's scope said" grep -q 'EN 50160 describes 50 Hz public networks' "$work/60-en.csv"
"$cli" assess --nominal-voltage 230 --nominal-frequency 50 --standard en50160 --format csv "$work/60.57x" > "$work/60-wrong.csv"
check "judged at 230 V it fails" grep -q '^en50160,en50160.voltage.ch1,.*,fail,' "$work/60-wrong.csv"

# A 127 V survey from a leap day's last minutes: 127 V suggested, the first time kept.
"$cli" sample --type 1 --records 30 --volts 127 --start 2024-02-29T23:55:00 -o "$work/127.57x"
"$cli" assess --format json "$work/127.57x" > "$work/127.json"
check "127 V suggested" grep -q '^    "nominal_voltage_suggested": 127,$' "$work/127.json"
check "start kept" grep -q '^    "first": "2024-02-29T23:55:00",$' "$work/127.json"
check "windows across midnight" grep -q '^    "windows": 4,$' "$work/127.json"
"$cli" sample --type 1 --records 3 --start 2023-02-29T00:00:00 -o "$work/x.57x" 2> /dev/null
check "no such day" test $? -eq 2

# Two logs together; the same log twice overlaps completely.
"$cli" assess "$work/60.57x" "$work/60.57x" --format json > "$work/twice.json"
check "overlaps counted" grep -q '^    "overlaps": 100,$' "$work/twice.json"

# Current limits with the short-circuit current: one IL for the point of common coupling.
"$cli" assess --nominal-voltage 230 --standard ieee519 --isc 2000 --il 25 --format csv "$work/pass.57x" > "$work/ieee.csv"
check "TDD assessed" grep -q '^ieee519,ieee519.current.tdd.a,.*IEEE 519-2014 Table 2, row 50 <= Isc/IL < 100, Isc/IL = 80' "$work/ieee.csv"
check "TDD weekly 99th percentile" grep -q '^ieee519,ieee519.current.tdd.a.weekly99,.*<= 18 % (1.5 x 12 %' "$work/ieee.csv"
check "only IEEE 519" test -z "$(grep '^en50160,' "$work/ieee.csv")"

# ---- The cases of a verdict an engineer signs ----
# 1. 256 V declared 230 V fails; 204 V too; 128 V on a 120 V service at 60 Hz fails ANSI C84.1.
"$cli" sample --type 1 --records 1008 --interval 600 --volts 256 -o "$work/256.57x"
"$cli" assess --nominal-voltage 230 --fail-on-violation "$work/256.57x" > /dev/null
check "256 V on 230 V fails" test $? -eq 3
"$cli" assess --fail-on-violation --format json "$work/256.57x" > "$work/256.json"
check "256 V without Un: exit 0, incomplete" test $? -eq 0
check "256 V suggests 240 V" grep -q '"nominal_voltage_suggested": 240,' "$work/256.json"
"$cli" sample --type 1 --records 1008 --interval 600 --volts 204 -o "$work/204.57x"
"$cli" assess --nominal-voltage 230 --fail-on-violation "$work/204.57x" > /dev/null
check "204 V on 230 V fails" test $? -eq 3
"$cli" sample --type 1 --records 1008 --interval 600 --hz 60 --volts 128 -o "$work/128.57x"
"$cli" assess --nominal-voltage 120 --format csv "$work/128.57x" > "$work/128.csv"
check "128 V on 120 V fails Range B" grep -q '^ansi_c84_1,ansi_c84_1.voltage.ch1,.*,fail,' "$work/128.csv"
# 2. Two weeks, the first with 16 hours at 200 V: the first week fails (90.48 %).
"$cli" sample --type 1 --records 200 --interval 600 --start 2009-03-02T00:00:00 -o "$work/w1a.57x"
"$cli" sample --type 1 --records 96 --interval 600 --volts 200 --start 2009-03-03T09:20:00 -o "$work/w1b.57x"
"$cli" sample --type 1 --records 712 --interval 600 --start 2009-03-04T01:20:00 -o "$work/w1c.57x"
"$cli" sample --type 1 --records 1008 --interval 600 --start 2009-03-09T00:00:00 -o "$work/w2.57x"
"$cli" assess --nominal-voltage 230 --format json "$work"/w1a.57x "$work"/w1b.57x "$work"/w1c.57x "$work"/w2.57x > "$work/weeks.json"
check "weeks: the first fails" grep -q '"id": "en50160.voltage.ch1", .*"value": 90.47619047619048, .*"verdict": "fail",.*"periods": \[{"start": "2009-03-02T00:00:00", "end": "2009-03-09T00:00:00", "count": 1008, "value": 90.47619047619048, "verdict": "fail"}, {"start": "2009-03-09T00:00:00", "end": "2009-03-16T00:00:00", "count": 1008, "value": 100, "verdict": "pass"}\]' "$work/weeks.json"
# 3. Day 1 and day 7: indicative, the hole listed; hourly records: indicative.
"$cli" sample --type 1 --records 144 --interval 600 --start 2009-03-02T00:00:00 -o "$work/d1.57x"
"$cli" sample --type 1 --records 144 --interval 600 --start 2009-03-08T00:00:00 -o "$work/d7.57x"
"$cli" assess --nominal-voltage 230 "$work/d1.57x" "$work/d7.57x" > "$work/hole.txt"
check "hole: indicative and why" grep -qx "  indicative: week 1 (2009-03-02 00:00 to 2009-03-09 00:00) holds 288 of its 1008 10-minute windows (28.57 %), less than 90 %" "$work/hole.txt"
check "hole: the gap" grep -q "^    2009-03-02 23:50:00 to 2009-03-08 00:00:00 (5 days 10 min)$" "$work/hole.txt"
"$cli" sample --type 1 --records 168 --interval 3600 -o "$work/hourly.57x"
"$cli" assess --nominal-voltage 230 --format json "$work/hourly.57x" > "$work/hourly.json"
check "hourly: indicative" grep -q '"indicative_note": "indicative: .*the records are 3600 s apart' "$work/hourly.json"
# 4. 11 kV: medium voltage, IEEE 519's row 1 kV < V <= 69 kV.
"$cli" sample --type 4 --records 1008 --interval 600 --volts 6350 -o "$work/mv.57x"
"$cli" assess --nominal-voltage 6350 --format json "$work/mv.57x" > "$work/mv.json"
check "11 kV: MV" grep -q '^    "voltage_class": "MV",$' "$work/mv.json"
check "11 kV: IEEE 519 row" grep -q '"id": "ieee519.voltage.harmonic.5.a", .*<= 3 % (IEEE 519-2014 Table 1, 1 kV < V <= 69 kV)' "$work/mv.json"
check "11 kV: never up to 1 kV" test -z "$(grep -i 'up to 1 kV' "$work/mv.json")"
# 6. A 5th harmonic at exactly 6 %: passes, and reads 6 %.
"$cli" sample --type 4 --records 1008 --interval 600 --harmonic 5:6 -o "$work/six.57x"
"$cli" assess --nominal-voltage 230 --standard en50160 "$work/six.57x" > "$work/six.txt"
check "6 % at the limit passes" grep -q "^pass  *en50160.harmonic.5.a  *6 %" "$work/six.txt"
# 8. Two hours at 0.5 V, records a minute apart: an interruption, not a voltage failure.
"$cli" sample --type 1 --records 600 --start 2009-03-02T00:00:00 -o "$work/i1.57x"
"$cli" sample --type 1 --records 120 --volts 0.5 --start 2009-03-02T10:00:00 -o "$work/i2.57x"
"$cli" sample --type 1 --records 720 --start 2009-03-02T12:00:00 -o "$work/i3.57x"
"$cli" assess --nominal-voltage 230 --format json "$work"/i1.57x "$work"/i2.57x "$work"/i3.57x > "$work/int.json"
check "interruption listed" test "$(grep -A1 '^    "interruptions": \[$' "$work/int.json" | tail -1)" = '      {"start": "2009-03-02T10:00:00", "end": "2009-03-02T12:00:00", "duration_s": 7200}' 
check "interruption windows left out" grep -q '^    "windows_left_out": 12$' "$work/int.json"
check "interruption: the voltage passes" grep -q '"id": "en50160.voltage.ch1", .*"verdict": "pass"' "$work/int.json"
# 9. The wrong byte order: no verdict, exit 2, the other format named.
"$cli" sample --type 1 --records 100 -o "$work/order.57x"
"$cli" assess --nominal-voltage 230 --data-format 256 -o "$work/order.json" "$work/order.57x" 2> "$work/err.txt"
check "wrong byte order exit 2" test $? -eq 2
check "wrong byte order message" grep -q "order.57x: the values cannot come from a supply as read in data format 256 (Type 0100): .*data format 1 (Type 0001)" "$work/err.txt"
check "wrong byte order wrote nothing" test ! -e "$work/order.json"
# 13. Every command answers --help.
for command in info dump sample export stats assess plot report ports directory download config; do
  "$cli" "$command" --help > "$work/help.txt" 2>&1
  check "$command --help exit 0" test $? -eq 0
  check "$command --help usage" grep -q "^usage: meterlog2-cli $command" "$work/help.txt"
done

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
"$cli" assess --each --nominal-voltage 230 --isc 20000 --format json --jobs 1 "$work/folder"/*.57x > "$work/each.json" 2> "$work/each.err"
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
assert ok["first"] == "2009-03-07T14:05:09" and ok["duration_s"] == 604800, ok
assert dates["verdict"] == "error" and "valid time" in dates["error"], dates
assert dates["log_type"] == "Standard Log", dates
# 120 V judged at the 230 V given for every log: ANSI C84.1's Range B (the 60 Hz standard) fails.
assert sixty["verdict"] == "fail" and sixty["log_type"] == "Standard Log", sixty
assert sixty["worst"] == "ansi_c84_1.voltage.ch1", sixty
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
check "each text totals" grep -qx "6 logs: 0 pass, 0 fail, 3 incomplete, 3 could not be assessed" "$work/one.text"
"$cli" assess --each --nominal-voltage 230 --isc 20000 "$work/folder"/*.57x > "$work/given.text" 2> /dev/null
check "each text totals with Un and Isc" grep -qx "6 logs: 1 pass, 2 fail, 3 could not be assessed" "$work/given.text"
"$cli" assess --each "$work/folder/3 pass.57x" "$work/folder/1 fail.57x" > /dev/null
check "each exit 0 when every log was judged" test $? -eq 0
"$cli" assess --each --nominal-voltage 230 --fail-on-violation "$work/folder/3 pass.57x" "$work/folder/1 fail.57x" > /dev/null
check "each exit 3 on a violation" test $? -eq 3
"$cli" assess --each --jobs 0 "$work/folder/3 pass.57x" 2> "$work/err.txt"
check "each --jobs 0 refused" test $? -eq 2
"$cli" assess --each -o "$work/folder/3 pass.57x" "$work/folder"/*.57x 2> /dev/null
check "each never writes onto a log" same "$work/folder/3 pass.57x" "$work/pass.57x"

check "no leftovers" no_leftovers

finish
