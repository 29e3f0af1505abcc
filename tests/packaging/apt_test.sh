#!/usr/bin/env bash
# scripts/apt.sh's root_or_stop for a user who is not root: with a sudo that lets the user in
# without a password it goes on; with a sudo that refuses (not in sudoers, or a password nobody
# can type here) it stops at once with the `su -c` advice, and nothing after it runs. `id` and
# `sudo` are stand-ins on the PATH. Argument: the sources' folder.
root=$1
source "$root/tests/cli/harness.sh" "$(command -v true)"
mkdir -p "$work/bin"
printf '%s\n' '#!/bin/sh' \
  '[ "$1" = -u ] && { echo 1000; exit 0; }' \
  '[ "$1" = -un ] && { echo alice; exit 0; }' \
  'exec /usr/bin/id "$@"' > "$work/bin/id"
chmod +x "$work/bin/id"
run_with_sudo() {  # run_with_sudo EXIT-STATUS-OF-SUDO: root_or_stop's output and status
  printf '#!/bin/sh\necho "alice is not in the sudoers file." >&2\nexit %s\n' "$1" > "$work/bin/sudo"
  chmod +x "$work/bin/sudo"
  PATH="$work/bin:$PATH" bash -c ". '$root/scripts/apt.sh'; root_or_stop 'packages are missing' 'scripts/deps.sh'; echo went on" \
    < /dev/null > "$work/out.txt" 2>&1
}
run_with_sudo 0
check "a sudo that lets the user in: goes on" test $? -eq 0
check "a sudo that lets the user in: went on" grep -qx "went on" "$work/out.txt"
run_with_sudo 1
check "a sudo that refuses: stops with 1" test $? -eq 1
check "a sudo that refuses: nothing after it ran" test -z "$(grep -x "went on" "$work/out.txt")"
check "a sudo that refuses: the su -c advice" grep -q "su -c 'scripts/deps.sh'" "$work/out.txt"
check "a sudo that refuses: says why" grep -q "may not use sudo here" "$work/out.txt"
finish
