#!/usr/bin/env bash
# The <cctype> functions take an unsigned char's value (or EOF): a plain char of a byte >= 0x80
# is negative, and passing it is undefined. Every call in the sources must go through
# `unsigned char` (or use the text module's helpers instead), and none may be passed as a
# function (`std::all_of(..., ::isdigit)` hands it plain chars).
# Usage: cctype_check.sh SOURCE_DIR
cd "$1" || exit 2
names='is(alnum|alpha|blank|cntrl|digit|graph|lower|print|punct|space|upper|xdigit)|to(lower|upper)'
found=$(grep -rnE --include='*.cpp' --include='*.h' "(^|[^A-Za-z0-9_.>])(std::|::)?($names)\\b" \
          core cli gui sim tools tests bench 2> /dev/null |
        grep -vE "(std::|::)?($names)\\((static_cast<unsigned char>|static_cast<int>\\(static_cast<unsigned char>)" |
        grep -vE "\\[\\]\\(unsigned char [a-z]+\\) \\{ return (std::)?($names)\\([a-z]+\\)" |
        grep -vE '^\S+:[0-9]+:\s*//')
if [ -n "$found" ]; then
  echo "<cctype> calls without unsigned char:"
  echo "$found"
  exit 1
fi
echo "every <cctype> call takes an unsigned char"
