#!/usr/bin/env bash
# Redraws the program's pictures into ui/art/ (run after changing make_art.cpp).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja
cmake --build "$build" --target tallowby-make-art
QT_QPA_PLATFORM=offscreen "$build/ui/tallowby-make-art" ui/art
