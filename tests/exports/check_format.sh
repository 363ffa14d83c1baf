#!/usr/bin/env bash
# Usage: check_format.sh CLANG_FORMAT SOURCE_DIR
# Fails when a C or C++ source of the project differs from its formatted form.
set -euo pipefail
format=$1
root=$2
cd "$root"
mapfile -t files < <(find . -path ./build -prune -o -path ./.git -prune -o \
                          \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -type f -print | sort)
if [ ${#files[@]} -eq 0 ]; then
    echo "no sources found below $root" >&2
    exit 1
fi
"$format" --dry-run -Werror "${files[@]}"
echo "format: ${#files[@]} sources checked"
