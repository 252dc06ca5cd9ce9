#!/usr/bin/env bash
# The library exports the functions of torvex.h and nothing else: its
# dynamic symbols, the list in exports.txt and the header's declarations
# are the same names; and its soname carries the interface number.
# Usage: symbols_test.sh LIBRARY LIB_SOURCE_DIR
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
listed=$(sort "$2/exports.txt")
exported=$(nm -D --defined-only "$1" | awk '{print $3}' | sort)
declared=$(grep -o '^TORVEX_API [^(]*(' "$2/torvex.h" | sed 's/.*[ *]\(torvex_[a-z_]*\)(/\1/' | sort)
[ "$exported" = "$listed" ] || fail "exported and listed differ: $(diff <(echo "$listed") <(echo "$exported"))"
[ "$declared" = "$listed" ] || fail "declared and listed differ: $(diff <(echo "$listed") <(echo "$declared"))"
readelf -d "$1" | grep -q 'SONAME.*\[libtorvex\.so\.1\]' || fail "soname: $(readelf -d "$1" | grep SONAME)"
echo "1 passed, 0 failed"
