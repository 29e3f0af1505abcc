# Sourced by the scripts that install Debian packages (deps.sh, package.sh, test-windows.sh).
#
#   missing_packages PACKAGE...   prints those of them that are not installed, one a line
#   root_or_stop WHAT RUN         returns when the script can act as root (it is root, or sudo
#                                 lets this user act as root: without a password, or after asking
#                                 for it on a terminal); otherwise stops the script at once, saying
#                                 what is missing (WHAT) and what to run as root instead (RUN)
#   as_root COMMAND...            runs COMMAND as root, through sudo when needed
#   apt_install PACKAGE...        installs them with apt-get, quietly: one line before, apt's
#                                 own output only when it fails
#
# apt-get and the package scripts run in the C.UTF-8 locale, which every Debian system has: a
# LANG that names a locale not generated yet would otherwise fill the output with perl's
# "Setting locale failed" warnings.

missing_packages() {
  local p
  for p in "$@"; do
    # (a package whose triggers are still to run, while another apt-get works, is installed)
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null |
      grep -qE "install ok (installed|triggers-pending|triggers-awaited)" || echo "$p"
  done
}

root_or_stop() {
  local what=$1 run=$2 why="has no sudo"
  [ "$(id -u)" -eq 0 ] && return 0
  if command -v sudo >/dev/null 2>&1; then
    # Whether sudo will work is found out before anything relies on it: at once when it needs
    # no password; on a terminal by asking for it (sudo says itself when the user may not).
    sudo -n true >/dev/null 2>&1 && return 0
    if [ -t 0 ]; then
      echo "$(basename "$0"): $what; installing that needs root (sudo):" >&2
      sudo -v && return 0
    fi
    why="may not use sudo here"
  fi
  cat >&2 <<EOF
$(basename "$0"): $what
Installing that needs root, and this user is not root and $why. Either run, as root:
    su -c '$run'
and then this command again, or install sudo and allow this user to use it (as root:
apt-get install sudo && adduser $(id -un) sudo, then log in again).
EOF
  exit 1
}

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  else
    sudo "$@"
  fi
}

apt_install() {
  [ $# -gt 0 ] || return 0
  local log
  log=$(mktemp)
  echo "Installing Debian packages (a few minutes the first time): $*"
  if ! as_root env LC_ALL=C.UTF-8 LANG=C.UTF-8 LANGUAGE= DEBIAN_FRONTEND=noninteractive \
      apt-get update -qq >"$log" 2>&1 ||
    ! as_root env LC_ALL=C.UTF-8 LANG=C.UTF-8 LANGUAGE= DEBIAN_FRONTEND=noninteractive \
      apt-get install -y -qq --no-install-recommends "$@" >>"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "$(basename "$0"): apt-get could not install: $*" >&2
    return 1
  fi
  rm -f "$log"
}
