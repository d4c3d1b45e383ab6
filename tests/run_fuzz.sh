#!/usr/bin/env bash
# Usage: tests/run_fuzz.sh BUILD_DIR [SECONDS]. Runs each libFuzzer target from its seed
# corpus (never written: the working corpus grows in a temporary folder) for SECONDS (60);
# fails on a finding, whose input is kept in BUILD_DIR/fuzz-findings.
set -euo pipefail
build=$(realpath "$1")
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$build/fuzz-findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fuzz() {
    local name=$1 corpus=$2
    shift 2
    mkdir -p "$work/$name"
    echo "fuzz_$name: ${seconds} s"
    TMPDIR="$work" "$build/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=20 \
        -print_final_stats=1 -artifact_prefix="$build/fuzz-findings/$name-" "$@" "$work/$name" \
        "$root/tests/fuzz/$corpus" > "$work/$name.log" 2>&1 || {
        tail -n 60 "$work/$name.log" >&2
        echo "fuzz_$name found a problem; the input is in $build/fuzz-findings" >&2
        exit 1
    }
    grep -E '^stat::number_of_executed_units|^Done' "$work/$name.log" || true
}
fuzz dxl corpus_dxl -dict="$root/tests/fuzz/dxl.dict"
fuzz writer corpus_writer
