#!/usr/bin/env bash
# The main job in one command, on a fresh Debian machine (run as root, or with the
# packages of `tests/install_deps.sh build` already installed):
#   installs what building and the export need (not the test tools), configures
#   build/ with Ninja (without the tests) and builds the programs,
#   exports the sample address book examples/names.dxl with tallowby-cli to an Excel
#   workbook (examples/names.xlsx), a CSV file (names.csv) and an Excel 2.1 worksheet
#   (names.xls), says where they are, and opens the desktop program with the sample
#   when a display is available (otherwise says how to open both).
# Usage: bash examples/export-sample.sh        (BUILD_DIR=dir to build elsewhere)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash tests/install_deps.sh build

build=${BUILD_DIR:-build}
# The tests need GoogleTest, which the test command (tests/run_all.sh) installs
# before it configures this folder with them.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLOWBY_BUILD_TESTS=OFF
targets=(tallowby-cli)
# The desktop program is built when the project offers it (TALLOWBY_BUILD_UI).
if grep -q '^TALLOWBY_BUILD_UI:BOOL=ON$' "$build/CMakeCache.txt"; then
    targets+=(tallowby)
fi
cmake --build "$build" --target "${targets[@]}" -j "$(nproc)"

sample=$root/examples/names.dxl
worksheet=$root/examples/names.xlsx
if [ ! -f "$sample" ]; then
    echo "export-sample: the sample address book $sample is missing." >&2
    exit 1
fi

for format in xlsx csv xls; do
    echo
    echo "Exporting $sample as $format ..."
    "$build/cli/tallowby-cli" export --format "$format" --output "$root/examples/names.$format" "$sample"
done
echo
echo "The workbook is $worksheet (current Excel, LibreOffice and Gnumeric open it);"
echo "beside it are names.csv (UTF-8 CSV, for other programs) and names.xls (Excel 2.1)."

program=$root/$build/ui/tallowby
[ "${build:0:1}" = / ] && program=$build/ui/tallowby
if [ ! -x "$program" ]; then
    echo
    echo "The desktop program was not built (configure with -DTALLOWBY_BUILD_UI=ON to get it)."
    echo "Open the workbook with:  xdg-open $worksheet"
elif [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    log=$root/$build/tallowby-sample.log
    [ "${build:0:1}" = / ] && log=$build/tallowby-sample.log
    setsid nohup "$program" "$sample" >"$log" 2>&1 </dev/null &
    echo
    echo "Started the desktop program with the sample (messages go to $log)."
    echo "In its window: Scan Notes Contacts (this saves the backup examples/names.bak),"
    echo "then Export to Excel, choose the format and Start Conversion; the link opens the file."
else
    echo
    echo "No display here (neither DISPLAY nor WAYLAND_DISPLAY is set). On a desktop:"
    echo "  open the workbook:         xdg-open $worksheet"
    echo "  run the desktop program:   $program $sample"
fi
