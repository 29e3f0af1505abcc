#!/usr/bin/env bash
# The Windows check: cross-builds the core, its test suites and the Qt-free meterlog2-cli.exe
# with MinGW-w64 into build-windows/, then runs them under Wine: the core suites (the
# decimal-comma ones under Windows' German locale), the golden CSV and dump comparisons through
# the CLI (CR LF exactly once per CSV line), names with non-ASCII letters and spaces, where the
# dump file goes on Windows, and the installer recipe (install, file type, uninstall). The
# desktop program and the serial link, which need a Qt built for Windows, are compiled for
# Windows against Debian's Qt headers (syntax and types, no object code). Wine runs in a prefix
# inside build-windows/ and writes nothing into the user's home (no menu entries, no file
# types): checked at the end. Installs the cross compiler, Wine and NSIS with apt-get when
# missing. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-windows

# The counts of a ctest run from its summary line ("90% tests passed, 1 tests failed out of 9"):
# "PASSED FAILED", or nothing when the log has no summary (ctest itself failed).
ctest_counts() {  # ctest_counts LOG
  sed -nE 's/^[0-9]+% tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/p' "$1" |
    tail -1 | { read -r failed total && echo "$((total - failed)) $failed"; } || true
}
# The summary must count a failed suite: checked on a planted failure before every run (and
# alone with --check-summary).
check_summary() {
  local log
  log=$(mktemp)
  printf '%s\n' "The following tests FAILED:" "89% tests passed, 1 tests failed out of 9" > "$log"
  local counts
  counts=$(ctest_counts "$log")
  printf '%s\n' "100% tests passed, 0 tests failed out of 22" > "$log"
  counts="$counts / $(ctest_counts "$log")"
  : > "$log"
  counts="$counts / $(ctest_counts "$log")"
  rm -f "$log"
  if [ "$counts" != "8 1 / 22 0 / " ]; then
    echo "test-windows: the summary miscounts ctest's runs ($counts)" >&2
    return 1
  fi
}
check_summary
if [ "${1:-}" = --check-summary ]; then
  echo "test-windows: the summary counts ctest's runs"
  exit 0
fi

need=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || need+=(g++-mingw-w64-x86-64-posix)
command -v wine >/dev/null 2>&1 || [ -x /usr/lib/wine/wine64 ] || need+=(wine wine64)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
command -v makensis >/dev/null 2>&1 || need+=(nsis)
# The headers the desktop program and the serial link are compiled against.
qt_headers=$(find /usr/include -maxdepth 2 -name qt6 -type d -path '*-linux-gnu*' | head -1)
[ -n "$qt_headers" ] && [ -f "$qt_headers/QtSerialPort/QSerialPort" ] || need+=(qt6-base-dev qt6-serialport-dev)
[ -f /usr/include/qcustomplot.h ] || need+=(libqcustomplot-dev)
[ -f /usr/include/CLI/CLI.hpp ] || need+=(libcli11-dev)
if [ ${#need[@]} -gt 0 ]; then
  . scripts/apt.sh
  root_or_stop "these Debian packages are missing: ${need[*]}" \
    "apt-get install --no-install-recommends ${need[*]}"
  apt_install "${need[@]}"
fi
wine=$(command -v wine || echo /usr/lib/wine/wine64)

# CLI11 is header-only: its headers alone, without the rest of /usr/include (Linux's).
mkdir -p "$build/cli11" && ln -sfn /usr/include/CLI "$build/cli11/CLI"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCLI11_INCLUDE_DIR="$build/cli11" \
  -DMETERLOG2_GTEST_SOURCE=/usr/src/googletest \
  -DMETERLOG2_BUILD_GUI=OFF -DMETERLOG2_BUILD_LINK=OFF -DMETERLOG2_BUILD_BENCH=OFF \
  -DMETERLOG2_SANITIZED_TESTS=OFF "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

# A private Wine prefix, made once, and no Wine chatter in the output. Wine's menu builder is off:
# it would put the installer's shortcuts and file types into the user's own desktop menu
# (~/.local/share/applications, ~/.config/menus), pointing into this folder. Wine reads Unix
# file names and arguments in the locale's character set: UTF-8, whatever the caller's locale.
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=C.UTF-8
# What Wine could write into the home folder outside its prefix; compared at the end.
home_places=("$HOME/.local/share/applications" "$HOME/.config/menus"
  "$HOME/.local/share/desktop-directories" "$HOME/.local/share/mime" "$HOME/.local/share/icons"
  "$HOME/.wine")
home_listing() { find "${home_places[@]}" 2>/dev/null | LC_ALL=C sort || true; }
home_before=$(home_listing)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "test-windows: preparing the Wine prefix (once)"
  "$wine" wineboot --init >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
fi

# One Wine server for the whole run (each program would otherwise start its own, at a second or
# two apiece), stopped at the end.
wineserver -p 2>/dev/null || true  # (or the one already running)
# Wine's background services start with the first program and keep the descriptors it had: started
# here, they hold no test's output open.
"$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k 2>/dev/null || true' EXIT

# The suites, and the CLI's export checks against the golden CSV files, through ctest; its tests
# count in the summary with the shell checks below.
ctest_log=$build/ctest.log
ctest_status=0
(cd "$build" && ctest --output-on-failure --timeout 600) 2>&1 | tee "$ctest_log" ||
  ctest_status=$?
passed=0
failed=0
read -r passed failed <<< "$(ctest_counts "$ctest_log")" || true
passed=${passed:-0}
failed=${failed:-0}
# A ctest that failed without a summary (it could not start, or was stopped) is a failure too.
if [ "$ctest_status" -ne 0 ] && [ "$failed" -eq 0 ]; then
  failed=1
  echo "test-windows: FAILED: ctest ended with $ctest_status"
fi
check() {  # check NAME COMMAND...
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "test-windows: FAILED: $name"
  fi
}
cli=$build/cli/meterlog2-cli.exe
data=$root/tests/data
work=$build/windows-checks
rm -rf "$work"
mkdir -p "$work"
run() { "$wine" "$cli" "$@"; }

# The dump of two generated records of every log type and byte order, byte for byte (LF lines,
# as the files in tests/data/dump).
dump_matches() {  # dump_matches TYPE FORMAT
  local log=$work/type$1-$2.57x expected=$data/dump/type$1-$2.txt
  run sample --type "$1" --records 2 --data-format "$2" -o "$log" &&
    run dump "$log" -o "$work/dump.txt" && cmp -s "$work/dump.txt" "$expected" &&
    run dump "$log" >"$work/dump-stdout.txt" && cmp -s "$work/dump-stdout.txt" "$expected"
}
for type in 1 2 3 4 5 6; do
  for format in 1 256; do
    check "dump of type $type, data format $format" dump_matches "$type" "$format"
  done
done

# CSV to standard output: CR LF once per line, never CR CR LF.
csv_lines_end_once() {
  run export "$data/csv/type4_0001.57x" >"$work/stdout.csv" &&
    cmp -s "$work/stdout.csv" "$data/csv/type4_0001.csv" &&
    ! grep -q $'\r\r' "$work/stdout.csv" &&
    [ "$(grep -c $'\r$' "$work/stdout.csv")" -eq "$(wc -l <"$work/stdout.csv")" ]
}
check "CSV to standard output ends each line with one CR LF" csv_lines_end_once

# A folder and file names with non-ASCII letters and spaces, given in Windows form.
unicode_paths() {
  local folder="$work/Messungen Müller" winfolder
  mkdir -p "$folder"
  winfolder=$("$wine" winepath -w "$folder" 2>/dev/null | tr -d '\r')
  [ -n "$winfolder" ] || return 1
  run sample --type 4 --records 3 -o "$winfolder\\Größe 1.57x" &&
    [ -s "$folder/Größe 1.57x" ] &&
    run info "$winfolder\\Größe 1.57x" >"$work/info.txt" &&
    grep -q "Records: 3" "$work/info.txt" &&
    run dump "$winfolder\\Größe 1.57x" -o "$winfolder\\Größe 1 – dump.txt" &&
    [ -s "$folder/Größe 1 – dump.txt" ] &&
    run export "$winfolder\\Größe 1.57x" -o "$winfolder\\Größe 1.csv" &&
    [ -s "$folder/Größe 1.csv" ] &&
    run export "$winfolder\\Größe 1.57x" -d "$winfolder" &&
    run stats "$winfolder\\Größe 1.57x" -o "$winfolder\\Größe 1 stats.csv" &&
    [ -s "$folder/Größe 1 stats.csv" ] &&
    # A message names the file as it was typed.
    ! run info "$winfolder\\Nicht da ü.57x" 2>"$work/missing.txt" &&
    grep -qF "Nicht da ü.57x" "$work/missing.txt" &&
    # Nothing half-written is left behind.
    [ "$(find "$folder" -name '.*.tmp' | wc -l)" -eq 0 ]
}
check "non-ASCII folder and file names" unicode_paths

# Tests that skip themselves on other systems (or without a German locale) must pass here, not
# skip: gtest_passes PROGRAM FILTER COUNT.
gtest_passes() {
  "$wine" "$build/tests/$1" --gtest_filter="$2" >"$work/gtest.txt" 2>&1 &&
    grep -q "\[  PASSED  \] $3 test" "$work/gtest.txt" && ! grep -q SKIPPED "$work/gtest.txt"
}

# The dump file's place on Windows: the root of drive C, appended in text mode, or the user's
# own folder when C:\ may not be written (the desktop program's writer, which is standard C++).
check "the dump file is C:\\meterlog2_dump.txt, or the user's own when C:\\ is closed" \
  gtest_passes app/dump_file_tests.exe 'DumpFile.*Windows*' 2

# The installer recipe (cmake/PackagingWindows.cmake), for what this build holds: made with CPack
# and makensis (64-bit, as Wine here has no 32-bit side), installed silently, and uninstalled.
# This build has no desktop program (it needs a Qt built for Windows: the Visual Studio build of
# docs/windows.md), so its installer must make no Start menu entry and no file type for it.
installer_round_trip() {
  local out=$build/installer appdata programs menu setup
  local classes='HKCU\Software\Classes' vendor='HKCU\Software\Meterlog2 developers'
  local uninstall='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Meterlog2'
  rm -rf "$out"
  (cd "$build" && cpack -G NSIS -B "$out" -D "CPACK_NSIS_DEFINES=Target amd64-unicode") \
    >"$work/cpack.txt" 2>&1 || return 1
  setup=$(find "$out" -maxdepth 1 -name 'meterlog2-*-win64.exe' | head -1)
  [ -n "$setup" ] || return 1
  "$wine" "$setup" /S || return 1
  appdata=$("$wine" cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')
  programs=$("$wine" winepath -u "$appdata\\Programs\\Meterlog2" 2>/dev/null | tr -d '\r')
  menu=$("$wine" winepath -u "$("$wine" cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs" 2>/dev/null | tr -d '\r')
  [ -f "$programs/bin/meterlog2-cli.exe" ] && [ ! -e "$programs/bin/meterlog2.exe" ] &&
    [ -f "$menu/Meterlog ${version}/Uninstall.lnk" ] &&
    [ ! -e "$menu/Meterlog ${version}/Meterlog.lnk" ] &&
    ! "$wine" reg query "$classes\\.57x" >/dev/null 2>&1 &&
    "$wine" reg query "$vendor\\Meterlog2" >/dev/null 2>&1 &&
    "$wine" reg query "$uninstall" >/dev/null 2>&1 || return 1
  # Uninstalled: files, Start menu folder, uninstall entry and the installer's keys gone.
  "$wine" "$programs/Uninstall.exe" /S _?="$appdata\\Programs\\Meterlog2"
  rm -f "$programs/Uninstall.exe"  # run in place (_?=), it cannot delete itself
  [ ! -e "$programs/bin" ] && [ ! -e "$menu/Meterlog ${version}" ] &&
    ! "$wine" reg query "$vendor" >/dev/null 2>&1 &&
    ! "$wine" reg query "$uninstall" >/dev/null 2>&1
}
if command -v makensis >/dev/null 2>&1; then
  check "the installer installs meterlog2-cli.exe for the user and uninstalls every key it made" \
    installer_round_trip
  echo "test-windows: the installer of this build holds meterlog2-cli.exe alone; the desktop" \
    "program, its Start menu entry and the .57x file type come with the Visual Studio build"
fi

# The desktop program and the serial link, compiled for Windows (_WIN32, Q_OS_WIN and the
# Windows API of MinGW-w64) against Debian's Qt 6 headers: every source of gui/, link/ and
# cli/ with the link and the plots, so that the Windows-only branches (the file type, the
# mutex, the lock keys, the registry settings, UTF-16 paths, COM1..COM32, draining the port,
# the console for --version) are at least checked for syntax and types. Nothing is linked, as
# Debian has no Qt for Windows.
windows_syntax() {
  local flags=(-std=c++20 -fsyntax-only -Wall -Wextra -Werror -Wno-restrict -DUNICODE -D_UNICODE
    -DMETERLOG2_WITH_LINK=1 -DMETERLOG2_WITH_PLOT=1 "-DMETERLOG2_VERSION_STRING=\"$version\""
    -DMETERLOG2_VERSION_MAJOR=0 -DMETERLOG2_VERSION_MINOR=0 -DMETERLOG2_VERSION_PATCH=0
    -DMETERLOG2_VERSION_TWEAK=0 -I"$root/core" -I"$root" -I"$root/gui" -isystem "$qt_headers")
  local module headers=$work/qcustomplot
  for module in QtCore QtGui QtWidgets QtSerialPort QtPrintSupport; do
    flags+=(-isystem "$qt_headers/$module")
  done
  # qcustomplot.h alone: the rest of /usr/include is the Linux C library's.
  mkdir -p "$headers" && ln -sf /usr/include/qcustomplot.h "$headers/" && flags+=(-isystem "$headers")
  flags+=(-isystem "$build/cli11")  # CLI11's headers (above)
  local sources
  sources=$(cd "$root" && find gui link cli -name '*.cpp' | LC_ALL=C sort)
  echo "test-windows: compiling $(wc -l <<<"$sources") sources of the desktop program, the link" \
    "and the CLI for Windows against Qt's headers"
  # shellcheck disable=SC2016
  (cd "$root" && xargs -P "$(nproc)" -n 1 sh -c '"$0" "$@" || exit 255' \
    x86_64-w64-mingw32-g++-posix "${flags[@]}" <<<"$sources")
}
check "the desktop program, the serial link and the CLI compile for Windows" windows_syntax

# The decimal-comma checks ran under Windows' own name for the German locale, not skipped.
check "text under German_Germany.1252" gtest_passes text/text_tests.exe '*DecimalComma*' 1
check "queries under German_Germany.1252" gtest_passes log/log_tests.exe '*ProcessLocale*' 1
check "dialog numbers under German_Germany.1252" \
  gtest_passes config/config_tests.exe '*CommaLocale*' 1
check "golden CSV under German_Germany.1252" \
  gtest_passes table/table_tests.exe '*GermanLocale*' 1

# Nothing of Wine's reached the home folder: no menu entries, file types or icons. The server
# was made persistent above, so it is ended here rather than waited for (it would never end).
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
home_untouched() {
  local after
  after=$(home_listing)
  [ "$after" = "$home_before" ] && return 0
  echo "test-windows: written into $HOME:"
  diff <(echo "$home_before") <(echo "$after") | sed -n 's/^> /  /p'
  return 1
}
check "Wine wrote nothing into the home folder" home_untouched

echo "test-windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
