#!/usr/bin/env bash
# Receive throughput of `meterlog2-cli download` from meterlog2-sim paced at a given line rate
# (default 38400 baud, 10 bits a byte). Prints the file bytes per second against the line's
# limit. Usage: bench/link_throughput.sh [BUILD_DIR] [BAUD] [KIB]
set -euo pipefail
build=${1:-build}
baud=${2:-38400}
kib=${3:-96}
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
# Incompressible, fixed content: the line does not care what the bytes are.
head -c $((kib * 1024)) /dev/urandom > "$work/files/BIG.57x"
coproc SIM { exec "$sim" --dir "$work/files" --state "$work/state.bin" --baud "$baud" --quiet; }
simpid=$SIM_PID
read -r device <&"${SIM[0]}"
start=$(date +%s%N)
"$cli" download --port "$device" --entry 1 -o "$work/out.57x" 2>"$work/cli.err"
end=$(date +%s%N)
bytes=$(stat -c %s "$work/out.57x")
awk -v b="$bytes" -v ns=$((end - start)) -v baud="$baud" 'BEGIN {
  s = ns / 1e9; rate = b / s; line = baud / 10; framed = line * 128 / 133;
  printf "received %d bytes in %.2f s at %d baud\n", b, s, baud;
  printf "effective %.0f bytes/s; line limit %.0f bytes/s (%.0f%%); packet-framing limit %.0f bytes/s (%.0f%%)\n",
    rate, line, 100 * rate / line, framed, 100 * rate / framed }'
