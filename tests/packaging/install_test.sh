#!/usr/bin/env bash
# What an installation holds, installed from the build tree into a scratch root as the package
# is: the programs and their versions, the manual pages (which must render cleanly and name
# every option the programs take), the desktop entry, file type, icon and AppStream metadata
# (as their validators judge them), bash completion and the copyright file.
# Arguments: meterlog2-cli as built, the source folder, the build folder, the programs it makes.
source "$(dirname "$0")/../cli/harness.sh" "$1"
source_dir=$(realpath "$2")
build_dir=$(realpath "$3")
shift 3
programs=("$@")  # the programs this build makes
for tool in man desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIPPED: $tool is not installed (scripts/deps.sh installs it)"
    exit 77
  fi
done

root="$work/root"
DESTDIR="$root" cmake --install "$build_dir" --prefix /usr >"$work/install.log" 2>&1
check "install" test $? -eq 0
usr="$root/usr"

# The versions: each program's, the changelog's first entry and the AppStream release agree.
version=$(sed -n '1s/^meterlog2 (\([^)]*\)).*/\1/p' "$source_dir/packaging/debian/changelog")
check "changelog version" test -n "$version"
for program in "${programs[@]}"; do
  check "$program installed" test -x "$usr/bin/$program"
  # No display: --version must not need one.
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$usr/bin/$program" --version 2>"$work/err")
  check "$program --version exit" test $? -eq 0
  check "$program --version text" test "$out" = "$program $version"
  check "$program --version quiet" test ! -s "$work/err"
done
"$usr/bin/meterlog2-cli" --version >/dev/full 2>/dev/null
check "--version to a full disk fails" test $? -ne 0

# Manual pages: one each, compressed, rendered without a warning from groff or man, naming
# every option the program's own help (and, for meterlog2-cli, each command's usage) names.
options_of() {  # the options that help or usage TEXT names, one a line
  grep -oE -- '(^|[^a-zA-Z0-9-])--?[a-z][a-z-]*' | sed 's/^[^-]*//' | grep -vx -- '--no-such-option' |
    sort -u
}
for program in "${programs[@]}"; do
  page="$usr/share/man/man1/$program.1.gz"
  check "$program(1) installed" test -f "$page"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >"$work/page.txt")
  check "$program(1) renders cleanly: $warnings" test -z "$warnings"
  check "$program(1) names the program" grep -q "^NAME" "$work/page.txt"
  case $program in
    meterlog2) help="--version" ;;
    meterlog2-sim) help=$("$usr/bin/$program" --help 2>&1) ;;
    meterlog2-cli)
      help=$("$usr/bin/$program" --help 2>&1)
      for command in $(sed -n 's/^  \([a-z][a-z]*\)\( .*\)\{0,1\}$/\1/p' <<<"$help"); do
        help+=$'\n'$("$usr/bin/$program" "$command" --no-such-option 2>&1)
      done
      ;;
  esac
  # The page as text on lines too long to break an option's name.
  text=$(MANWIDTH=1000 man -l "$page" 2>/dev/null)
  for option in $(options_of <<<"$help"); do
    check "$program(1) names $option" grep -qE -- "$option([^a-z-]|$)" <<<"$text"
  done
done

# Desktop entry, file type, icon and AppStream metadata of the desktop program, as the
# validators see them.
if [[ " ${programs[*]} " == *" meterlog2 "* ]]; then
  metainfo="$usr/share/metainfo/io.github.meterlog2.meterlog2.metainfo.xml"
  check "AppStream release" grep -q "<release version=\"$version\"" "$metainfo"
  desktop="$usr/share/applications/meterlog2.desktop"
  check "desktop entry valid: $(desktop-file-validate "$desktop" 2>&1)" \
    test -z "$(desktop-file-validate "$desktop" 2>&1)"
  check "desktop entry opens logs" grep -qx "MimeType=application/x-meterlog-57x;" "$desktop"
  mime="$usr/share/mime/packages/meterlog2-mime.xml"
  check "file type for .57x" grep -q '<glob pattern="\*.57x"/>' "$mime"
  check "icon" test -f "$usr/share/icons/hicolor/scalable/apps/meterlog2.svg"
  appstreamcli validate --no-net --pedantic "$metainfo" >"$work/appstream.txt" 2>&1
  status=$?
  check "metainfo valid: $(grep -v '^$' "$work/appstream.txt" | tr '\n' ' ')" test $status -eq 0
  appstreamcli validate-tree --no-net "$root" >"$work/tree.txt" 2>&1
  status=$?
  check "installed tree valid: $(grep -v '^$' "$work/tree.txt" | tr '\n' ' ')" test $status -eq 0
  if command -v update-mime-database >/dev/null 2>&1; then
    update-mime-database "$usr/share/mime" >/dev/null 2>&1
    check "mime database knows .57x" grep -q "application/x-meterlog-57x:\*.57x" "$usr/share/mime/globs"
  fi
fi

# Completion, copyright and changelog.
check "bash completion" test -f "$usr/share/bash-completion/completions/meterlog2-cli"
check "copyright file" grep -q "^License: GPL-3+" "$usr/share/doc/meterlog2/copyright"
check "changelog" test "$(gzip -dc "$usr/share/doc/meterlog2/changelog.gz")" = \
  "$(cat "$source_dir/packaging/debian/changelog")"

finish
