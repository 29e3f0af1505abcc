#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and generates the locales they use,
# when any is missing. Needs root or sudo only then; without either it stops at once and says
# what to run. With --html-preview it adds a headless browser (chromium) for looking at the HTML
# report as a reader's browser draws it (`chromium --headless --screenshot`); no test needs it.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/apt.sh
packages=(build-essential cmake ninja-build pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-serialport-dev libqcustomplot-dev libssl-dev libpng-dev libcli11-dev
  xvfb xauth lrzsz locales
  clang libclang-rt-14-dev clang-format
  scdoc man-db bash-completion desktop-file-utils appstream
  poppler-utils)
[ "${1:-}" = --html-preview ] && packages+=(chromium)

# A locale name as `locale -a` lists it: the character set in lower case without dashes
# (de_DE.UTF-8 -> de_DE.utf8). norm() in awk, for the names on the command line and in files.
norm_awk='function norm(n,  modifier, codeset) {
  modifier = ""
  if (index(n, "@")) { modifier = substr(n, index(n, "@")); n = substr(n, 1, index(n, "@") - 1) }
  if (!index(n, ".")) return n modifier
  codeset = tolower(substr(n, index(n, ".") + 1))
  gsub(/-/, "", codeset)
  return substr(n, 1, index(n, ".") - 1) "." codeset modifier
}'
normalized() { awk -v name="$1" "$norm_awk"' BEGIN { print norm(name) }'; }
# A locale's line in /etc/locale.gen ("de_DE.UTF-8 UTF-8"), from the list of supported ones.
supported_line() {
  awk -v name="$1" "$norm_awk"' $1 == name || norm($1) == norm(name) { print; exit }' \
    /usr/share/i18n/SUPPORTED 2>/dev/null || true
}

# The locales to generate: German for the tests that check "." decimals under a comma locale,
# and the one LANG (or LC_ALL) names, so that programs started from here find it.
wanted=(de_DE.UTF-8)
for name in "${LANG:-}" "${LC_ALL:-}"; do
  case $name in "" | C | C.* | POSIX) ;; *) wanted+=("$name") ;; esac
done
generated=$(locale -a 2>/dev/null || true)
locales=()
for name in "${wanted[@]}"; do
  grep -qxF "$(normalized "$name")" <<<"$generated" || grep -qxF "$name" <<<"$generated" ||
    # (a name Debian does not support is no reason to ask for root at every run)
    { [ -f /usr/share/i18n/SUPPORTED ] && [ -z "$(supported_line "$name")" ]; } ||
    locales+=("$name")
done

mapfile -t missing < <(missing_packages "${packages[@]}")
if [ ${#missing[@]} -eq 0 ] && [ ${#locales[@]} -eq 0 ]; then
  exit 0
fi
what=""
[ ${#missing[@]} -eq 0 ] || what="these Debian packages are missing: ${missing[*]}"
[ ${#locales[@]} -eq 0 ] || what="${what:+$what; }these locales are not generated: ${locales[*]}"
root_or_stop "$what" "$PWD/scripts/deps.sh"

apt_install "${missing[@]}"

lines=()
for name in "${locales[@]}"; do
  line=$(supported_line "$name")
  if [ -z "$line" ]; then
    echo "deps.sh: the locale \"$name\" is not one that Debian supports; it is left out." >&2
    continue
  fi
  lines+=("$line")
done
if [ ${#lines[@]} -gt 0 ]; then
  echo "Generating locales: ${lines[*]%% *}"
  for line in "${lines[@]}"; do
    if grep -qxF "$line" /etc/locale.gen; then
      continue
    elif grep -qxE "# *${line//./\\.}" /etc/locale.gen; then
      as_root sed -i "s/^# *${line//./\\.}\$/$line/" /etc/locale.gen
    else
      echo "$line" | as_root tee -a /etc/locale.gen >/dev/null
    fi
  done
  as_root env LC_ALL=C.UTF-8 locale-gen >/dev/null
fi
