#!/usr/bin/env bash
# Fails, listing the files, when a C++ source of the project differs from what clang-format
# makes of it with the project's .clang-format. Run by test.sh (and so by CI); fix with
#   clang-format -i FILE...
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null 2>&1; then
  echo "check-format: clang-format is not installed (scripts/deps.sh installs it)" >&2
  exit 1
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else
  mapfile -t files < <(find core gui cli sim tests bench tools -name '*.cpp' -o -name '*.h')
fi
differ=()
for file in "${files[@]}"; do
  [ -f "$file" ] || continue
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || differ+=("$file")
done
if [ ${#differ[@]} -gt 0 ]; then
  echo "check-format: ${#differ[@]} file(s) differ from clang-format's layout:" >&2
  printf '  %s\n' "${differ[@]}" >&2
  echo "Fix with: clang-format -i ${differ[*]}" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files as clang-format lays them out"
