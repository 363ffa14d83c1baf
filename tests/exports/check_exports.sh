#!/usr/bin/env bash
# Usage: check_exports.sh LIBRARY DEF_FILE HEADER
# Fails when the library's dynamic symbol table, the export list and the
# functions the public header declares do not name the same exports.
set -euo pipefail
lib=$1
def=$2
header=$3
expected=$(awk '/^EXPORTS/{on=1; next} on && NF {print $1}' "$def" | sort)
actual=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TtWwDdBbRrVvu]$/ {print $3}' \
         | grep -v -E '^(_init|_fini)$' | sort)
declared=$(grep -v '^#' "$header" | tr '\n' ' ' | grep -oE 'ZELTW32_API\([A-Za-z0-9_]+\) *[A-Za-z0-9_]+\(' \
           | sed -E 's/.*\) *([A-Za-z0-9_]+)\($/\1/' | sort)
status=0
if [ "$expected" != "$actual" ]; then
    echo "export list and library differ (< export list only, > library only):"
    diff <(echo "$expected") <(echo "$actual") || true
    status=1
fi
if [ "$expected" != "$declared" ]; then
    echo "export list and public header differ (< export list only, > header only):"
    diff <(echo "$expected") <(echo "$declared") || true
    status=1
fi
[ $status -eq 0 ] && echo "exports: $(echo "$expected" | wc -l) names match"
exit $status
