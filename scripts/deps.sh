#!/bin/sh
# Installs the Debian 12 packages that building, running and testing Quillet need.
set -e
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
    g++ cmake ninja-build pkg-config ca-certificates \
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 \
    libsqlite3-dev sqlite3 \
    xvfb xauth x11-utils x11-apps x11-xserver-utils openbox xdotool trayer dex python3 \
    weston qt6-wayland \
    desktop-file-utils appstream \
    fonts-noto-cjk >/dev/null
