#!/usr/bin/env bash
# Runs PROGRAM [ARGS...] on a virtual screen (Xvfb) of its own and ends the screen after it.
#   scripts/virtual-screen.sh build/gui/meterlog2 FILE.57x
# The screen runs in a session of its own, so that Ctrl+C in this terminal reaches the program
# alone: the program closes its window and exits (130), and only then does the screen go. (A
# screen in the terminal's process group would take the Ctrl+C too and vanish under the program,
# which would then say that its X11 connection broke.) Prints how to picture the screen.
set -euo pipefail
if [ $# -eq 0 ]; then
  echo "usage: scripts/virtual-screen.sh PROGRAM [ARGS...]" >&2
  exit 2
fi
for tool in Xvfb xauth mcookie setsid; do
  if ! command -v "$tool" > /dev/null 2>&1; then
    echo "virtual-screen: $tool is missing (scripts/deps.sh installs it)" >&2
    exit 1
  fi
done

# A free display number, and an authority file that only this user may read.
display=99
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
  display=$((display + 1))
done
folder=$(mktemp -d)
auth=$folder/Xauthority
: > "$auth"
xauth -q -f "$auth" add ":$display" . "$(mcookie)"

setsid Xvfb ":$display" -screen 0 1400x900x24 -nolisten tcp -auth "$auth" \
  > "$folder/xvfb.log" 2>&1 < /dev/null &
screen=$!
end_screen() {
  kill "$screen" 2> /dev/null || true
  wait "$screen" 2> /dev/null || true
  rm -rf "$folder"
}
trap end_screen EXIT
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  if ! kill -0 "$screen" 2> /dev/null; then
    echo "virtual-screen: Xvfb did not start:" >&2
    cat "$folder/xvfb.log" >&2
    exit 1
  fi
  sleep 0.1
done

if command -v import > /dev/null 2>&1; then
  shot="import -window root shot.png"
else
  shot="import -window root shot.png (ImageMagick: apt-get install imagemagick)"
fi
cat >&2 << EOF
No display found: Meterlog runs on the virtual screen :$display (Xvfb), where it cannot be seen.
  Stop it:             Ctrl+C here (the program closes its window and exits)
  Picture the screen:  DISPLAY=:$display XAUTHORITY=$auth $shot
  Pictures of the program on a sample log, without any display:
    QT_QPA_PLATFORM=offscreen build/tools/screenshots/gui_screenshot OUT.png [trend|spectrum|waveform|phasor|columns]
EOF
# Not exec: the screen is ended once the program is gone, however it ended.
status=0
DISPLAY=":$display" XAUTHORITY="$auth" "$@" || status=$?
exit "$status"
