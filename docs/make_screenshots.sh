#!/usr/bin/env bash
# Renders the desktop program's windows into docs/screenshots/ under a virtual X
# display (Debian packages xvfb and xauth): the main window after a scan of
# examples/names.dxl showing "Jo|Ann Pemberton" (every field in its own box), the
# main window with "Émile Durand" under E, the filter box with All Items, the
# conversion window with its choice of formats and when the export is done, the About
# box and the help window; then the same in the dark palette (*-dark.png). Works on a
# copy of the sample book, with the program's settings in a temporary folder.
#
# Usage: docs/make_screenshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-${BUILD_DIR:-build}}
if ! command -v xvfb-run >/dev/null; then
    echo "make_screenshots: xvfb-run is missing; install the Debian package xvfb" \
         "(e.g. bash tests/install_deps.sh xvfb)." >&2
    exit 1
fi
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja
cmake --build "$build" --target tallowby-screenshots

mkdir -p docs/screenshots
# The real X11 platform plugin, on a screen with room for the windows.
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$build/ui/tallowby-screenshots" examples/names.dxl docs/screenshots
env -u QT_QPA_PLATFORM TALLOWBY_PALETTE=dark xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$build/ui/tallowby-screenshots" examples/names.dxl docs/screenshots
ls -l docs/screenshots/*.png
