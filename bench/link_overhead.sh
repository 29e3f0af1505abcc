#!/usr/bin/env bash
# The fixed cost of the instrument commands against meterlog2-sim: the wall time of `directory`
# and of downloads of a one-packet and a 96 KiB Flash File, beside the time their bytes need on
# the line. What is left over is waiting that does not depend on the file's size (opening the
# port, the identification and directory exchanges, the start of the transfer, the check after
# EOT, closing), plus the program's start.
# Usage: bench/link_overhead.sh [BUILD_DIR] [BAUD] [RUNS]   (defaults: build 38400 5)
set -euo pipefail
build=${1:-build}
baud=${2:-38400}
runs=${3:-5}
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
# Bytes 4-5 of a log give its header size; 0xFFFF is no log the loader takes, so the download
# does not judge the file's length against a header (random bytes could declare any length).
make_file() {
  head -c "$2" /dev/urandom >"$work/files/$1"
  printf '\377\377' | dd of="$work/files/$1" bs=1 seek=4 conv=notrunc status=none
}
make_file A_ONE.57x 128
make_file B_BIG.57x $((96 * 1024))
coproc SIM { exec "$sim" --dir "$work/files" --state "$work/state.bin" --baud "$baud" --quiet; }
simpid=$SIM_PID
read -r device <&"${SIM[0]}"

# Wall time of one command in seconds; the command must succeed.
timed() {
  local start end
  start=$(date +%s%N)
  "$cli" "$@" --port "$device" >"$work/out.txt" 2>"$work/err.txt" || {
    echo "link_overhead: meterlog2-cli $* failed:" >&2
    cat "$work/err.txt" >&2
    exit 1
  }
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.4f\n", ns / 1e9 }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

dir_times=$(for _ in $(seq "$runs"); do timed directory; done)
# What the instrument sends for `directory`: the identification and the directory with its 0xFF.
dir_bytes=$((49 + $(wc -c <"$work/out.txt") + 1))
# The directory as the instrument sends it is the CLI's listing without the entry numbers, with
# CR LF line ends and a leading CR LF: close enough for a line time of a few milliseconds.
one_times=$(for _ in $(seq "$runs"); do timed download --entry 1 -o "$work/one.57x"; done)
big_times=$(for _ in $(seq "$(((runs + 1) / 2))"); do timed download --entry 2 -o "$work/big.57x"; done)

dir_t=$(echo "$dir_times" | median)
one_t=$(echo "$one_times" | median)
big_t=$(echo "$big_times" | median)
awk -v baud="$baud" -v dir="$dir_t" -v one="$one_t" -v big="$big_t" -v dirb="$dir_bytes" \
  -v runs="$runs" 'BEGIN {
  byte = 10 / baud
  # A download: identification and directory, then packets of 133 bytes and the EOT.
  oneline = (dirb + 133 + 1) * byte
  bigline = (dirb + 768 * 133 + 1) * byte
  printf "meterlog2-sim at %d baud, medians of %d runs (%d for 96 KiB)\n", baud, runs, int((runs + 1) / 2)
  printf "directory:             %.3f s, %.3f s of it on the line: %.3f s beside the line\n", dir, dirb * byte, dir - dirb * byte
  printf "download of 1 packet:  %.3f s, %.3f s on the line: %.3f s fixed\n", one, oneline, one - oneline
  printf "download of 96 KiB:    %.3f s, %.3f s on the line: %.3f s beside the line\n", big, bigline, big - bigline
  perpacket = (big - one) / 767
  printf "per packet: %.2f ms (%.2f ms on the line); fixed part of a download: %.3f s\n", perpacket * 1000, 133 * byte * 1000, one - perpacket
}'
