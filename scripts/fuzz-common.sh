# shellcheck shell=bash
# Sourced by fuzz.sh and fuzz-plant-check.sh: how a fuzz build is configured, which seeds each
# target starts from, and how a target is run.

# fuzz_configure SOURCE BUILD: clang, ASan + UBSan, the fuzz targets and nothing else.
fuzz_configure() {
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMETERLOG2_FUZZ=ON -DMETERLOG2_BUILD_TESTS=OFF -DMETERLOG2_BUILD_BENCH=OFF \
    -DMETERLOG2_BUILD_GUI=OFF -DMETERLOG2_SANITIZED_TESTS=OFF >/dev/null
}

# fuzz_seeds NAME: the folder under tests/fuzz/corpus that fuzz_NAME starts from.
fuzz_seeds() {
  case "$1" in
    config_reply) echo config ;;
    *) echo "$1" ;;
  esac
}

# fuzz_run PROGRAM CORPUS SECONDS ARTIFACT_PREFIX: one run; its status is the target's.
fuzz_run() {
  UBSAN_OPTIONS="print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}" \
    "$1" "$2" -max_total_time="$3" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$4"
}
