#!/usr/bin/env bash
# meterlog2-cli report, run as a user would: the numbers of the PDF and the HTML page are those
# of `assess --format json` on the same survey (passing, failing, without Un, with a 5-day hole,
# at 11 kV, at 60 Hz); the first page's verdict, coverage and gaps; the exit statuses; --help;
# names that are refused; the same HTML bytes from two runs, in any locale; names beyond ASCII;
# an output that is a FIFO, an existing file, a log of the survey; an interrupted report.
source "$(dirname "$0")/harness.sh" "$@"

if "$cli" --help 2>&1 | grep -q '^  report'; then :; else
  echo "SKIPPED: this build has no report command (built without Qt)"
  exit 77
fi
have_poppler=1
command -v pdftotext > /dev/null || {
  have_poppler=0
  echo "SKIPPED (the PDF's text): pdftotext is not installed (scripts/deps.sh installs poppler-utils)"
}
have_python=1
command -v python3 > /dev/null || {
  have_python=0
  echo "SKIPPED (the numbers against the JSON): python3 is not installed"
}

# The report's numbers against the assessment's: every row of the summary, every failure, the
# informative values and the survey's facts of the HTML page, and the same numbers in the PDF's
# text. Arguments: the JSON, the HTML page, the PDF's text (or ""), the logs.
numbers_match() {
  python3 - "$@" <<'PY'
import hashlib, html, json, math, re, sys
data = json.load(open(sys.argv[1]))
page = open(sys.argv[2], encoding="utf-8").read()
pdf = re.sub(r"\s+", " ", open(sys.argv[3], encoding="utf-8").read()) if sys.argv[3] else None
logs = sys.argv[4:]
problems = []

def strip(s):
    s = s.rstrip("0").rstrip(".") if "." in s else s
    return "0" if s == "-0" else s

def fmt(v):  # three decimals at most, as the assessment writes a number it does not judge
    return strip("%.3f" % v)

def judged(v):  # a judged value at the comparison's resolution: 0.01, half away from zero
    r = math.copysign(math.floor(abs(v) * 100 + 0.5), v) / 100
    return strip("%.2f" % r)

def phase(p):
    return "Ch " + p[2:] if p.startswith("ch") else p.upper()

def minutes(t):
    return t.replace("T", " ")[:16]

def expect(text, where):
    if html.escape(text, quote=True) not in page:
        problems.append("HTML lacks " + repr(text) + " (" + where + ")")
    if pdf is not None and text.split("<")[0] not in pdf:
        problems.append("PDF lacks " + repr(text) + " (" + where + ")")

def row(*cells):  # a table row's first cells, as the HTML page writes them
    return "<tr>" + "".join("<td>" + html.escape(c, quote=True) + "</td>" for c in cells)

s = data["survey"]
expect("%d of %d used" % (s["records_used"], s["records"]), "records")
expect(s["first"].replace("T", " ") + " to " + s["last"].replace("T", " "), "period")
if s["nominal_voltage_declared"]:
    expect(fmt(s["nominal_voltage"]) + " V, declared", "Un")
    classes = {"LV": "low voltage (LV", "MV": "medium voltage (MV", "HV": "high voltage (HV"}
    expect(fmt(s["system_voltage"]) + " V between phases: " + classes[s["voltage_class"]], "class")
else:
    expect("not declared (the records suggest %s V)" % fmt(s["nominal_voltage_suggested"]), "Un")
expect(fmt(s["nominal_frequency"]) + " Hz, " +
       ("inferred" if s["nominal_frequency_inferred"] else "declared"), "Fn")
expect("Coverage: %d of %d 10-minute windows hold records (%s %%)" % (
    s["windows"], s["windows_spanned"], judged(100 * s["coverage"])), "coverage")
for i, p in enumerate(s["periods"]):
    if row(str(i + 1), minutes(p["start"]), minutes(p["end"]), str(p["windows"]),
           str(p["expected_windows"])) not in page:
        problems.append("the coverage of week %d differs" % (i + 1))
for g in s["gaps"]:
    if row(g["start"].replace("T", " "), g["end"].replace("T", " ")) not in page:
        problems.append("the gap from %s is missing" % g["start"])
if not s["gaps"]:
    expect("record intervals): none.", "no gaps")
for t in s["interruptions"]:
    if row(t["start"].replace("T", " "), t["end"].replace("T", " ")) not in page:
        problems.append("the interruption from %s is missing" % t["start"])
for log in logs:
    expect("SHA-256 " + hashlib.sha256(open(log, "rb").read()).hexdigest(), log)
expect(data["verdict"].upper(), "verdict")
if data["verdict"] == "pass":
    expect("The supply passes the %d criteria judged." % data["judged"], "verdict sentence")
if data["verdict"] == "fail":
    expect("The supply fails %d of the %d criteria judged." % (data["failed"], data["judged"]),
           "verdict sentence")

def group(c):  # the id without its statistic, phase and harmonic number, the statistic kept
    parts = c["id"].split(".")
    suffix = parts.pop() if parts[-1] in ("daily99", "weekly99") else None
    if c["phase"] and parts[-1] == c["phase"]:
        parts.pop()
    if parts[-1].isdigit():
        parts.pop()
    return ".".join(parts + ([suffix] if suffix else []))

def limit(c):
    return float(re.search(r"<= ([0-9.]+)", c["limit"]).group(1))

groups = {}
for c in data["criteria"]:
    groups.setdefault((group(c), c["phase"]), []).append(c)
checked = 0
for (key, ph), rows in groups.items():
    judged_rows = [c for c in rows if c["value"] is not None and c["verdict"] in ("pass", "fail")]
    if not judged_rows:
        continue
    start = "<td>" + html.escape(phase(ph), quote=True) + "</td><td>"
    if not re.search(r"\.harmonic(\.|$)", key):
        c = judged_rows[0]
        text = judged(c["value"]) + " " + c["unit"]
        if start + html.escape(text, quote=True) not in page:
            problems.append("summary row of %s lacks %s" % (c["id"], text))
        expect(text, c["id"])
    else:
        worst = max(judged_rows, key=lambda c: (float(judged(c["value"])) - limit(c)) / limit(c))
        failed = sum(c["verdict"] == "fail" for c in judged_rows)
        text = "worst: harmonic %s at %s %%" % (re.search(r"\.(\d+)\.", worst["id"]).group(1),
                                                 judged(worst["value"]))
        if start + html.escape(text, quote=True) not in page:
            problems.append("summary row of %s %s lacks %r" % (key, ph, text))
        expect("%d of %d fail" % (failed, len(judged_rows)), key + " " + ph)
        expect(text, key + " " + ph)
    checked += 1
for c in data["criteria"]:
    if c["verdict"] == "fail":
        text = '<td>%s</td><td class="fail"><strong>%s %s</strong>' % (
            html.escape(phase(c["phase"])), judged(c["value"]), html.escape(c["unit"]))
        if text not in page:
            problems.append("the failures lack " + c["id"])
    if c["verdict"] == "info" and c["value"] is not None:
        value = (fmt(c["value"]) + " " + c["unit"]).strip()
        if "<strong>" + html.escape(value) + "</strong>" not in page:
            problems.append("the informative values lack %s = %s" % (c["id"], value))
        expect(value, c["id"])
    if c["verdict"] == "not assessed" and c["missing_input"]:
        expect(c["note"].split(";")[0], c["id"] + " not assessed")
if checked < 3 and data["judged"] > 3:
    problems.append("only %d summary rows checked" % checked)
for p in problems:
    print(p)
print("numbers ok" if not problems else "numbers differ")
PY
}

# Two weeks that pass with Un and Isc declared; five hours with the 9th harmonic at 2 % that fail.
"$cli" sample --type 4 --records 2016 --interval 600 -o "$work/week.57x"
"$cli" sample --type 4 --records 300 --harmonic 9:2 -o "$work/site.57x"
declared=(--nominal-voltage 230 --isc 12000)
"$cli" report "${declared[@]}" --title "Feeder 2" --site "Plant 3" "$work/week.57x" -o "$work/week.pdf"
check "pass exit" test $? -eq 0
"$cli" report "${declared[@]}" --fail-on-violation "$work/week.57x" -o "$work/week.html"
check "pass with --fail-on-violation" test $? -eq 0
"$cli" report "${declared[@]}" --fail-on-violation "$work/site.57x" -o "$work/site.pdf"
check "fail exit 3" test $? -eq 3
check "fail report written all the same" test -s "$work/site.pdf"
"$cli" report "${declared[@]}" "$work/site.57x" -o "$work/site.html"
check "fail exit without the flag" test $? -eq 0
check "pdf" test "$(head -c 5 "$work/week.pdf")" = "%PDF-"
check "html" test "$(head -1 "$work/week.html")" = "<!DOCTYPE html>"
"$cli" report --help > "$work/help.txt" 2>&1
check "report --help" test $? -eq 0
check "report --help names the connection" grep -q -- "--connection" "$work/help.txt"

compare() {  # compare NAME JSON HTML PDF LOG...
  local name=$1 pdftext=""
  shift
  if [ "$have_poppler" = 1 ]; then
    pdftotext -enc UTF-8 "$3" "$3.txt"
    pdftext="$3.txt"
  fi
  if [ "$have_python" = 1 ]; then
    numbers_match "$1" "$2" "$pdftext" "${@:4}" > "$work/numbers.txt" 2>&1
    check "$name: the report's numbers are the assessment's" grep -qx "numbers ok" "$work/numbers.txt" ||
      cat "$work/numbers.txt"
  fi
}
first_page() {  # first_page PDF: its first page's text, laid out
  pdftotext -layout -f 1 -l 1 "$1" -
}
"$cli" assess "${declared[@]}" --format json "$work/week.57x" > "$work/week.json"
"$cli" report "${declared[@]}" "$work/week.57x" -o "$work/week.pdf"
compare pass "$work/week.json" "$work/week.html" "$work/week.pdf" "$work/week.57x"
"$cli" assess "${declared[@]}" --format json "$work/site.57x" > "$work/site.json"
compare fail "$work/site.json" "$work/site.html" "$work/site.pdf" "$work/site.57x"
if [ "$have_poppler" = 1 ]; then
  first_page "$work/site.pdf" > "$work/site-1.txt"
  check "fail on the summary page" grep -q "^ *FAIL " "$work/site-1.txt"
  check "the verdict's sentence on the summary page" grep -q "The supply fails 3 of the 829 criteria judged." "$work/site-1.txt"
  check "indicative on the summary page" grep -q "Indicative: week 1 (2009-03-07 14:00 to 2009-03-14 14:00)" "$work/site-1.txt"
  pages=$(pdfinfo "$work/site.pdf" | awk '/^Pages:/ {print $2}')
  check "pages numbered" test "$(pdftotext "$work/site.pdf" - | grep -c "^Page [0-9]* of $pages$")" -eq "$pages"
fi

# Un not declared: INCOMPLETE, what the records suggest, what was not assessed.
"$cli" report "$work/week.57x" -o "$work/undeclared.html"
check "undeclared exit" test $? -eq 0
"$cli" report "$work/week.57x" -o "$work/undeclared.pdf"
"$cli" assess --format json "$work/week.57x" > "$work/undeclared.json"
compare "Un not declared" "$work/undeclared.json" "$work/undeclared.html" "$work/undeclared.pdf" "$work/week.57x"
check "incomplete in the HTML" grep -q '<div class="verdict warn"><span class="word">INCOMPLETE' "$work/undeclared.html"
if [ "$have_poppler" = 1 ]; then
  first_page "$work/undeclared.pdf" > "$work/undeclared-1.txt"
  check "incomplete on the summary page" grep -q "^ *INCOMPLETE " "$work/undeclared-1.txt"
  check "not assessed on the summary page" grep -q "What was not assessed, and why" "$work/undeclared-1.txt"
fi

# Day 1, then nothing for 5 days, then 8 days at 1-minute records: week 1's coverage and the gap on
# the first page.
"$cli" sample --type 4 --records 1440 -o "$work/hole1.57x"
"$cli" sample --type 4 --records 11515 --start 2009-03-13T14:05:09 -o "$work/hole2.57x"
"$cli" report --nominal-voltage 230 "$work/hole1.57x" "$work/hole2.57x" -o "$work/hole.html"
"$cli" report --nominal-voltage 230 "$work/hole1.57x" "$work/hole2.57x" -o "$work/hole.pdf"
"$cli" assess --nominal-voltage 230 --format json "$work/hole1.57x" "$work/hole2.57x" > "$work/hole.json"
compare "5-day hole" "$work/hole.json" "$work/hole.html" "$work/hole.pdf" "$work/hole1.57x" "$work/hole2.57x"
if [ "$have_poppler" = 1 ]; then
  first_page "$work/hole.pdf" > "$work/hole-1.txt"
  check "week 1's coverage on page 1" grep -q "^ *1  *2009-03-07 14:00  *2009-03-14 14:00  *289  *1008  *28.67 %" "$work/hole-1.txt"
  check "the gap on page 1" grep -q "2009-03-08 14:04:09  *2009-03-13 14:05:09  *5 days 1 min" "$work/hole-1.txt"
fi

# 11 kV: the medium-voltage class and IEEE 519's 1-69 kV row.
"$cli" sample --type 4 --records 1008 --interval 600 --volts 6350 -o "$work/mv.57x"
"$cli" report --nominal-voltage 6350 --isc 5000 "$work/mv.57x" -o "$work/mv.html"
"$cli" report --nominal-voltage 6350 --isc 5000 "$work/mv.57x" -o "$work/mv.pdf"
"$cli" assess --nominal-voltage 6350 --isc 5000 --format json "$work/mv.57x" > "$work/mv.json"
compare "11 kV" "$work/mv.json" "$work/mv.html" "$work/mv.pdf" "$work/mv.57x"
check "11 kV: IEEE 519's row" grep -q "Table 1, 1 kV &lt; V ≤ 69 kV" "$work/mv.html"
check "11 kV: not the low-voltage row" test "$(grep -c "1.0 kV" "$work/mv.html")" -eq 0

# 60 Hz at 120 V, two single-phase logs joined, on US Letter: IEEE 519 and ANSI C84.1.
"$cli" sample --type 2 --records 100 --hz 60 -o "$work/a60.57x"
"$cli" sample --type 2 --records 100 --hz 60 --start 2009-03-07T16:00:00 -o "$work/b60.57x"
"$cli" report --nominal-voltage 120 --page letter "$work/a60.57x" "$work/b60.57x" -o "$work/60.html"
check "60 Hz exit" test $? -eq 0
check "60 Hz letter" grep -q "@page{size:letter" "$work/60.html"
check "60 Hz: ANSI C84.1's ranges" grep -q "every 10-minute value within Range B, 110 to 127 V; the share within Range A, 114 to 126 V" "$work/60.html"
check "60 Hz: no EN 50160" test "$(grep -c "EN 50160:2010, voltage characteristics" "$work/60.html")" -eq 0
"$cli" report --nominal-voltage 120 --page letter "$work/a60.57x" "$work/b60.57x" -o "$work/60.pdf"
"$cli" assess --nominal-voltage 120 --format json "$work/a60.57x" "$work/b60.57x" > "$work/60.json"
compare "60 Hz" "$work/60.json" "$work/60.html" "$work/60.pdf" "$work/a60.57x" "$work/b60.57x"
if [ "$have_poppler" = 1 ]; then
  check "60 Hz letter pages" grep -q "612 x 792 pts (letter)" <(pdfinfo "$work/60.pdf")
fi

# The same HTML from two runs, and in a German locale (decimal commas) too.
"$cli" report --site "Plant 3" "$work/week.57x" -o "$work/again.html"
"$cli" report "$work/week.57x" -o "$work/week.html"
"$cli" report "$work/week.57x" -o "$work/week2.html"
check "html identical across runs" same "$work/week.html" "$work/week2.html"
LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8 "$cli" report "$work/week.57x" -o "$work/week-de.html"
check "html identical in a German locale" same "$work/week.html" "$work/week-de.html"

# Names beyond ASCII: folder, file, title and site.
mkdir -p "$work/Messungen Müller"
cp "$work/site.57x" "$work/Messungen Müller/Zähler Süd.57x"
"$cli" report --title "Netzqualität Süd" --site "Łódź, ул. Київська" \
  "$work/Messungen Müller/Zähler Süd.57x" -o "$work/Messungen Müller/Bericht für Kunden.html"
check "non-ASCII exit" test $? -eq 0
check "non-ASCII title" grep -q "<h1 id=\"summary\">Netzqualität Süd</h1>" "$work/Messungen Müller/Bericht für Kunden.html"
check "non-ASCII site" grep -q "Łódź, ул. Київська" "$work/Messungen Müller/Bericht für Kunden.html"
check "non-ASCII file name" grep -q "Messungen Müller/Zähler Süd.57x" "$work/Messungen Müller/Bericht für Kunden.html"
"$cli" report --title "Netzqualität Süd" --site "Łódź, ул. Київська" \
  "$work/Messungen Müller/Zähler Süd.57x" -o "$work/Messungen Müller/Bericht.pdf"
if [ "$have_poppler" = 1 ]; then
  pdftotext -enc UTF-8 "$work/Messungen Müller/Bericht.pdf" "$work/bericht.txt"
  check "non-ASCII in the PDF" grep -q "Netzqualität Süd — Łódź, ул. Київська" "$work/bericht.txt"
  check "non-ASCII file in the PDF" grep -q "Zähler Süd.57x" "$work/bericht.txt"
fi
odd=$(printf '%s/M\xfcller.57x' "$work")
cp "$work/site.57x" "$odd"
"$cli" report "$odd" -o "$work/odd.html"
check "a name that is not UTF-8" grep -q "M�ller.57x" "$work/odd.html"

# Refused: names without .pdf or .html, standard output, a missing -o; nothing written.
for bad in report.txt report report.htm report.pdf.bak - ""; do
  "$cli" report "$work/week.57x" -o "$bad" 2> "$work/err.txt"
  check "refused -o '$bad'" test $? -eq 2
  check "message for '$bad'" grep -q "^meterlog2-cli: .*\(\.pdf or \.html\|-o names\)" "$work/err.txt"
done
"$cli" report "$work/week.57x" 2> "$work/err.txt"
check "no -o" test $? -eq 2
"$cli" report "$work/week.57x" --format json -o "$work/x.pdf" 2> "$work/err.txt"
check "no --format" test $? -eq 2
"$cli" report "$work/week.57x" --page a5 -o "$work/x.pdf" 2> "$work/err.txt"
check "refused --page a5" test $? -eq 2
check "nothing written for usage errors" test ! -e "$work/x.pdf"
# A log named like a report is never written over.
cp "$work/week.57x" "$work/survey.pdf"
"$cli" report "$work/survey.pdf" -o "$work/survey.pdf" 2> "$work/err.txt"
check "no output onto the input" test $? -eq 1
check "input unchanged" same "$work/survey.pdf" "$work/week.57x"
# An existing report stays as it was when the new one cannot be made.
printf 'the old report\n' > "$work/old.pdf"
"$cli" report "$work/missing.57x" -o "$work/old.pdf" 2> /dev/null
check "missing log exit" test $? -eq 1
check "old report kept" test "$(cat "$work/old.pdf")" = "the old report"
"$cli" report "$work/week.57x" "$work/a60.57x" -o "$work/old.pdf" 2> "$work/err.txt"
check "mixed families exit" test $? -eq 1
check "old report kept after a refusal" test "$(cat "$work/old.pdf")" = "the old report"
"$cli" report "$work/week.57x" -o "$work/no/such/folder/r.pdf" 2> "$work/err.txt"
check "missing folder exit" test $? -eq 1
check "missing folder named" grep -q "no/such/folder/r.pdf" "$work/err.txt"
# A FIFO is written to as the bytes come.
mkfifo "$work/pipe.html"
cat "$work/pipe.html" > "$work/piped.html" &
reader=$!
"$cli" report "$work/week.57x" -o "$work/pipe.html"
check "fifo exit" test $? -eq 0
wait "$reader"
check "fifo bytes" same "$work/piped.html" "$work/week.html"
check "fifo still a fifo" test -p "$work/pipe.html"

# Control characters in the engineer's words or in a log's name never reach the page.
cp "$work/week.57x" "$work/$(printf 'odd\033name.57x')"
"$cli" report --title "$(printf 'Supply\033[31m survey\001')" --site "$(printf 'Plant\0177 3\tfeeder')" \
  -o "$work/controls.html" "$work/$(printf 'odd\033name.57x')"
check "controls: exit 0" test $? -eq 0
check "controls: none in the HTML" test -z "$(LC_ALL=C grep -a -P '[\x00-\x08\x0b-\x1f\x7f]' "$work/controls.html")"
check "controls: the title without them" grep -q "<h1[^>]*>Supply\[31m survey</h1>" "$work/controls.html"
"$cli" report --title "$(printf 'Supply\033 survey\001')" -o "$work/controls.pdf" "$work/week.57x"
if command -v pdftotext > /dev/null; then
  pdftotext "$work/controls.pdf" "$work/controls.txt"
  check "controls: none in the PDF's text" test -z "$(LC_ALL=C grep -a -P '[\x00-\x08\x0b\x0e-\x1f\x7f]' "$work/controls.txt")"
fi

# Interrupted while it works: no temporary file is left, and no half report.
"$cli" sample --type 4 --records 20000 -o "$work/big.57x"
"$cli" report "$work/big.57x" -o "$work/big.pdf" &
pid=$!
sleep 0.3
kill -TERM "$pid" 2> /dev/null
wait "$pid"
status=$?
check "interrupted: 143, or finished first (0)" test "$status" -eq 143 -o "$status" -eq 0
if [ "$status" -eq 143 ]; then check "interrupted: no report" test ! -e "$work/big.pdf"; fi
check "no leftovers" no_leftovers

finish
