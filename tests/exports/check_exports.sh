#!/usr/bin/env bash
# Usage: check_exports.sh LIBRARY DEF_FILE
# Fails when the library's dynamic symbol table and the export list differ.
set -euo pipefail
lib=$1
def=$2
expected=$(awk '/^EXPORTS/{on=1; next} on && NF {print $1}' "$def" | sort)
actual=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TtWw]$/ {print $3}' \
         | grep -v -E '^(_init|_fini)$' | sort)
if [ "$expected" != "$actual" ]; then
    echo "export list and library differ (< expected only, > library only):"
    diff <(echo "$expected") <(echo "$actual") || true
    exit 1
fi
echo "exports: $(echo "$expected" | wc -l) names match"
