#!/usr/bin/env bash
# The speed of the instrument commands against meterlog2-sim paced at a given line rate (default
# 38400 baud, 10 bits a byte):
# - receive throughput: a KIB KiB Flash File (default 96) downloaded once, its file bytes per
#   second against the line's limit;
# - fixed overhead: `directory`, and the download of a one-packet Flash File, RUNS times each
#   (default 5, medians), beside the time their bytes need on the line. What is left is waiting
#   that does not depend on the file's size (opening the port, the identification and directory
#   exchanges, the start of the transfer, the check after EOT, closing) and the program's start.
# Usage: bench/link_throughput.sh [BUILD_DIR] [BAUD] [KIB] [RUNS]
set -euo pipefail
build=${1:-build}
baud=${2:-38400}
kib=${3:-96}
runs=${4:-5}
sim="$build/sim/meterlog2-sim"
cli="$build/cli/meterlog2-cli"
work=$(mktemp -d)
simpid=""
cleanup() {
  [ -n "$simpid" ] && kill "$simpid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/files"
# Incompressible, fixed content: the line does not care what the bytes are. Bytes 4-5 of a log
# give its header size; 0xFFFF is no log the loader takes, so the download does not judge the
# file's length against a header that random bytes would make up.
make_file() {
  head -c "$2" /dev/urandom >"$work/files/$1"
  printf '\377\377' | dd of="$work/files/$1" bs=1 seek=4 conv=notrunc status=none
}
make_file A_ONE.57x 128
make_file B_BIG.57x $((kib * 1024))
coproc SIM { exec "$sim" --dir "$work/files" --state "$work/state.bin" --baud "$baud" --quiet; }
simpid=$SIM_PID
read -r device <&"${SIM[0]}"

# Wall time of one command in seconds; the command must succeed.
timed() {
  local start end
  start=$(date +%s%N)
  "$cli" "$@" --port "$device" >"$work/out.txt" 2>"$work/err.txt" || {
    echo "link_throughput: meterlog2-cli $* failed:" >&2
    cat "$work/err.txt" >&2
    exit 1
  }
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.4f\n", ns / 1e9 }'
}
# "MEDIAN MINIMUM" of the numbers on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { print ((NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2), v[1] }'; }

big_t=$(timed download --entry 2 -o "$work/big.57x")
bytes=$(stat -c %s "$work/big.57x")
read -r dir_t dir_min < <(for _ in $(seq "$runs"); do timed directory; done | median)
# What the instrument sends for `directory`: the identification (49 bytes), the directory text
# (its listing's length is close enough) and the end byte.
dir_bytes=$((49 + $(wc -c <"$work/out.txt") + 1))
read -r one_t one_min < <(for _ in $(seq "$runs"); do timed download --entry 1 -o "$work/one.57x"; done | median)

awk -v b="$bytes" -v big="$big_t" -v baud="$baud" -v dir="$dir_t" -v one="$one_t" \
  -v dirmin="$dir_min" -v onemin="$one_min" -v dirb="$dir_bytes" -v runs="$runs" 'BEGIN {
  byte = 10 / baud; line = baud / 10; framed = line * 128 / 133; rate = b / big
  printf "received %d bytes in %.2f s at %d baud\n", b, big, baud
  printf "effective %.0f bytes/s; line limit %.0f bytes/s (%.0f%%); packet-framing limit %.0f bytes/s (%.0f%%)\n",
    rate, line, 100 * rate / line, framed, 100 * rate / framed
  oneline = (dirb + 133 + 1) * byte
  packets = b / 128
  perpacket = (big - one) / (packets - 1)
  printf "median (fastest) of %d runs:\n", runs
  printf "  directory: %.3f s (%.3f s), %.3f s of it on the line\n", dir, dirmin, dirb * byte
  printf "  download of one packet: %.3f s (%.3f s), %.3f s of it on the line: fixed overhead %.3f s (%.3f s)\n",
    one, onemin, oneline, one - oneline, onemin - oneline
  printf "  per further packet %.1f ms (%.1f ms on the line); fixed part by the two sizes %.3f s\n",
    perpacket * 1000, 133 * byte * 1000, one - perpacket
}'
