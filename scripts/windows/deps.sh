#!/bin/sh
# Installs the Debian 12 packages that cross-building Quillet for Windows and testing it under
# Wine need, on top of what scripts/deps.sh installs for the Linux build.
set -e
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends \
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
    wine64 wine \
    dpkg-dev tcl xz-utils zip unzip qt6-translations-l10n librsvg2-bin >/dev/null
