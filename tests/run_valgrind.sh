#!/usr/bin/env bash
# Usage: tests/run_valgrind.sh PATH/TO/tallowby-cli. Runs its scan and export (in each
# format) of a copy of examples/names.dxl under valgrind --leak-check=full; fails on any
# leak or memory error.
set -euo pipefail
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$(dirname "$0")/../examples/names.dxl" "$work/names.dxl"
run() {
    echo "valgrind: tallowby-cli $*"
    valgrind --quiet --leak-check=full --show-leak-kinds=definite,indirect,possible \
        --errors-for-leak-kinds=definite,indirect,possible --error-exitcode=3 \
        "$cli" "$@" > "$work/out.txt" 2> "$work/err.txt" || {
        cat "$work/err.txt" >&2
        echo "valgrind found a problem in 'tallowby-cli $*'" >&2
        exit 1
    }
    tail -n 1 "$work/out.txt"
}
run scan "$work/names.dxl"
for format in xls xlsx csv; do run export --format "$format" "$work/names.dxl"; done
echo "valgrind: no leaks, no errors"
