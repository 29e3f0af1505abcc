#!/usr/bin/env bash
# Builds Meterlog2 (installing missing Debian packages first) and starts it on a sample log.
# Extra arguments are passed to the program instead (for example a .57x file to open).
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh
if [ $# -eq 0 ]; then
  mkdir -p build/samples
  build/cli/meterlog2-cli sample --type 4 --records 200 -o build/samples/three-phase.57x
  set -- build/samples/three-phase.57x
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the window under Xvfb (xvfb-run)." >&2
  exec xvfb-run -a build/gui/meterlog2 "$@"
fi
exec build/gui/meterlog2 "$@"
