#!/usr/bin/env bash
# Runs a desktop test driver against the real program in a session of its own: a
# virtual X display on a free display number (Xvfb), the openbox window manager, a
# D-Bus session with the accessibility bus, and a home, settings and temporary folder
# of its own, with a stub xdg-open on PATH that records what it is asked to open.
# Everything it starts is ended when it ends; it leaves nothing behind.
#
# Usage: run_desktop_test.sh DRIVER.py PROGRAM SAMPLE.dxl
# Exit status 77 (a skip) when a tool the session needs is missing.
set -euo pipefail

driver=$1 program=$2 sample=$3
skip() { echo "SKIPPED: $*"; exit 77; }
for tool in Xvfb openbox xdotool dbus-run-session dbus-send; do
    command -v "$tool" >/dev/null ||
        skip "$tool is missing; bash tests/install_deps.sh installs what the tests need"
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null ||
    skip "python3-pyatspi is missing; bash tests/install_deps.sh installs it"

work=$(mktemp -d "${TMPDIR:-/tmp}/tallowby-desktop-XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work"/{home,config,data,cache,runtime,tmp,bin,book}
chmod 700 "$work/runtime"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
       XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/runtime TMPDIR=$work/tmp
export TALLOWBY_OPENED=$work/opened PATH=$work/bin:$PATH
cat > "$work/bin/xdg-open" <<'STUB'
#!/bin/sh
printf '%s\n' "$1" >> "$TALLOWBY_OPENED"
STUB
chmod +x "$work/bin/xdg-open"

# Xvfb picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; echo "FAILED: Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do xdotool get_num_desktops >/dev/null 2>&1 && break; sleep 0.1; done

export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 PYTHONDONTWRITEBYTECODE=1
# In a sanitizer build: libxkbcommon-x11 hands strndup a keymap name without a final
# NUL inside its bound, which strict string checks take for an overflow.
if [ -n "${ASAN_OPTIONS:-}" ]; then export ASAN_OPTIONS=$ASAN_OPTIONS:strict_string_checks=0; fi
cd "$(dirname "$driver")"
dbus-run-session -- /usr/bin/python3 "$driver" "$program" "$sample" "$work" \
    2> >(grep -v 'Failed to set fd limit' >&2)
