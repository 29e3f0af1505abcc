#!/usr/bin/env bash
# ./run.sh without a display: the program on a virtual screen of its own (scripts/virtual-screen.sh)
# and Ctrl+C typed in its terminal, driven through a pseudo-terminal. Each time the program alone
# takes the Ctrl+C: it exits with 130, says nothing of a broken X11 connection, and the screen is
# ended after it. Arguments: the desktop program, the command-line tool, the sources' folder.
source "$(dirname "$0")/../cli/harness.sh" "$2"
program=$(realpath "$1")
root=$3
for tool in script Xvfb xauth mcookie setsid; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
"$cli" sample --type 4 --records 50 -o "$work/three-phase.57x"
unset DISPLAY WAYLAND_DISPLAY
for run in 1 2 3; do
  (sleep 3; printf '\003'; sleep 8) |
    script -qefc "$root/scripts/virtual-screen.sh $program $work/three-phase.57x" "$work/typescript" > /dev/null 2>&1
  status=$?
  display=$(grep -ao 'virtual screen :[0-9]*' "$work/typescript" | head -1 | cut -d: -f2)
  check "run $run: the program exits with 130" test $status -eq 130
  check "run $run: no broken X11 connection" test -z "$(grep -a 'X11 connection' "$work/typescript")"
  check "run $run: the screen was named" test -n "$display"
  check "run $run: the screen ended after the program" test ! -e "/tmp/.X$display-lock"
done

finish
