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

# No display: the window opens on a virtual screen (Xvfb), where nobody sees it. Say how to look
# at it and how to stop it; the program ends when its window closes, and xvfb-run with it.
auth=$PWD/build/xvfb-auth
if command -v import >/dev/null 2>&1; then
  shot="import -window root shot.png"
else
  shot="import -window root shot.png (ImageMagick: apt-get install imagemagick)"
fi
# shellcheck disable=SC2016  # expanded by the shell that xvfb-run starts
exec xvfb-run -a -f "$auth" -s "-screen 0 1400x900x24" bash -c '
  cat >&2 <<EOF
No display found: Meterlog runs on the virtual screen $DISPLAY (Xvfb), where it cannot be seen.
  Stop it:             Ctrl+C here (the program closes its window and exits)
  Picture the screen:  DISPLAY=$DISPLAY XAUTHORITY=$1 $2
  Pictures of the program on a sample log, without any display:
    QT_QPA_PLATFORM=offscreen build/tools/screenshots/gui_screenshot OUT.png [trend|spectrum|waveform|phasor|columns]
EOF
  shift 2
  exec build/gui/meterlog2 "$@"' run.sh "$auth" "$shot" "$@"
