#!/usr/bin/env bash
# Sets up a fresh machine, builds Tallowby and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tests/install_deps.sh

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
