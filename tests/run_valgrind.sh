#!/usr/bin/env bash
# Runs tallowby-cli scan and export (in each format) of a copy of examples/names.dxl
# under valgrind --leak-check=full; fails on any leak or memory error.
# Usage: tests/run_valgrind.sh PATH/TO/tallowby-cli
set -euo pipefail
cli=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/examples/names.dxl" "$work/names.dxl"

run() {
    echo "valgrind: tallowby-cli $*"
    valgrind --quiet --leak-check=full --show-leak-kinds=definite,indirect,possible \
        --errors-for-leak-kinds=definite,indirect,possible --error-exitcode=3 \
        "$cli" "$@" > "$work/out.txt" 2> "$work/err.txt" || {
        status=$?
        cat "$work/err.txt" >&2
        echo "valgrind found a problem in 'tallowby-cli $*' (exit status $status)" >&2
        exit 1
    }
    tail -n 1 "$work/out.txt"
}
run scan "$work/names.dxl"
run export "$work/names.dxl"
run export --format xlsx "$work/names.dxl"
run export --format csv "$work/names.dxl"
echo "valgrind: no leaks, no errors"
