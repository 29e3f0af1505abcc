#!/usr/bin/env bash
# Builds Meterlog2 (installing missing Debian packages first), checks the sources' layout with
# clang-format and runs every test, then the fuzz targets for a short while.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
# The layout first: a source that clang-format would change fails the run (CI included).
scripts/check-format.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure --parallel "$(nproc)" --timeout 300
cd ..
# TEST_WINDOWS=1: also the Windows check, the core and CLI cross-built with MinGW-w64 and run
# under Wine (scripts/test-windows.sh; docs/windows.md).
if [ "${TEST_WINDOWS:-0}" = 1 ]; then
  scripts/test-windows.sh
fi
# A short run of every fuzz target (about 90 s after its build); METERLOG2_SKIP_FUZZ=1 leaves it out.
if [ "${METERLOG2_SKIP_FUZZ:-0}" != 1 ] && [ -x scripts/fuzz.sh ] && command -v clang++ >/dev/null 2>&1; then
  scripts/fuzz.sh 30
fi
