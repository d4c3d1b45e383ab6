#!/usr/bin/env bash
# Desktop program benchmark: a scan of a generated address book through the real
# main window (offscreen), then its export through the conversion window, then
# File, Exit during a rescan. Prints wall time and peak memory for each run, and how
# soon Exit ended the program. Goals: the scan under 3 s, Exit within 0.5 s.
#
# Usage: bench/bench_ui.sh [BENCH_UI_WINDOW] [PERSONS]
#   BENCH_UI_WINDOW  defaults to build/bench/bench_ui_window
#   PERSONS          defaults to 32767
#   RUNS=N           runs (default 3), each in a fresh process on a fresh copy
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/bench/bench_ui_window}
persons=${2:-32767}
runs=${RUNS:-3}

if [ ! -x "$program" ]; then
    echo "bench_ui: $program is not built; build the target bench_ui_window first." >&2
    exit 1
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/tallowby-bench-ui.XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 "$root/examples/make_book.py" "$persons" "$work/book.dxl" --quiet
echo "book: $persons persons, $(du -h "$work/book.dxl" | cut -f1)"
for run in $(seq 1 "$runs"); do
    rm -f "$work/names.dxl" "$work/names.bak" "$work/names.xls"
    cp "$work/book.dxl" "$work/names.dxl"
    echo "run $run:"
    QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$program" "$work/names.dxl"
done
