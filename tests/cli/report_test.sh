#!/usr/bin/env bash
# meterlog2-cli report, run as a user would: the numbers of the PDF and the HTML page are those
# of `assess --format json` on the same survey; the exit statuses; names that are refused; the
# same HTML bytes from two runs, in any locale; names beyond ASCII; an output that is a FIFO, an
# existing file, a log of the survey; an interrupted report.
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
import hashlib, html, json, re, sys
data = json.load(open(sys.argv[1]))
page = open(sys.argv[2], encoding="utf-8").read()
pdf = re.sub(r"\s+", " ", open(sys.argv[3], encoding="utf-8").read()) if sys.argv[3] else None
logs = sys.argv[4:]
problems = []

def fmt(v):  # three decimals at most, as the assessment's text table writes numbers
    s = "%.3f" % v
    s = s.rstrip("0").rstrip(".") if "." in s else s
    return "0" if s == "-0" else s

def phase(p):
    return "Ch " + p[2:] if p.startswith("ch") else p.upper()

def expect(text, where):
    if html.escape(text, quote=True) not in page:
        problems.append("HTML lacks " + repr(text) + " (" + where + ")")
    if pdf is not None and text.split("<")[0] not in pdf:
        problems.append("PDF lacks " + repr(text) + " (" + where + ")")

def cell(text):
    return html.escape(text, quote=True)

s = data["survey"]
expect("%d of %d used" % (s["records_used"], s["records"]), "records")
expect(s["first"].replace("T", " ") + " to " + s["last"].replace("T", " "), "period")
expect(fmt(s["nominal_voltage"]) + " V, " + ("inferred" if s["nominal_voltage_inferred"] else "given"), "Un")
expect(fmt(s["nominal_frequency"]) + " Hz, " + ("inferred" if s["nominal_frequency_inferred"] else "given"), "Fn")
for log in logs:
    expect("SHA-256 " + hashlib.sha256(open(log, "rb").read()).hexdigest(), log)
expect({"pass": "PASS", "fail": "FAIL"}.get(data["verdict"], "NOT ASSESSED"), "verdict")

groups = {}
for c in data["criteria"]:
    key = re.sub(r"\.(\d+)$", "", c["id"][: -len(c["phase"]) - 1] if c["phase"] else c["id"])
    groups.setdefault((key, c["phase"]), []).append(c)
single = {"en50160.frequency", "en50160.voltage", "en50160.thd", "en50160.unbalance",
          "ieee519.voltage.thd", "ieee519.current.tdd"}
checked = 0
for (key, ph), rows in groups.items():
    judged = [c for c in rows if c["value"] is not None and c["verdict"] in ("pass", "fail")]
    if not judged:
        continue
    row = "<td>" + cell(phase(ph)) + "</td><td>"
    if key in single:
        c = judged[0]
        expect_row = row + cell(fmt(c["value"]) + " " + c["unit"])
        if expect_row not in page:
            problems.append("summary row of %s %s lacks %s" % (c["id"], ph, fmt(c["value"])))
        expect(fmt(c["value"]) + " " + c["unit"], c["id"])
        checked += 1
    elif key.endswith("harmonic"):
        limit = lambda c: float(re.search(r"<= ([0-9.]+)", c["limit"]).group(1))
        worst = max(judged, key=lambda c: c["value"] / limit(c))
        failed = sum(c["verdict"] == "fail" for c in judged)
        text = "worst: harmonic %s at %s %%" % (worst["id"].split(".")[-2], fmt(worst["value"]))
        if row + cell(text) not in page:
            problems.append("summary row of %s %s lacks %r" % (key, ph, text))
        expect("%d of %d fail" % (failed, len(judged)), key + " " + ph)
        expect(text, key + " " + ph)
        checked += 1
for c in data["criteria"]:
    if c["verdict"] == "fail":
        text = '<td>%s</td><td class="fail"><strong>%s %s</strong>' % (
            cell(phase(c["phase"])), fmt(c["value"]), cell(c["unit"]))
        if text not in page:
            problems.append("the failures lack " + c["id"])
    if c["verdict"] == "info" and c["value"] is not None:
        value = (fmt(c["value"]) + " " + c["unit"]).strip()
        if "<strong>" + cell(value) + "</strong>" not in page:
            problems.append("the informative values lack %s = %s" % (c["id"], value))
        expect(value, c["id"])
if checked < 3:
    problems.append("only %d summary rows checked" % checked)
for p in problems:
    print(p)
print("numbers ok" if not problems else "numbers differ")
PY
}

# A week and a day that passes; five hours with the 9th harmonic at 2 % that fail.
"$cli" sample --type 4 --records 1200 --interval 600 -o "$work/week.57x"
"$cli" sample --type 4 --records 300 --harmonic 9:2 -o "$work/site.57x"
"$cli" report --title "Feeder 2" --site "Plant 3" "$work/week.57x" -o "$work/week.pdf"
check "pass exit" test $? -eq 0
"$cli" report --fail-on-violation "$work/week.57x" -o "$work/week.html"
check "pass with --fail-on-violation" test $? -eq 0
"$cli" report --fail-on-violation --isc 12000 "$work/site.57x" -o "$work/site.pdf"
check "fail exit 3" test $? -eq 3
check "fail report written all the same" test -s "$work/site.pdf"
"$cli" report --isc 12000 "$work/site.57x" -o "$work/site.html"
check "fail exit without the flag" test $? -eq 0
check "pdf" test "$(head -c 5 "$work/week.pdf")" = "%PDF-"
check "html" test "$(head -1 "$work/week.html")" = "<!DOCTYPE html>"

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
"$cli" assess --format json "$work/week.57x" > "$work/week.json"
"$cli" report "$work/week.57x" -o "$work/week.pdf"
compare pass "$work/week.json" "$work/week.html" "$work/week.pdf" "$work/week.57x"
"$cli" assess --isc 12000 --format json "$work/site.57x" > "$work/site.json"
compare fail "$work/site.json" "$work/site.html" "$work/site.pdf" "$work/site.57x"
if [ "$have_poppler" = 1 ]; then
  pdftotext -layout -f 1 -l 1 "$work/site.pdf" "$work/site-1.txt"
  check "fail on the summary page" grep -q "FAIL  *The supply fails 3 criteria" "$work/site-1.txt"
  check "indicative on the summary page" grep -q "Indicative: the survey lasted 5 h" "$work/site-1.txt"
  pages=$(pdfinfo "$work/site.pdf" | awk '/^Pages:/ {print $2}')
  check "pages numbered" test "$(pdftotext "$work/site.pdf" - | grep -c "^Page [0-9]* of $pages$")" -eq "$pages"
fi

# 60 Hz at 120 V, two single-phase logs joined, on US Letter.
"$cli" sample --type 2 --records 100 --hz 60 -o "$work/a60.57x"
"$cli" sample --type 2 --records 100 --hz 60 --start 2009-03-07T16:00:00 -o "$work/b60.57x"
"$cli" report --page letter "$work/a60.57x" "$work/b60.57x" -o "$work/60.html"
check "60 Hz exit" test $? -eq 0
check "60 Hz letter" grep -q "@page{size:letter" "$work/60.html"
check "60 Hz band" grep -q "within 59.4 to 60.6 Hz, all within 56.4 to 62.4 Hz" "$work/60.html"
check "120 V band" grep -q "within 108 to 132 V, all within 102 to 132 V" "$work/60.html"
"$cli" report --page letter "$work/a60.57x" "$work/b60.57x" -o "$work/60.pdf"
"$cli" assess --format json "$work/a60.57x" "$work/b60.57x" > "$work/60.json"
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
