#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages that cross-building Quillet for Windows, packaging it and testing
# it under Wine need, on top of what scripts/deps.sh installs for the Linux build (the Linux build's
# packages are installed here too, so that this script alone prepares a fresh machine).
#
# Only 64-bit Wine: the program, its tests and the installer (made for amd64) are 64-bit Windows
# programs, so no i386 architecture and no wine32 are needed.
set -e
here=$(cd "$(dirname "$0")" && pwd)
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive

"$here/../deps.sh"

# Cross-building: the MinGW-w64 compilers (POSIX threads); build-qt.sh also needs the tools that
# fetch and unpack Debian's sources and make SQLite's amalgamation.
BUILD="g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    dpkg-dev tcl xz-utils librsvg2-bin"
# Packaging: the zip, the installer compiler, Qt's Chinese catalogue (the cross-built Qt has no
# translations).
PACKAGE="zip unzip nsis qt6-translations-l10n"
# Testing under Wine: Wine itself, a zh_CN locale for Wine's Chinese ANSI code page (936), and a
# Latin and a CJK font for the offscreen tests and the Wine prefix.
TESTS="wine64 wine locales fonts-dejavu-core fonts-noto-cjk"

$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
# shellcheck disable=SC2086 # the lists are split into package names on purpose
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends \
    $BUILD $PACKAGE $TESTS >/dev/null

# Wine takes its ANSI code page from LC_CTYPE: the tests run with zh_CN.UTF-8, which must exist.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    $SUDO sed -i 's/^# *\(zh_CN\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN\.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
