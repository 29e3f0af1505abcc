#!/usr/bin/env bash
# Folder rate of `meterlog2-cli export -d` (or, with COMMAND=assess, `assess --each`): one job
# against N (default: every processor). Prints, for each, the wall time, the CPU time (user +
# system) and the logs per second, then the ratio of the two rates. On a machine others are
# using at the time the wall times say little, so it also prints the ratio the CPU times predict
# for idle processors: the one job's CPU time against the longest path through the N jobs (the
# busiest worker thread's CPU time plus the main thread's), each thread's time read from
# /proc while the program runs. Waiting for a disk is not in that figure.
# Usage: bench/folder_throughput.sh [BUILD_DIR] [LOGS] [RECORDS] [FOLDER]
#   LOGS Three Phase Tabular logs of RECORDS records each (default 20 of 5000, 15 MB each) are
#   written into FOLDER and exported there (default: a new folder in /dev/shm, where the disk's
#   speed stays out of the figure; name a folder on a disk to include it). JOBS=N, RUNS=R (the
#   best of R runs, default 3) and COMMAND=export|assess in the environment change the rest.
set -euo pipefail
build=${1:-build}
logs=${2:-20}
records=${3:-5000}
base=${4:-}
jobs=${JOBS:-$(nproc)}
runs=${RUNS:-3}
command=${COMMAND:-export}
cli="$build/cli/meterlog2-cli"
if [ -z "$base" ]; then
  if [ -d /dev/shm ]; then base=/dev/shm; else base=${TMPDIR:-/tmp}; fi
fi
work=$(mktemp -d "$base/meterlog2-folder-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/logs"
for i in $(seq 1 "$logs"); do
  "$cli" sample --type 4 --records "$records" --seed "$i" -o "$work/logs/survey$i.57x"
done
cat "$work/logs"/*.57x > /dev/null  # in the page cache, as a folder read twice would be
megabytes=$(du -sm "$work/logs" | cut -f1)
ticks=$(getconf CLK_TCK)

# measure N: one run as "wall cpu longest" in seconds
measure() {
  local n=$1 start end pid
  rm -rf "$work/out"
  mkdir "$work/out"
  if [ "$command" = assess ]; then
    set -- assess --each --format csv -o "$work/out/surveys.csv"
  else
    set -- export -d "$work/out"
  fi
  start=$(date +%s%N)
  "$cli" "$@" --jobs "$n" "$work/logs"/*.57x &
  pid=$!
  # Each thread's user + system ticks, the last seen before it ended.
  : > "$work/threads"
  while kill -0 "$pid" 2> /dev/null; do
    cat /proc/"$pid"/task/*/stat >> "$work/threads" 2> /dev/null || true
    sleep 0.02
  done
  wait "$pid"
  end=$(date +%s%N)
  awk -v ns=$((end - start)) -v main="$pid" -v hz="$ticks" '
    { t[$1] = $14 + $15 }
    END { for (id in t) { all += t[id]; if (id != main && t[id] > busiest) busiest = t[id] }
          printf "%.3f %.3f %.3f\n", ns / 1e9, all / hz, (t[main] + busiest) / hz }' "$work/threads"
}
# best N: the run with the least CPU time on its longest path of $runs
best() {
  local best="" line
  for _ in $(seq 1 "$runs"); do
    line=$(measure "$1")
    if [ -z "$best" ] || awk -v a="$line" -v b="$best" 'BEGIN { split(a, x, " ");
      split(b, y, " "); exit !(x[3] < y[3]) }'; then best=$line; fi
  done
  echo "$best"
}
one=$(best 1)
many=$(best "$jobs")
echo "machine: $(nproc) processors; load average $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v one="$one" -v many="$many" -v n="$jobs" -v logs="$logs" -v mb="$megabytes" \
  -v records="$records" -v command="$command" 'BEGIN {
  split(one, a, " "); split(many, b, " ");
  printf "%s: %d logs of %d Three Phase Tabular records (%d MB)\n", command, logs, records, mb;
  printf "1 job:  %.2f s wall, %.2f s CPU: %.2f logs/s by wall time, %.2f by CPU time\n",
    a[1], a[2], logs / a[1], logs / a[3];
  printf "%d jobs: %.2f s wall, %.2f s CPU, %.2f s on the longest path: %.2f logs/s by wall time, %.2f by CPU time\n",
    n, b[1], b[2], b[3], logs / b[1], logs / b[3];
  printf "ratio: %.2f by wall time; %.2f by CPU time (%.2f s / %.2f s)\n",
    a[1] / b[1], a[3] / b[3], a[3], b[3] }'
