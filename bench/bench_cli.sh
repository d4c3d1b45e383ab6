#!/usr/bin/env bash
# Command-line benchmark: wall time and peak memory of `tallowby-cli scan` and
# `tallowby-cli export` in each format (.xls, .xlsx, CSV, vCard) and of the whole book
# (--layout full, .xlsx and CSV) on a generated address book, beside xmlwf (expat's own
# tool) merely parsing the same file, in one run. Prints the figures and the goals: the
# scan within 1.3 times xmlwf's time, the .xls, the CSV and the vCard export within 1.5
# times, the .xlsx export within 2.5 times; the full layouts within 1.5 times the
# classic export of the same format; the scan's peak memory under 64 MB + 2 KB per
# contact, each classic export's and the vCard export's under 100 MB, the full
# layouts' under 150 MB.
#
# Usage: bench/bench_cli.sh [TALLOWBY_CLI] [PERSONS]
#   TALLOWBY_CLI  defaults to build/cli/tallowby-cli
#   PERSONS       defaults to 32767
#   RUNS=N        runs per program (default 3), taking turns; the best time and
#                 the highest peak memory of the runs are reported
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$root/build/cli/tallowby-cli}
persons=${2:-32767}
runs=${RUNS:-3}

for tool in /usr/bin/time xmlwf python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "bench_cli: $tool is missing; run tests/install_deps.sh (Debian packages time, expat)." >&2
        exit 1
    fi
done
if [ ! -x "$cli" ]; then
    echo "bench_cli: $cli is not built; build the target tallowby-cli first." >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tallowby-bench-cli.XXXXXX")
trap 'rm -rf "$work"' EXIT

book=$work/book.dxl
python3 "$root/examples/make_book.py" "$persons" "$book" --quiet
cat "$book" >/dev/null  # every program starts with the file in the page cache

# run_once NAME COMMAND...: runs COMMAND once under /usr/bin/time -v with its output
# going to /dev/null, and keeps wall_<NAME> (best, seconds) and rss_<NAME>
# (highest, kB).
wall_xmlwf="" wall_scan="" wall_export="" wall_xlsx="" wall_csv="" wall_vcf="" wall_fullxlsx="" wall_fullcsv=""
rss_xmlwf=0 rss_scan=0 rss_export=0 rss_xlsx=0 rss_csv=0 rss_vcf=0 rss_fullxlsx=0 rss_fullcsv=0
run_once() {
    local name=$1
    shift
    local wall kb status=0 best_var=wall_$name rss_var=rss_$name
    /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "bench_cli: '$*' failed with status $status:" >&2
        cat "$work/stderr.txt" "$work/time.txt" >&2
        exit 1
    fi
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {
               n = split($2, p, ":"); s = 0
               for (k = 1; k <= n; k++) s = s * 60 + p[k]
               print s }' "$work/time.txt")
    kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
    if [ -z "${!best_var}" ] || awk -v a="$wall" -v b="${!best_var}" 'BEGIN { exit !(a < b) }'; then
        printf -v "$best_var" '%s' "$wall"
    fi
    [ "$kb" -gt "${!rss_var}" ] && printf -v "$rss_var" '%s' "$kb"
    return 0
}

# The programs take turns, so that a change in the machine's load between runs
# touches all alike.
for ((i = 1; i <= runs; i++)); do
    run_once xmlwf xmlwf "$book"
    run_once scan "$cli" scan "$book"
    run_once export "$cli" export --output "$work/book.xls" "$book"
    run_once xlsx "$cli" export --format xlsx --output "$work/book.xlsx" "$book"
    run_once csv "$cli" export --format csv --output "$work/book.csv" "$book"
    run_once vcf "$cli" export --format vcf --output "$work/book.vcf" "$book"
    run_once fullxlsx "$cli" export --layout full --format xlsx --output "$work/book-full.xlsx" "$book"
    run_once fullcsv "$cli" export --layout full --format csv --output "$work/book-full.csv" "$book"
done

contacts=$("$cli" scan "$book" 2>/dev/null | awk -F'\t' 'NF == 2' | wc -l)
echo "Command-line benchmark: $persons persons ($contacts contacts listed)," \
     "$(du -m "$book" | cut -f1) MB of DXL; files: .xls $(du -m "$work/book.xls" | cut -f1) MB," \
     ".xlsx $(du -m "$work/book.xlsx" | cut -f1) MB, CSV $(du -m "$work/book.csv" | cut -f1) MB," \
     "vCard $(du -m "$work/book.vcf" | cut -f1) MB, full .xlsx $(du -m "$work/book-full.xlsx" | cut -f1) MB," \
     "full CSV $(du -m "$work/book-full.csv" | cut -f1) MB;" \
     "best time of $runs runs"
echo "processors available: $(nproc) (from 4 MB on, a book is read in two parts at once on two or more)"
printf '%-22s %10s %14s\n' "program" "wall (s)" "peak RSS (MB)"
row() { printf '%-22s %10.2f %14.1f\n' "$1" "$2" "$(awk -v k="$3" 'BEGIN { print k / 1024 }')"; }
row "xmlwf (parse only)" "$wall_xmlwf" "$rss_xmlwf"
row "tallowby-cli scan" "$wall_scan" "$rss_scan"
row "tallowby-cli export" "$wall_export" "$rss_export"
row "export --format xlsx" "$wall_xlsx" "$rss_xlsx"
row "export --format csv" "$wall_csv" "$rss_csv"
row "export --format vcf" "$wall_vcf" "$rss_vcf"
row "export full xlsx" "$wall_fullxlsx" "$rss_fullxlsx"
row "export full csv" "$wall_fullcsv" "$rss_fullcsv"
awk -v x="$wall_xmlwf" -v n="$persons" \
    -v s="$wall_scan" -v e="$wall_export" -v w="$wall_xlsx" -v c="$wall_csv" -v v="$wall_vcf" \
    -v fw="$wall_fullxlsx" -v fc="$wall_fullcsv" \
    -v rs="$rss_scan" -v re="$rss_export" -v rw="$rss_xlsx" -v rc="$rss_csv" -v rv="$rss_vcf" \
    -v rfw="$rss_fullxlsx" -v rfc="$rss_fullcsv" '
function ratio(name, t, goal,   r) {
    r = (x > 0) ? t / x : 0
    printf "%s / xmlwf time: %.2f (goal: at most %.1f) %s\n", name, r, goal, (r <= goal ? "met" : "NOT MET")
}
function beside(name, t, base, basename, goal,   r) {
    r = (base > 0) ? t / base : 0
    printf "%s / %s time: %.2f (goal: at most %.1f) %s\n", name, basename, r, goal, (r <= goal ? "met" : "NOT MET")
}
function memory(name, kb, goal) {
    printf "%s peak memory: %.1f MB (goal: under %.0f MB) %s\n", name, kb / 1024, goal,
           (kb / 1024 < goal ? "met" : "NOT MET")
}
BEGIN {
    ratio("scan", s, 1.3); ratio("export", e, 1.5); ratio("export xlsx", w, 2.5); ratio("export csv", c, 1.5)
    ratio("export vcf", v, 1.5)
    beside("export full xlsx", fw, w, "export xlsx", 1.5); beside("export full csv", fc, c, "export csv", 1.5)
    memory("scan", rs, 64 + 2 * n / 1024)
    memory("export", re, 100); memory("export xlsx", rw, 100); memory("export csv", rc, 100)
    memory("export vcf", rv, 100); memory("export full xlsx", rfw, 150); memory("export full csv", rfc, 150)
}'
