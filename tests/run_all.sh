#!/usr/bin/env bash
# Sets up a fresh machine, builds Tallowby and runs every test: the suite under ASan and
# UBSan, valgrind over tallowby-cli, each libFuzzer target for FUZZ_SECONDS (60) seconds,
# the Debian packages and their check (installed into a clean root where one can be
# made), every documented way to build from a clean copy (Make and Ninja, gcc and
# clang, cmake --install with a prefix and with DESTDIR), then the suite on the normal
# build (its summary closes the output). --quick: the normal build, the packages and
# the suite only.
set -euo pipefail
cd "$(dirname "$0")/.."
quick=0
[ "${1:-}" = "--quick" ] && quick=1
jobs=$(nproc)
stage() { printf '\n==== %s ====\n' "$*"; }

if [ "$quick" -eq 1 ]; then bash tests/install_deps.sh test
else bash tests/install_deps.sh full; fi

stage "Build"
# The tests named: examples/export-sample.sh configures the same folder without them.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLOWBY_BUILD_TESTS=ON > /dev/null
cmake --build build -j "$jobs"

if [ "$quick" -eq 0 ]; then
    stage "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALLOWBY_SANITIZE=ON \
        -DTALLOWBY_BUILD_BENCH=OFF > /dev/null
    cmake --build build-asan -j "$jobs"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0 QT_QPA_PLATFORM=offscreen \
        ctest --test-dir build-asan --output-on-failure -j "$jobs"

    stage "valgrind: tallowby-cli scan and export of the sample book"
    bash tests/run_valgrind.sh build/cli/tallowby-cli

    stage "libFuzzer: ${FUZZ_SECONDS:-60} s per target"
    # `clang` is the version whose libFuzzer tests/install_deps.sh installed.
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLOWBY_FUZZ=ON \
        -DTALLOWBY_BUILD_UI=OFF -DTALLOWBY_BUILD_TESTS=OFF -DTALLOWBY_BUILD_BENCH=OFF > /dev/null
    cmake --build build-fuzz -j "$jobs" --target fuzz_dxl fuzz_writer
    bash tests/run_fuzz.sh build-fuzz "${FUZZ_SECONDS:-60}"
fi

stage "Debian packages"
cmake --preset deb > /dev/null
cmake --build --preset deb -j "$jobs"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-deb/CMakeCache.txt)
arch=$(dpkg --print-architecture)
bash tests/package/check_package.sh "build-deb/tallowby-cli_${version}_$arch.deb" "build-deb/tallowby_${version}_$arch.deb"

if [ "$quick" -eq 0 ]; then
    stage "Every documented way to build, from a clean copy"
    bash tests/package/check_builds.sh build-deb
fi

stage "Tests"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$jobs"
