#!/usr/bin/env bash
# Usage: tests/install_deps.sh [build|package|test|full] [extra-package ...]
# Installs the Debian packages that one job needs (and the extra ones), when missing:
#   build    building the programs and exporting a book (examples/export-sample.sh);
#   package  that, and building the Debian packages (cmake --preset deb);
#   test     that, and the test suite with its readers (ical.js from npm among them),
#            the desktop test's X server, window manager, xdotool and accessibility
#            bus, and the package checks (tests/run_all.sh --quick). The default;
#   full     that, and clang with its libFuzzer and sanitizer runtime of the same
#            version, and valgrind (tests/run_all.sh).
set -euo pipefail

job=test
case ${1:-} in
build | package | test | full) job=$1; shift ;;
-*) echo "usage: $0 [build|package|test|full] [extra-package ...]" >&2; exit 2 ;;
esac

# libxlsxwriter's pkg-config file links -lz, and libxlsxwriter-dev does not pull in
# zlib1g-dev: without it the link fails with "cannot find -lz".
build=(cmake make ninja-build g++ pkg-config libexpat1-dev expat libicu-dev qt6-base-dev
       qt6-svg-dev libxlsxwriter-dev zlib1g-dev libminizip-dev)
package=(dpkg-dev file)
test=(libgtest-dev python3-xlrd python3-openpyxl python3-vobject gnumeric time man-db
      lintian appstream desktop-file-utils bash-completion mmdebstrap
      xvfb xauth openbox xdotool dbus-daemon dbus-bin at-spi2-core python3-pyatspi)
full=(clang valgrind)

wanted=("${build[@]}")
case $job in
package) wanted+=("${package[@]}") ;;
test) wanted+=("${package[@]}" "${test[@]}") ;;
full) wanted+=("${package[@]}" "${test[@]}" "${full[@]}") ;;
esac
wanted+=("$@")

apt_updated=0
install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    [ "${#missing[@]}" -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "These Debian packages are missing: ${missing[*]}." >&2
        echo "Run 'bash $0 $job' as root (or install them with apt-get install)." >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    if [ "$apt_updated" -eq 0 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get update -qq
        apt_updated=1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

if { [ "$job" = test ] || [ "$job" = full ]; } && ! command -v node >/dev/null; then wanted+=(nodejs npm); fi
install_missing "${wanted[@]}"
# The vCard tests read the cards with ical.js too, installed beside node's own prefix,
# where tests/export/read_vcards.mjs looks for it.
if [ "$job" = test ] || [ "$job" = full ]; then
    prefix=$(dirname "$(command -v node)")/..
    if [ ! -f "$prefix/lib/node_modules/ical.js/package.json" ]; then
        echo "Installing: ical.js (npm)"
        npm install -g --prefix "$prefix" --no-fund --no-audit ical.js@2 >/dev/null
    fi
fi
# libFuzzer and the sanitizer runtime come per LLVM version: those of the clang that
# `clang` is (14 on Debian 12, newer on later releases).
if [ "$job" = full ]; then
    llvm=$(clang -dumpversion | cut -d. -f1)
    install_missing "libfuzzer-$llvm-dev" "libclang-rt-$llvm-dev"
fi
