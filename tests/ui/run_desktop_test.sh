#!/usr/bin/env bash
# Usage: run_desktop_test.sh DRIVER.py PROGRAM SAMPLE.dxl: the driver and the program
# in a session of their own (Xvfb, openbox, D-Bus with the accessibility bus, own home,
# settings and temporary folders, a stub xdg-open that records what it is asked to
# open), ended and removed at the end. Exit status 77 (a skip) when a tool is missing.
set -euo pipefail

driver=$1 program=$2 sample=$3
for tool in Xvfb openbox xdotool dbus-run-session dbus-send; do command -v "$tool" >/dev/null || missing=$tool; done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || missing=python3-pyatspi
[ -z "${missing:-}" ] || { echo "SKIPPED: $missing is missing (bash tests/install_deps.sh)"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tallowby-desktop-XXXXXX")
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait; rm -rf "$work"' EXIT
mkdir -p "$work"/{home,config,data,cache,runtime,tmp,bin,book}
chmod 700 "$work/runtime"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
       XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/runtime TMPDIR=$work/tmp
export TALLOWBY_OPENED=$work/opened PATH=$work/bin:$PATH TALLOWBY_SCREEN=$work/Xvfb_screen0
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >> "$TALLOWBY_OPENED"\n' > "$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"

# ready LOG WHAT COMMAND...: waits until the command succeeds, a minute at most.
ready() {
    for _ in $(seq 600); do "${@:3}" >/dev/null 2>&1 && return; sleep 0.1; done
    cat "$1"; echo "FAILED: $2 did not start"; exit 1
}
# -noreset: a reset as its last client (a probe below) leaves would take openbox down.
# -fbdir: the screen's pixels in a file (XWD), for the checks of what is drawn.
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -fbdir "$work" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
ready "$work/xvfb.log" Xvfb test -s "$work/display"  # the display's number, once it takes clients
export DISPLAY=":$(head -n1 "$work/display")"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
# It frames and focuses windows once it has announced its desktops.
ready "$work/openbox.log" openbox xdotool get_num_desktops

export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 PYTHONDONTWRITEBYTECODE=1
# In a sanitizer build: libxkbcommon-x11 hands strndup a keymap name without a final
# NUL inside its bound, which strict string checks take for an overflow.
if [ -n "${ASAN_OPTIONS:-}" ]; then export ASAN_OPTIONS=$ASAN_OPTIONS:strict_string_checks=0; fi
cd "$(dirname "$driver")"
dbus-run-session -- /usr/bin/python3 "$driver" "$program" "$sample" "$work" \
    2> >(grep -v 'Failed to set fd limit' >&2)
