#!/usr/bin/env bash
# meterlog2-cli info, dump and sample, run as a user would.
source "$(dirname "$0")/harness.sh" "$@"

# sample + info
"$cli" sample --type 4 --records 25 --data-format 256 -o "$work/tp.57x"
check "sample exit" test $? -eq 0
"$cli" info "$work/tp.57x" > "$work/info.txt"
check "info exit" test $? -eq 0
check "info type" grep -qx "Log type: Three Phase Tabular Log" "$work/info.txt"
check "info count" grep -qx "Records: 25" "$work/info.txt"
check "info size" grep -qx "Record size: 2994" "$work/info.txt"
check "info format" grep -qx "Data format: 256 (Type 0100)" "$work/info.txt"
check "info title" grep -qx "Title: Three Phase Tabular Log 03-07-2009 14:05:09" "$work/info.txt"

# dump to stdout and to a file give the golden text
"$cli" sample --type 2 --records 2 -o "$work/h.57x"
"$cli" dump "$work/h.57x" > "$work/h.txt"
check "dump stdout" same "$work/h.txt" "$data/dump/type2-1.txt"
"$cli" dump "$work/h.57x" -o "$work/h2.txt"
check "dump file" same "$work/h2.txt" "$data/dump/type2-1.txt"

# failures: message on stderr, nonzero exit, nothing left behind
head -c 3 "$work/h.57x" > "$work/short.57x"
"$cli" info "$work/short.57x" > /dev/null 2> "$work/err.txt"
check "short exit" test $? -ne 0
check "short message" grep -q "An attempt was made to access .*short.57x past its end." "$work/err.txt"
printf '\x01\x00\x00\x00\x0c\x1d' > "$work/header.57x"
head -c 4000 /dev/zero >> "$work/header.57x"
"$cli" dump "$work/header.57x" -o "$work/never.txt" 2> "$work/err.txt"
check "header exit" test $? -ne 0
check "header message" grep -q "Error in File Header Size" "$work/err.txt"
check "no output left" test ! -e "$work/never.txt" -a ! -e "$work/never.txt.part"
"$cli" info "$work/missing.57x" 2> "$work/err.txt"
check "missing exit" test $? -ne 0
check "missing message" grep -q "missing.57x" "$work/err.txt"
"$cli" sample --type 2 --records 5 -o "$work/no/such/folder/x.57x" 2> "$work/err.txt"
check "sample bad folder" test $? -ne 0
"$cli" sample --type 99999 -o "$work/x.57x" 2> /dev/null
check "sample bad type" test $? -eq 2
"$cli" frobnicate 2> /dev/null
check "unknown command" test $? -eq 2

# a log larger than the memory the process may have: said in words, not as a bare failure (stats
# loads every record; info reads only the header and the first)
# (a sparse file: 1,000,000 records of 1000 bytes declared, none of them on the disk)
printf '\x01\x00\x00\x00\x00\x00\x00\x0f\x42\x40\x03\xe8' > "$work/huge.57x"
truncate -s 1000000012 "$work/huge.57x"
(ulimit -v 400000 && "$cli" stats "$work/huge.57x") > /dev/null 2> "$work/err.txt"
check "out of memory exit" test $? -eq 1
check "out of memory message" grep -q \
  "Failed to open document. There is not enough memory to load 1000000 records (1000 MB)." \
  "$work/err.txt"

# stats: the same numbers the table shows
"$cli" sample --type 4 --records 30 -o "$work/st.57x"
"$cli" stats "$work/st.57x" -o "$work/st.csv"
check "stats exit" test $? -eq 0
check "stats header" test "$(head -1 "$work/st.csv")" = $'Column,Unit,Count,Minimum,Time of Minimum,Mean,Maximum,Time of Maximum,Standard Deviation,95th Percentile\r'
check "stats has no text columns" test -z "$(grep -E '^(Log Type|Time|3 Phase Direction),' "$work/st.csv")"
"$cli" export "$work/st.57x" --columns "Time,Phase A Volts Wide" | tail -n +2 | tr -d '\r' > "$work/va.csv"
expected=$(sort -s -t, -k2,2g "$work/va.csv" | awk -F, 'NR==1{min=$2; tmin=$1} {max=$2; tmax=$1; sum+=$2; n++} END{printf "Phase A Volts Wide,V,%d,%s,%s,", n, min, tmin}')
check "stats minimum and its time match the table" grep -q "^$expected" "$work/st.csv"
"$cli" stats "$work/st.57x" --columns "Time" > /dev/null 2> "$work/err.txt"
check "stats on a text column fails" grep -q "holds no numbers" "$work/err.txt"
"$cli" stats "$work/st.57x" --rows 0-1 --columns "3 Phase Frequency" > "$work/st2.csv"
check "stats of chosen rows" grep -q "^3 Phase Frequency,Hz,2," "$work/st2.csv"

# --rows: overlapping and repeated ranges choose each row once, for every command alike
"$cli" stats "$work/st.57x" --rows 0-9,0-4 --columns "3 Phase Frequency" > "$work/st3.csv"
"$cli" stats "$work/st.57x" --rows 0-9 --columns "3 Phase Frequency" > "$work/st4.csv"
check "stats counts overlapping rows once" same "$work/st3.csv" "$work/st4.csv"
"$cli" export "$work/st.57x" --rows 5,2-3,3-4 --columns Time > "$work/rows1.csv"
"$cli" export "$work/st.57x" --rows 2-5 --columns Time > "$work/rows2.csv"
check "export rows sorted and once" same "$work/rows1.csv" "$work/rows2.csv"
# Thousands of ranges over a large log need no more memory than its records.
"$cli" sample --type 1 --records 200000 -o "$work/long.57x"
ranges=$(printf '0-199999,%.0s' $(seq 1 3000))
(ulimit -v 1000000 && "$cli" stats "$work/long.57x" --rows "${ranges%,}" --columns Frequency) \
  > "$work/long.csv" 2> "$work/err.txt"
check "3000 repeated ranges over 200000 records" grep -q "^Frequency,Hz,200000," "$work/long.csv"
"$cli" stats "$work/st.57x" --rows 0-30 > /dev/null 2> "$work/err.txt"
check "a row beyond the log is refused" \
  grep -q "row 30 is beyond the last record (the file holds 30 records, rows 0 to 29)" "$work/err.txt"

# an option given twice says so (not that its value is missing)
"$cli" export "$work/st.57x" --delimiter ";" --delimiter , > /dev/null 2> "$work/err.txt"
check "option twice: usage status" test $? -eq 2
check "option twice: message" grep -qx "meterlog2-cli: --delimiter is given twice" "$work/err.txt"
"$cli" stats "$work/st.57x" --rows=1 --rows=2 > /dev/null 2> "$work/err.txt"
check "option=value twice" grep -qx "meterlog2-cli: --rows is given twice" "$work/err.txt"
"$cli" info --salvage --salvage "$work/st.57x" > /dev/null 2> "$work/err.txt"
check "flag twice" grep -qx "meterlog2-cli: --salvage is given twice" "$work/err.txt"
"$cli" export "$work/st.57x" --delimiter > /dev/null 2> "$work/err.txt"
check "option without its value" grep -qx "meterlog2-cli: --delimiter needs a value" "$work/err.txt"

# export for spreadsheets of other languages: ISO times, ";" and decimal commas; defaults unchanged
"$cli" export "$work/st.57x" --rows 0 --columns "Time,3 Phase Frequency" --time-format iso \
  --decimal-comma > "$work/local.csv"
check "export iso and decimal comma" test "$(sed -n 2p "$work/local.csv" | tr -d '\r')" = \
  "$(sed -n 2p "$work/local.csv" | tr -d '\r' | grep -E '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8};[0-9]+,[0-9]{6}$')"
check "export iso header" grep -q "^Time;3 Phase Frequency" "$work/local.csv"
"$cli" export "$work/st.57x" --rows 0 --columns "Time" --delimiter tab --time-format mdy > "$work/tab.csv"
"$cli" export "$work/st.57x" --rows 0 --columns "Time" > "$work/plain.csv"
check "export mdy is the default" same "$work/tab.csv" "$work/plain.csv"
"$cli" export "$work/st.57x" --decimal-comma --delimiter , > /dev/null 2> "$work/err.txt"
check "export decimal comma with comma refused" grep -q "a comma would split every number" "$work/err.txt"
"$cli" export "$work/st.57x" --time-format dmy > /dev/null 2> "$work/err.txt"
check "export bad time format" grep -q "mdy .* or iso" "$work/err.txt"

# salvage: a file cut short is refused, and read in its complete records only when asked
"$cli" sample --type 1 --records 10 -o "$work/whole.57x"
head -c $((76 + 4 * 303 + 100)) "$work/whole.57x" > "$work/cut.57x"
"$cli" info "$work/cut.57x" > /dev/null 2> "$work/err.txt"
check "cut refused" test $? -eq 1
check "cut says salvage" grep -q "holds only 4 of the 10 records it declares: --salvage reads those" "$work/err.txt"
"$cli" info --salvage "$work/cut.57x" > "$work/info.txt" 2> "$work/err.txt"
check "salvage info" grep -qx "Records: 4" "$work/info.txt"
check "salvage said" grep -q "salvaged: the file holds only 4 of the 10" "$work/err.txt"
"$cli" export --salvage "$work/cut.57x" > "$work/cut.csv" 2> /dev/null
"$cli" export --rows 0-3 "$work/whole.57x" > "$work/whole4.csv"
check "salvage export" same "$work/cut.csv" "$work/whole4.csv"
"$cli" dump --salvage "$work/cut.57x" -o "$work/cut.txt" 2> /dev/null
"$cli" dump "$work/whole.57x" -o "$work/whole.txt"
check "salvage dump is the whole dump's start" \
  same "$work/cut.txt" <(head -c "$(wc -c < "$work/cut.txt")" "$work/whole.txt")
check "salvage dump is shorter" test "$(wc -c < "$work/cut.txt")" -lt "$(wc -c < "$work/whole.txt")"

# info reads the header and the first record only: a sparse 8 GiB log of 28 million records
# answers within a memory limit that a whole load (dump) cannot meet
"$cli" sample --type 1 --records 1 -o "$work/huge.57x"
set_count() {  # set_count FILE N: the header's record count (big-endian, after a 64-byte header)
  local hex
  hex=$(printf '%08x' "$2")
  printf "\\x${hex:0:2}\\x${hex:2:2}\\x${hex:4:2}\\x${hex:6:2}" |
    dd of="$1" bs=1 seek=70 conv=notrunc status=none
}
set_count "$work/huge.57x" 28349618
truncate -s $((76 + 28349618 * 303)) "$work/huge.57x"
(ulimit -v 400000; "$cli" info "$work/huge.57x") > "$work/info.txt" 2> "$work/err.txt"
check "huge info exit" test $? -eq 0
check "huge info count" grep -qx "Records: 28349618" "$work/info.txt"
check "huge info title" grep -qx "Title: Standard Log 03-07-2009 14:05:09" "$work/info.txt"
(ulimit -v 400000; "$cli" dump "$work/huge.57x" -o "$work/huge.txt") 2> /dev/null
check "huge dump needs the memory info does without" test $? -ne 0
set_count "$work/huge.57x" 4294967295
(ulimit -v 400000; "$cli" info "$work/huge.57x") 2> "$work/err.txt"
check "huge cut refused" grep -q "holds only 28349618 of the 4294967295 records" "$work/err.txt"
(ulimit -v 400000; "$cli" info --salvage "$work/huge.57x") > "$work/info.txt" 2> /dev/null
check "huge cut salvaged" grep -qx "Records: 28349618" "$work/info.txt"
rm -f "$work/huge.57x"

# plot: every kind as an image of the size asked for; clear refusals (when built with plots)
png_size() {  # WIDTHxHEIGHT from the PNG header
  local w h
  w=$(od -An -tu1 -j16 -N4 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4}')
  h=$(od -An -tu1 -j20 -N4 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4}')
  echo "${w}x${h}"
}
if "$cli" --help 2>&1 | grep -q "^  plot "; then
  "$cli" sample --type 3 --records 6 -o "$work/w.57x"
  "$cli" plot "$work/st.57x" -o "$work/trend.png" 2> "$work/err.txt"
  check "plot trend" test $? -eq 0 -a "$(png_size "$work/trend.png")" = 1200x700
  check "plot is quiet" test ! -s "$work/err.txt"
  "$cli" plot "$work/w.57x" --kind spectrum --row 5 --size 640x480 -o "$work/spectrum.png"
  check "plot spectrum size" test "$(png_size "$work/spectrum.png")" = 640x480
  "$cli" plot "$work/w.57x" --kind waveform --row 1 -o "$work/wave.PDF"
  check "plot waveform pdf" test "$(head -c 4 "$work/wave.PDF")" = "%PDF"
  "$cli" plot "$work/st.57x" --kind phasor -o "$work/ph.png"
  check "plot phasor" test -s "$work/ph.png"
  "$cli" plot "$work/w.57x" --columns "Frequency,Ch1 THD" -o "$work/cols.png"
  check "plot chosen columns" test -s "$work/cols.png"
  "$cli" plot "$work/w.57x" --kind phasor -o "$work/no.png" 2> "$work/err.txt"
  check "plot phasor of a single-phase log" grep -q "no phasors" "$work/err.txt"
  check "plot leaves nothing on failure" test ! -e "$work/no.png"
  "$cli" plot "$work/w.57x" --kind spectrum --row 6 -o "$work/no.png" 2> "$work/err.txt"
  check "plot row beyond the log" grep -q "no record 6" "$work/err.txt"
  "$cli" plot "$work/w.57x" --columns "Frequency,Ch1 THD,Power Wide,Power Factor Wide" \
    -o "$work/four.png" 2> "$work/err.txt"
  check "plot four axes" test -s "$work/four.png"
  check "plot four axes quietly" test ! -s "$work/err.txt"
  "$cli" plot "$work/w.57x" --columns "Frequency,Ch1 THD,Power Wide,Power Factor Wide,Ch1 Mag Wide" \
    -o "$work/five.png" 2> "$work/err.txt"
  check "plot fifth axis drawn without it" test -s "$work/five.png"
  check "plot fifth axis said" grep -q "Not drawn: Ch1 Mag Wide (a trend has four value axes at most" "$work/err.txt"
  "$cli" plot "$work/w.57x" --columns "Frequency,Power Wide,Volt Amps Wide,VARs Wide" \
    -o "$work/power.png" 2> "$work/err.txt"
  check "plot power family on one axis" test -s "$work/power.png"
  "$cli" plot "$work/w.57x" --columns "Time" -o "$work/no.png" 2> "$work/err.txt"
  check "plot text column" grep -q "holds no numbers" "$work/err.txt"
  "$cli" sample --type 1 --records 4 --record-size 60 -o "$work/novalues.57x"
  "$cli" plot "$work/novalues.57x" -o "$work/no.png" 2> "$work/err.txt"
  check "plot of no numbers fails" test $? -eq 1
  check "plot of no numbers says why" grep -q "Nothing to draw: no record .* holds a number" "$work/err.txt"
  check "plot of no numbers writes nothing" test ! -e "$work/no.png"
  "$cli" plot "$work/w.57x" -o "$work/no.jpg" 2> "$work/err.txt"
  check "plot other format" test $? -eq 2
  "$cli" plot "$work/w.57x" --size 10x10 -o "$work/no.png" 2> /dev/null
  check "plot tiny size" test $? -eq 2
  cp "$work/w.57x" "$work/w-copy.57x"
  ln -s "$work/w-copy.57x" "$work/link.png"
  "$cli" plot "$work/w-copy.57x" -o "$work/link.png" 2> "$work/err.txt"
  check "plot never onto its log" same "$work/w.57x" "$work/w-copy.57x"
fi

# a folder and names with non-ASCII letters and spaces, in every log command; messages give the
# name byte for byte as typed
u="$work/Messungen Müller"
mkdir -p "$u"
"$cli" sample --type 2 --records 2 -o "$u/Größe 1.57x"
check "non-ASCII sample" test -s "$u/Größe 1.57x"
"$cli" info "$u/Größe 1.57x" > "$work/info.txt"
check "non-ASCII info" grep -qx "File: $u/Größe 1.57x" "$work/info.txt"
"$cli" dump "$u/Größe 1.57x" -o "$u/Größe 1 dump.txt"
check "non-ASCII dump" cmp -s "$u/Größe 1 dump.txt" "$data/dump/type2-1.txt"
"$cli" export "$u/Größe 1.57x" -o "$u/Größe 1.csv"
"$cli" export "$u/Größe 1.57x" > "$work/u.csv"
check "non-ASCII export" cmp -s "$u/Größe 1.csv" "$work/u.csv"
mkdir -p "$u/CSV für Excel"
"$cli" export "$u/Größe 1.57x" -d "$u/CSV für Excel"
check "non-ASCII export -d" cmp -s "$u/CSV für Excel/Größe 1.csv" "$work/u.csv"
"$cli" stats "$u/Größe 1.57x" -o "$u/Größe 1 stats.csv"
check "non-ASCII stats" test -s "$u/Größe 1 stats.csv"
check "non-ASCII no leftovers" test -z "$(find "$u" -name '.*.tmp')"
"$cli" info "$u/nicht da ü.57x" 2> "$work/err.txt"
check "non-ASCII name in a message" grep -qF "Cannot open the file \"$u/nicht da ü.57x\"" "$work/err.txt"
# A name that is not UTF-8 at all (Latin-1 "ü") is still the file system's bytes.
latin1="$work/$(printf 'M\xfcller').57x"
cp "$u/Größe 1.57x" "$latin1"
"$cli" export "$latin1" -o "$latin1.csv"
check "non-UTF-8 name export" cmp -s "$latin1.csv" "$work/u.csv"

# awkward samples load
"$cli" sample --type 1 --records 3 --header-size 3100 --record-size 400 --trailing-bytes 17 \
  --invalid-dates --mixed-type 2 -o "$work/awk.57x"
"$cli" info "$work/awk.57x" > "$work/info.txt"
check "awkward sample" grep -qx "Records: 3" "$work/info.txt"

# The other byte order: a log whose header says Type 0001 but whose floats are Type 0100 (the
# first four bytes are the marker). info, stats and export warn and name the option that reads
# it; a log read in its own byte order gets no warning.
"$cli" sample --type 1 --records 5 --data-format 256 -o "$work/swapped.57x"
printf '\001\000\000\000' | dd of="$work/swapped.57x" conv=notrunc status=none
warning="swapped.57x: warning: the values look wrong in this byte order (Type 0001): try --data-format 256"
"$cli" info "$work/swapped.57x" > "$work/info.txt" 2> "$work/err.txt"
check "info warns of the other byte order" grep -qF "$warning" "$work/err.txt"
check "info still tells the log" grep -qx "Records: 5" "$work/info.txt"
"$cli" stats "$work/swapped.57x" -o "$work/stats.csv" 2> "$work/err.txt"
check "stats warns of the other byte order" grep -qF "$warning" "$work/err.txt"
"$cli" stats --data-format 256 "$work/swapped.57x" -o "$work/stats.csv" 2> "$work/err.txt"
check "stats in the right byte order: no warning" test ! -s "$work/err.txt"
"$cli" export "$work/swapped.57x" -o "$work/swapped.csv" 2> "$work/err.txt"
check "export warns of the other byte order" grep -qF "$warning" "$work/err.txt"
"$cli" info "$work/tp.57x" > /dev/null 2> "$work/err.txt"
check "info in the right byte order: no warning" test ! -s "$work/err.txt"

# sample --help lists the log types by number, on standard output.
"$cli" sample --help > "$work/help.txt"
check "sample --help exit" test $? -eq 0
check "sample --help: type 5" grep -qx "  5  Three Phase Vector Log" "$work/help.txt"
check "sample --help: type 6" grep -qx "  6  Three Phase Sequential Log" "$work/help.txt"

finish
