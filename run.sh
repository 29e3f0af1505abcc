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
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/gui/meterlog2 "$@"
fi

# No display: the window opens on a virtual screen (Xvfb) of its own, where nobody sees it; the
# script says how to look at it and how to stop it. Ctrl+C reaches the program alone, which
# closes its window and exits (130); the screen ends after it.
exec scripts/virtual-screen.sh build/gui/meterlog2 "$@"
