#!/usr/bin/env bash
# Folder rate of `meterlog2-cli export -d` (or, with COMMAND=assess, `assess --each`): one job
# against N (default: every processor).
# Prints, for each, the wall time, the CPU time (user + system), the logs per second and the
# cores used, then the ratio of the two rates, and the same ratio as the CPU times alone predict
# it (N x the CPU time of one job / the CPU time of N jobs: what N idle processors would give,
# for a machine that others are using at the time; it leaves out waiting for the disk).
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

# best N: the run with the least wall time of $runs, as "wall user system"
best() {
  local n=$1 best="" line
  for _ in $(seq 1 "$runs"); do
    rm -rf "$work/out"
    mkdir "$work/out"
    if [ "$command" = assess ]; then
      set -- assess --each --format csv -o "$work/out/surveys.csv"
    else
      set -- export -d "$work/out"
    fi
    line=$( { TIMEFORMAT='%R %U %S'; time "$cli" "$@" --jobs "$n" "$work/logs"/*.57x; } 2>&1 )
    if [ -z "$best" ] || awk -v a="$line" -v b="$best" 'BEGIN { split(a, x, " ");
      split(b, y, " "); exit !(x[1] < y[1]) }'; then best=$line; fi
  done
  echo "$best"
}
one=$(best 1)
many=$(best "$jobs")
echo "machine: $(nproc) processors; load average $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v one="$one" -v many="$many" -v n="$jobs" -v logs="$logs" -v mb="$megabytes" -v command="$command" \
  -v records="$records" 'BEGIN {
  split(one, a, " "); split(many, b, " ");
  cpu1 = a[2] + a[3]; cpun = b[2] + b[3];
  printf "%s: %d logs of %d Three Phase Tabular records (%d MB)\n", command, logs, records, mb;
  printf "1 job:  %.2f s wall, %.2f s CPU, %.2f logs/s (%.0f MB/s), %.2f cores used\n",
    a[1], cpu1, logs / a[1], mb / a[1], cpu1 / a[1];
  printf "%d jobs: %.2f s wall, %.2f s CPU, %.2f logs/s (%.0f MB/s), %.2f cores used\n",
    n, b[1], cpun, logs / b[1], mb / b[1], cpun / b[1];
  printf "ratio: %.2f by wall time; %.2f from the CPU times (%d x %.2f s / %.2f s)\n",
    a[1] / b[1], n * cpu1 / cpun, n, cpu1, cpun }'
