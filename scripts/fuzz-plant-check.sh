#!/usr/bin/env bash
# Shows that the fuzz targets' oracles catch a real fault: for each plant in tests/fuzz/plants/
# (NAME.patch or NAME-WHAT.patch plants a fault for fuzz_NAME), applies it to a scratch copy of
# the tree, builds that target there (clang, ASan + UBSan, as scripts/fuzz.sh does), runs it from
# a copy of its seeds for up to SECONDS, and reports whether the target's own oracle stopped it,
# after how long and how many executions, with the oracle's message. The working tree is never
# touched.
#
#   scripts/fuzz-plant-check.sh [-s SECONDS] [-c SECONDS] [-k] [PLANT...]
#     -s  how long each planted target may run (default 120)
#     -c  first run each target unplanted for this long, which must find nothing (default: no)
#     -k  keep the scratch tree (build-fuzz/plant-check/tree) for another look
#     PLANT  loader, receive, receive-crc, config_reply (default: every plant)
#
# Not part of ctest or test.sh: the first build takes minutes (less with ccache), each run up to
# SECONDS. Logs and reproducers stay in build-fuzz/plant-check/runs/PLANT/. Exit status 0 when
# every plant was caught by its oracle, 1 when one was not (or the unplanted target failed),
# 2 when the check could not be made.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
# shellcheck source=scripts/fuzz-common.sh
. scripts/fuzz-common.sh

usage() {
  echo "usage: scripts/fuzz-plant-check.sh [-s SECONDS] [-c SECONDS] [-k] [PLANT...]" >&2
  exit 2
}
seconds=120
control=0
keep=0
while getopts "s:c:k" option; do
  case "$option" in
    s) seconds=$OPTARG ;;
    c) control=$OPTARG ;;
    k) keep=1 ;;
    *) usage ;;
  esac
done
shift $((OPTIND - 1))
for n in "$seconds" "$control"; do [[ "$n" =~ ^[0-9]+$ ]] || usage; done
[ "$seconds" -gt 0 ] || usage
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz-plant-check: clang++ is not installed" >&2
  exit 2
fi

plants=("$@")
if [ ${#plants[@]} -eq 0 ]; then
  for p in tests/fuzz/plants/*.patch; do plants+=("$(basename "$p" .patch)"); done
fi
for plant in "${plants[@]}"; do
  [ -f "tests/fuzz/plants/$plant.patch" ] || {
    echo "fuzz-plant-check: no plant tests/fuzz/plants/$plant.patch" >&2
    exit 2
  }
done

# The scratch tree lies under build-fuzz so that a compiler cache with its base folder above
# the checkout (CCACHE_BASEDIR) serves it from the regular fuzz build.
work="$root/build-fuzz/plant-check"
tree="$work/tree"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR=1
# git apply in the scratch tree works on plain files: no repository is looked for above it.
export GIT_CEILING_DIRECTORIES="$work"
cleanup() { if [ "$keep" = 0 ]; then rm -rf "$tree"; fi; }
trap cleanup EXIT

rm -rf "$tree"
mkdir -p "$tree"
# The tree as it is now: tracked files with their changes, and new files not ignored.
git ls-files -z --cached --others --exclude-standard |
  tar --null --ignore-failed-read -T - -cf - | tar -xf - -C "$tree"
fuzz_configure "$tree" "$tree/build-fuzz"

build() {
  nice cmake --build "$tree/build-fuzz" --parallel "${METERLOG2_PLANT_JOBS:-2}" --target "$1" \
    >"$work/build.log" 2>&1 || {
    echo "fuzz-plant-check: $1 does not build; see $work/build.log" >&2
    tail -n 20 "$work/build.log" >&2
    exit 2
  }
}

# Runs fuzz_NAME from its seeds for SECONDS into runs/LABEL; sets status, elapsed,
# executions and message (the oracle's line, empty when it said nothing).
run() {
  local name=$1 label=$2 limit=$3
  local target="fuzz_$name" dir="$work/runs/$label"
  rm -rf "$dir"
  mkdir -p "$dir/corpus"
  cp "tests/fuzz/corpus/$(fuzz_seeds "$name")"/* "$dir/corpus/"
  local start end
  start=$(date +%s%N)
  status=0
  fuzz_run "$tree/build-fuzz/tests/fuzz/$target" "$dir/corpus" "$limit" "$dir/" \
    >"$dir/fuzz.log" 2>&1 || status=$?
  end=$(date +%s%N)
  elapsed=$(awk -v ns="$((end - start))" 'BEGIN { printf "%.1f", ns / 1e9 }')
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/fuzz.log" | tail -n 1)
  message=$(grep -m 1 "^$target: " "$dir/fuzz.log" || true)
  log="$dir/fuzz.log"
}

missed=()
for plant in "${plants[@]}"; do
  name="${plant%%-*}"
  target="fuzz_$name"
  patch="$root/tests/fuzz/plants/$plant.patch"
  if ! grep -q "build tests/fuzz/$target:" "$tree/build-fuzz/build.ninja"; then
    echo "$target: not built here (Qt 6 SerialPort missing?); skipped"
    continue
  fi
  expect=$(sed -n 's/^Expect: //p' "$patch" | head -n 1)
  if [ "$control" -gt 0 ]; then
    build "$target"
    run "$name" "$plant-clean" "$control"
    if [ "$status" -ne 0 ]; then
      echo "$target: unplanted, it already fails after ${elapsed} s (exit $status):" \
      "${message:-see $log}"
      missed+=("$plant")
      continue
    fi
    echo "$target: unplanted, ${executions:-?} executions in ${elapsed} s, no finding"
  fi
  (cd "$tree" && git apply "$patch") || {
    echo "fuzz-plant-check: $plant.patch no longer applies to this tree; update it" >&2
    exit 2
  }
  build "$target"
  run "$name" "$plant" "$seconds"
  (cd "$tree" && git apply -R "$patch")
  if [ "$status" -ne 0 ] && [ -n "$message" ]; then
    how="caught"
    [ -n "$expect" ] && [[ "$message" != *"$expect"* ]] && how="caught, not by the expected check"
    echo "$target: planted fault $how after ${elapsed} s, ${executions:-?} executions"
    echo "    $message"
  elif [ "$status" -ne 0 ]; then
    echo "$target: planted fault NOT caught by the oracle; the target failed otherwise (exit" \
      "$status) after ${elapsed} s; see $log"
    missed+=("$plant")
  else
    echo "$target: planted fault NOT caught in ${elapsed} s (${executions:-?} executions)"
    missed+=("$plant")
  fi
done

if [ ${#missed[@]} -gt 0 ]; then
  echo "fuzz-plant-check: not caught: ${missed[*]} (logs in build-fuzz/plant-check/runs/)"
  exit 1
fi
echo "fuzz-plant-check: every plant caught by its oracle"
