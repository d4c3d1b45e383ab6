#!/usr/bin/env bash
# Usage: tests/package/check_builds.sh [DEB_DIR]
# The ways the README builds, each from a clean copy of the sources (the files git
# tracks, as they are in the work tree) in a temporary folder, the programs only:
#   - Unix Makefiles (CMake's default generator) and gcc, configured as the preset
#     "deb": its packages, and, given DEB_DIR (build-deb/ of a Ninja build), the same
#     bytes as those there; `cmake --install --prefix DIR`, DESTDIR=DIR, and one
#     component at a time;
#   - Ninja and clang, with the defaults (prefix /usr/local): DESTDIR=DIR --strip.
# Each build has no compiler warning; each install has exactly the files of
# installed_files.txt, and its programs run from there and find their manual.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
deb_dir=${1:+$(realpath "$1")}
work=$(mktemp -d "${TMPDIR:-/tmp}/tallowby-builds-XXXXXX")
trap 'rm -rf "$work"' EXIT
jobs=$(nproc)
list=$source_dir/tests/package/installed_files.txt

passed=0 failed=0
check() {  # check NAME COMMAND...: runs the command, and shows its output if it fails
    if "${@:2}" > "$work/out" 2>&1; then passed=$((passed + 1)); echo "ok   $1"
    else failed=$((failed + 1)); echo "FAIL $1"; tail -30 "$work/out" | sed 's/^/     /'; fi
}

copy=$work/src  # also where the presets put build-deb/ of the copy
mkdir -p "$copy"
git -C "$source_dir" ls-files -z --cached --others --exclude-standard |
    (cd "$source_dir" && tar --null --ignore-failed-read -T - -cf -) | tar -xf - -C "$copy"

build() {  # build DIR CONFIGURE-ARGUMENTS...: configures and builds, warnings fail
    local dir=$1
    shift
    cmake -S "$copy" -B "$dir" "$@" > "$dir.log" 2>&1 &&
    cmake --build "$dir" -j "$jobs" >> "$dir.log" 2>&1 || { cat "$dir.log"; return 1; }
    ! grep -E 'warning:' "$dir.log"
}

installed_as_listed() {  # installed_as_listed ROOT [PACKAGE]: the files under ROOT
    diff <(cd "$1" && find . -type f -o -type l | sed 's|^\./||' | sort) \
         <(awk -v package="${2:-}" '$1 !~ /^#/ && (package == "" || $1 == package) {print $2}' "$list" | sort)
}

runs_from() {  # runs_from ROOT: the programs there answer, the manual is where they look
    local relative
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$1/bin/tallowby" --version &&
    "$1/bin/tallowby-cli" --version &&
    relative=$(strings -el "$1/bin/tallowby" | grep -oE '\.\./.*/manual\.html$') &&
    [ -s "$1/bin/$relative" ]
}

same_packages() {  # the Make build's packages have the bytes of the Ninja build's
    local deb ok=0
    for deb in "$work/make"/*.deb; do
        cmp "$deb" "$deb_dir/$(basename "$deb")" || ok=1
    done
    return "$ok"
}

echo "-- Unix Makefiles, gcc, the preset deb"
(cd "$copy" && CC=gcc CXX=g++ cmake --preset deb -G "Unix Makefiles" -B "$work/make" > "$work/make.log" 2>&1) ||
    cat "$work/make.log"
check "Make + gcc builds without warnings" build "$work/make"
check "Make + gcc builds the packages" cmake --build "$work/make" --target package
[ -z "$deb_dir" ] || check "its packages have the same bytes as $deb_dir's" same_packages
check "cmake --install --prefix installs the listed files" \
    cmake --install "$work/make" --prefix "$work/prefix"
check "... and no others" installed_as_listed "$work/prefix"
check "... and the programs run from there" runs_from "$work/prefix"
check "DESTDIR=DIR cmake --install installs the listed files under DIR/usr" \
    env DESTDIR="$work/destdir" cmake --install "$work/make"
check "... and no others" installed_as_listed "$work/destdir/usr"
for component in cli:tallowby-cli desktop:tallowby; do
    check "cmake --install --component ${component%%:*} installs the package ${component#*:}'s files" \
        cmake --install "$work/make" --component "${component%%:*}" --prefix "$work/${component%%:*}"
    check "... and no others" installed_as_listed "$work/${component%%:*}" "${component#*:}"
done

echo "-- Ninja, clang, the defaults"
check "Ninja + clang builds without warnings" build "$work/clang" -G Ninja \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTALLOWBY_BUILD_TESTS=OFF -DTALLOWBY_BUILD_BENCH=OFF
check "DESTDIR=DIR cmake --install --strip installs the listed files under DIR/usr/local" \
    env DESTDIR="$work/clang-destdir" cmake --install "$work/clang" --strip
check "... and no others" installed_as_listed "$work/clang-destdir/usr/local"
check "... and the programs run from there" runs_from "$work/clang-destdir/usr/local"
echo "builds: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
