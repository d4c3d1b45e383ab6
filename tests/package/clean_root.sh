#!/usr/bin/env bash
# Usage: tests/package/clean_root.sh WORK VERSION TALLOWBY-CLI.deb [TALLOWBY.deb]
# Installs the packages with apt, as a user would, into a minimal Debian root of this
# system's release (mmdebstrap --variant=apt, from this system's apt sources; the root
# is thrown away afterwards): tallowby-cli alone first, which must pull in no Qt, X or
# Mesa, runs and exports the sample book; then tallowby, whose dependency tallowby-cli
# is then installed, and which answers --help and --version without a display and
# starts offscreen. Prints a line per check and writes them to WORK/results.
# Where no root can be made (not root, no mmdebstrap, no mirror) it says so and
# writes no results: the caller has checked the unpacked packages only.
set -euo pipefail

if [ "${1:-}" != --inside ]; then
    work=$1 version=$2
    mkdir -p "$work"
    why=
    suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ "$(id -u)" -eq 0 ] || why="not root"
    [ -n "$why" ] || command -v mmdebstrap > /dev/null || why="mmdebstrap is missing (Debian package mmdebstrap)"
    [ -n "$why" ] || [ -n "$suite" ] || why="/etc/os-release names no release"
    # apt's own sources, less those signed by a key other than Debian's (the root has
    # Debian's keys only).
    sources=()
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] && grep -qE '^[[:space:]]*(deb|Types:)' "$file" || continue
        grep -iE 'signed-by' "$file" | grep -qvE 'debian-archive-' && continue
        sources+=("$file")
    done
    [ -n "$why" ] || [ "${#sources[@]}" -gt 0 ] || why="no Debian apt sources are configured"
    if [ -n "$why" ]; then
        echo "clean root: not made ($why); the packages were checked unpacked on this system's libraries only"
        exit 0
    fi
    echo "clean root: $suite, made with mmdebstrap --variant=apt from ${sources[*]}"
    hook=$(printf 'bash %q --inside "$1" %q %q' "$0" "$work" "$version")
    for package in "${@:3}"; do hook+=$(printf ' %q' "$package"); done
    if ! mmdebstrap --mode=root --variant=apt --format=null --customize-hook="$hook" \
            "$suite" /dev/null "${sources[@]}" > "$work/mmdebstrap.log" 2>&1 && [ ! -f "$work/made" ]; then
        echo "clean root: mmdebstrap could not make one (no mirror reached?); the packages were checked unpacked only:"
        tail -5 "$work/mmdebstrap.log" | sed 's/^/     /'
    elif [ ! -f "$work/report" ]; then
        echo "clean root: made, but the checks did not run:"
        tail -5 "$work/mmdebstrap.log" | sed 's/^/     /'
        echo "FAIL clean root: the checks ran" > "$work/results"
    fi
    cat "$work/report" 2>/dev/null || true
    exit 0
fi

# Inside mmdebstrap's customize hook: ROOT is the new root, with /proc and /dev.
root=$2 work=$3 version=$4 cli_deb=$5 desktop_deb=${6:-}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
touch "$work/made"
: > "$work/results"
exec > "$work/report" 2>&1  # mmdebstrap's log is not the place; the caller shows it
check() {  # as in check_package.sh, and each result into WORK/results
    if "${@:2}" > "$work/out" 2>&1; then echo "ok   $1"; echo "ok $1" >> "$work/results"
    else echo "FAIL $1"; sed 's/^/     /' "$work/out"; echo "FAIL $1" >> "$work/results"; fi
}
in_root() {
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}
installed() { in_root dpkg-query -W -f '${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" {print $2}' | sort; }
# apt installs a package file given by its path; the packages it pulls in are listed.
apt_installs() {  # apt_installs NAME FILE
    installed > "$work/before"
    in_root apt-get install -y "/tmp/tallowby-check/$(basename "$2")" &&
    installed | comm -13 "$work/before" - > "$work/pulled-$1" &&
    in_root dpkg-query -W -f '${Version}' "$1" | grep -qxF "$version"
}
pulled() { grep -vcxF "$1" "$work/pulled-$1" || true; }  # besides the package itself

mkdir -p "$root/tmp/tallowby-check"
cp "$cli_deb" ${desktop_deb:+"$desktop_deb"} "$source_dir/examples/names.dxl" "$root/tmp/tallowby-check/"
echo "     $(installed | wc -l) packages in the new root"

check "clean root: apt installs tallowby-cli" apt_installs tallowby-cli "$cli_deb"
graphical=$(grep -E '^(libqt|qt6|libx11|libxcb|libgl|libegl|libgbm|mesa|libwayland|libdrm|x11-)' \
            "$work/pulled-tallowby-cli" | tr '\n' ' ' || true)
echo "     tallowby-cli pulled in $(pulled tallowby-cli) packages: $(grep -vxF tallowby-cli "$work/pulled-tallowby-cli" | tr '\n' ' ')"
check "clean root: tallowby-cli pulled in no Qt, X or Mesa package${graphical:+ (but: $graphical)}" \
    test -z "$graphical"
check "clean root: tallowby-cli --version" \
    test "$(in_root tallowby-cli --version)" = "tallowby-cli ${version%.*} build ${version##*.}"
cli_export() {
    in_root sh -c 'cd /tmp/tallowby-check && tallowby-cli export --format xlsx names.dxl' | tee "$work/export" &&
    /usr/bin/python3 "$source_dir/tests/package/count_rows.py" "$root/tmp/tallowby-check/names.xlsx" "$work/export"
}
check "clean root: tallowby-cli exports the sample book to .xlsx" cli_export

if [ -n "$desktop_deb" ]; then
    check "clean root: apt installs tallowby beside its dependency tallowby-cli" apt_installs tallowby "$desktop_deb"
    echo "     tallowby pulled in $(pulled tallowby) more packages (Qt, X, Mesa, ...)"
    check "clean root: tallowby --version without a display" \
        test "$(in_root tallowby --version)" = "tallowby ${version%.*} build ${version##*.}"
    check "clean root: tallowby --help without a display" in_root tallowby --help
    gui_starts() {  # still running after a few seconds
        in_root env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/tallowby-check timeout 5 tallowby
        [ $? -eq 124 ]
    }
    check "clean root: tallowby starts (offscreen)" gui_starts
fi
