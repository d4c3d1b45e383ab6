#!/usr/bin/env bash
# Usage: tests/install_deps.sh [extra-package ...]. Installs the Debian packages that
# building and testing need (and the extra ones), when missing; the desktop tests need
# Xvfb, a window manager, xdotool and a screen reader's accessibility bus.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config libgtest-dev libexpat1-dev expat libicu-dev
          qt6-base-dev qt6-svg-dev libxlsxwriter-dev python3-xlrd python3-openpyxl gnumeric time
          dpkg-dev file lintian man-db appstream bash-completion
          xvfb xauth openbox xdotool dbus-daemon dbus-bin at-spi2-core python3-pyatspi "$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
[ "${#missing[@]}" -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
    echo "These Debian packages are missing: ${missing[*]}. Run this script as root (or install them with apt-get)." >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
DEBIAN_FRONTEND=noninteractive apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
