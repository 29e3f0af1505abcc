#!/usr/bin/env bash
# The Windows check: cross-builds the core, its test suites and the Qt-free meterlog2-cli.exe
# with MinGW-w64 into build-windows/, then runs them under Wine: the core suites, the golden CSV
# and dump comparisons through the CLI (CR LF exactly once per CSV line), names with non-ASCII
# letters and spaces, where the dump file goes on Windows, and the installer recipe (install,
# file type, uninstall). Installs the cross compiler, Wine and NSIS with apt-get when missing.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-windows

need=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || need+=(g++-mingw-w64-x86-64-posix)
command -v wine >/dev/null 2>&1 || [ -x /usr/lib/wine/wine64 ] || need+=(wine wine64)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
command -v makensis >/dev/null 2>&1 || need+=(nsis)
if [ ${#need[@]} -gt 0 ]; then
  . scripts/apt.sh
  root_or_stop "these Debian packages are missing: ${need[*]}" \
    "apt-get install --no-install-recommends ${need[*]}"
  apt_install "${need[@]}"
fi
wine=$(command -v wine || echo /usr/lib/wine/wine64)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DMETERLOG2_GTEST_SOURCE=/usr/src/googletest \
  -DMETERLOG2_BUILD_GUI=OFF -DMETERLOG2_BUILD_LINK=OFF -DMETERLOG2_BUILD_BENCH=OFF \
  -DMETERLOG2_SANITIZED_TESTS=OFF "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"

# A private Wine prefix, made once, and no Wine chatter in the output. Wine reads Unix file names
# and arguments in the locale's character set: UTF-8, whatever the caller's locale.
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=C.UTF-8
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

failures=0
# The suites, and the CLI's export checks against the golden CSV files, through ctest.
(cd "$build" && ctest --output-on-failure --timeout 600) || failures=$((failures + 1))

# The shell checks below, counted like ctest's.
passed=0
failed=0
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

# The dump file's place on Windows: the root of drive C, appended in text mode (the desktop
# program's writer, which is standard C++, run here; skipped elsewhere, so it must pass, not skip).
dump_path_rule() {
  "$wine" "$build/tests/app/dump_file_tests.exe" --gtest_filter='DumpFile.*Windows*' \
    >"$work/dumpfile.txt" 2>&1 &&
    grep -q '\[  PASSED  \] 1 test' "$work/dumpfile.txt" && ! grep -q SKIPPED "$work/dumpfile.txt"
}
check "the dump file is C:\\meterlog2_dump.txt" dump_path_rule

# The installer recipe (cmake/PackagingWindows.cmake), for what this build holds: made with CPack
# and makensis (64-bit, as Wine here has no 32-bit side), installed silently, and uninstalled.
installer_round_trip() {
  local out=$build/installer appdata programs classes
  rm -rf "$out"
  (cd "$build" && cpack -G NSIS -B "$out" -D "CPACK_NSIS_DEFINES=Target amd64-unicode") \
    >"$work/cpack.txt" 2>&1 || return 1
  local setup
  setup=$(find "$out" -maxdepth 1 -name 'meterlog2-*-win64.exe' | head -1)
  [ -n "$setup" ] || return 1
  "$wine" "$setup" /S || return 1
  appdata=$("$wine" cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')
  programs=$("$wine" winepath -u "$appdata\\Programs\\Meterlog2" 2>/dev/null | tr -d '\r')
  classes='HKCU\Software\Classes'
  [ -f "$programs/bin/meterlog2-cli.exe" ] &&
    "$wine" reg query "$classes\\.57x" 2>/dev/null | tr -d '\r' | grep -q 'Meterlog.Document' &&
    "$wine" reg query "$classes\\Meterlog.Document\\shell\\open\\command" 2>/dev/null |
    tr -d '\r' | grep -qF "\"$appdata\\Programs\\Meterlog2\\bin\\meterlog2.exe\" \"%1\"" &&
    "$wine" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Meterlog2' \
      >/dev/null 2>&1 || return 1
  # Uninstalled: files, file type and uninstall entry gone.
  "$wine" "$programs/Uninstall.exe" /S _?="$appdata\\Programs\\Meterlog2"
  rm -f "$programs/Uninstall.exe"  # run in place (_?=), it cannot delete itself
  [ ! -e "$programs/bin" ] &&
    ! "$wine" reg query "$classes\\.57x" >/dev/null 2>&1 &&
    ! "$wine" reg query "$classes\\Meterlog.Document" >/dev/null 2>&1 &&
    ! "$wine" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Meterlog2' \
      >/dev/null 2>&1
}
if command -v makensis >/dev/null 2>&1; then
  check "the installer installs for the user, registers .57x and uninstalls cleanly" \
    installer_round_trip
fi

echo "test-windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$failures" -eq 0 ]
