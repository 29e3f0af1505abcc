#!/usr/bin/env bash
# Builds the libFuzzer targets into ./build-fuzz (clang, ASan + UBSan) and runs each for
# SECONDS (default 30) on its own working corpus, which starts from the seeds in tests/fuzz/corpus
# and keeps what earlier runs found. Prints each target's last stats line; exits nonzero when a
# target finds a crash, a leak or a time-out (the reproducer is left beside its log in
# build-fuzz/fuzz-runs/NAME/). Without clang++ there is nothing to do: exit 0.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: scripts/fuzz.sh [SECONDS]" >&2
  exit 2
fi
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz.sh: clang++ is not installed; fuzzing skipped"
  exit 0
fi

# shellcheck source=scripts/fuzz-common.sh
. scripts/fuzz-common.sh
fuzz_configure . build-fuzz
# The serial-line targets need Qt 6 SerialPort; without it only the loader.
targets=(loader)
if grep -q 'build tests/fuzz/fuzz_receive:' build-fuzz/build.ninja; then
  targets+=(receive config_reply)
fi
names=()
for t in "${targets[@]}"; do names+=("fuzz_$t"); done
cmake --build build-fuzz --parallel "$(nproc)" --target "${names[@]}"

failed=()
for t in "${targets[@]}"; do
  name="fuzz_$t"
  seeds="tests/fuzz/corpus/$(fuzz_seeds "$t")"
  run="build-fuzz/fuzz-runs/$name"
  mkdir -p "$run/corpus"
  cp -n "$seeds"/* "$run/corpus/"
  log="$run/fuzz.log"
  status=0
  fuzz_run "build-fuzz/tests/fuzz/$name" "$run/corpus" "$seconds" "$run/" >"$log" 2>&1 || status=$?
  stats=$(grep -E '^#[0-9]+.*exec/s' "$log" | tail -n 1 || true)
  printf '%-18s %s\n' "$name" "${stats:-(no stats line)}"
  if [ "$status" -ne 0 ]; then
    failed+=("$name")
    echo "---- $name failed (exit $status); the end of $log:"
    tail -n 40 "$log"
    echo "----"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: findings in: ${failed[*]} (reproducers in build-fuzz/fuzz-runs/)"
  exit 1
fi
echo "fuzz.sh: ${#targets[@]} targets, ${seconds} s each, no findings"
