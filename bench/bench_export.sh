#!/usr/bin/env bash
# Export benchmark: wall time and peak memory of `tallowby-cli export` on a generated
# address book, beside xmlwf merely parsing the same file and beside
# `tallowby-cli scan`, in one run. Prints the figures and the two goals: the export
# within 1.5 times xmlwf's time, and under 100 MB peak memory.
#
# Usage: bench/bench_export.sh [TALLOWBY_CLI] [PERSONS]
#   TALLOWBY_CLI  defaults to build/cli/tallowby-cli
#   PERSONS       defaults to 32767
#   RUNS=N        runs per program (default 3); the best time and the highest
#                 peak memory of the runs are reported
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$root/build/cli/tallowby-cli}
persons=${2:-32767}
runs=${RUNS:-3}

for tool in /usr/bin/time xmlwf python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "bench_export: $tool is missing; run tests/install_deps.sh (Debian packages time, expat)." >&2
        exit 1
    fi
done
if [ ! -x "$cli" ]; then
    echo "bench_export: $cli is not built; build the target tallowby-cli first." >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tallowby-bench-export.XXXXXX")
trap 'rm -rf "$work"' EXIT

book=$work/book.dxl
python3 "$root/examples/make_book.py" "$persons" "$book" --quiet
cat "$book" >/dev/null  # every program starts with the file in the page cache

# measure NAME COMMAND...: runs COMMAND $runs times under /usr/bin/time -v and
# sets best_<NAME> (seconds) and rss_<NAME> (kB).
measure() {
    local name=$1
    shift
    local best="" rss=0 i wall kb status
    for ((i = 1; i <= runs; i++)); do
        status=0
        /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || status=$?
        if [ "$status" -ne 0 ]; then
            echo "bench_export: '$*' failed with status $status:" >&2
            cat "$work/stderr.txt" "$work/time.txt" >&2
            exit 1
        fi
        wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {
                   n = split($2, p, ":"); s = 0
                   for (k = 1; k <= n; k++) s = s * 60 + p[k]
                   print s }' "$work/time.txt")
        kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
        if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$wall
        fi
        [ "$kb" -gt "$rss" ] && rss=$kb
    done
    printf -v "best_$name" '%s' "$best"
    printf -v "rss_$name" '%s' "$rss"
}

measure xmlwf xmlwf "$book"
measure scan "$cli" scan "$book"
measure export "$cli" export --output "$work/book.xls" "$book"

echo "Export benchmark: $persons persons, $(du -m "$book" | cut -f1) MB of DXL," \
     "worksheet $(du -m "$work/book.xls" | cut -f1) MB; best of $runs runs"
printf '%-22s %10s %14s\n' "program" "wall (s)" "peak RSS (MB)"
for name in xmlwf scan export; do
    best=best_$name rss=rss_$name
    label=$name
    [ "$name" = xmlwf ] && label="xmlwf (parse only)"
    [ "$name" = scan ] && label="tallowby-cli scan"
    [ "$name" = export ] && label="tallowby-cli export"
    printf '%-22s %10.2f %14.1f\n' "$label" "${!best}" "$(awk -v k="${!rss}" 'BEGIN { print k / 1024 }')"
done
awk -v e="$best_export" -v x="$best_xmlwf" -v r="$rss_export" 'BEGIN {
    ratio = (x > 0) ? e / x : 0
    printf "export / xmlwf time: %.2f (goal: at most 1.5) %s\n", ratio, (ratio <= 1.5 ? "met" : "NOT MET")
    printf "export peak memory: %.1f MB (goal: under 100 MB) %s\n", r / 1024, (r / 1024 < 100 ? "met" : "NOT MET")
}'
