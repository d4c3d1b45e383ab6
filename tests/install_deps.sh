#!/usr/bin/env bash
# Usage: tests/install_deps.sh [extra-package ...]. Installs the Debian packages that
# building and testing need (and the extra ones), when missing; the desktop tests need
# Xvfb, a window manager, xdotool and a screen reader's accessibility bus; the vCard
# tests read the cards with vobject (Debian) and ical.js (npm, installed globally).
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config libgtest-dev libexpat1-dev expat libicu-dev
          qt6-base-dev libxlsxwriter-dev python3-xlrd python3-openpyxl python3-vobject gnumeric time
          dpkg-dev file lintian man-db appstream bash-completion
          xvfb xauth openbox xdotool dbus-daemon dbus-bin at-spi2-core python3-pyatspi "$@")
command -v node >/dev/null || packages+=(nodejs npm)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
# ical.js, beside node's own prefix, where tests/export/read_vcards.mjs looks for it.
install_icaljs() {
    local prefix
    prefix=$(dirname "$(command -v node)")/..
    [ -f "$prefix/lib/node_modules/ical.js/package.json" ] && return 0
    echo "Installing: ical.js (npm)"
    npm install -g --prefix "$prefix" --no-fund --no-audit ical.js@2 >/dev/null
}
if [ "${#missing[@]}" -eq 0 ]; then
    install_icaljs
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "These Debian packages are missing: ${missing[*]}. Run this script as root (or install them with apt-get)." >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
DEBIAN_FRONTEND=noninteractive apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
install_icaljs
