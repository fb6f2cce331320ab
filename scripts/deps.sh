#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages that building, running and testing Quillet need;
# `scripts/deps.sh ci` also installs what only .ci/run's extra checks need.
set -e
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive

# Building: compiler, build tools, the Qt, SQLite and HTML parser (gumbo, which brings its
# library libgumbo1 for running) headers and libraries, GLib's headers (the log-on entries are
# GLib key files), the X11 ICCCM helpers' (window hints) and the X keyboard map (xcb-keysyms, for
# the global shortcuts) (the X libraries come with Qt's xcb plugin already), clang-format, which
# checks the layout of the sources, and Unicode's Han database (unicode-data) with Python, which
# make the find matcher's pinyin table from it.
BUILD="g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools qt6-svg-dev libsqlite3-dev
    libgumbo-dev libglib2.0-dev libxcb-icccm4-dev libxcb-keysyms1-dev clang-format unicode-data
    python3"
# Running: Qt's SVG support for the icons, Qt's own texts in Chinese, a Chinese font, a colour
# emoji font (emoji in notes are otherwise empty boxes), certificates for https update lists,
# and the sqlite3 tool for copying the note database by hand (the tests read it with it too).
RUN="libqt6svg6 qt6-translations-l10n fonts-noto-cjk fonts-noto-color-emoji ca-certificates sqlite3"
# Tests only: an X server, a window manager, a tray and tools that act as a person would, the
# Wayland compositor, the desktop-file and AppStream validators, Python with Pillow for the
# harness and its screenshots, gio and dex for the log-on start entries, chattr for read-only
# database files, and a private session bus with the accessibility bus and its Python client for
# reading what a screen reader reads, the X protocol library for Python that the harness
# reads windows with, and Tk for a window of another program.
TESTS="xvfb xauth x11-utils x11-xserver-utils openbox xdotool trayer dex python3 python3-pil
    weston qt6-wayland desktop-file-utils appstream libglib2.0-bin e2fsprogs
    dbus-daemon at-spi2-core python3-pyatspi python3-xlib python3-tk"
# CI only (`scripts/deps.sh ci`): the second compiler that .ci/run builds with and the static
# checker it runs (clang-tidy 16: version 14 cannot read std::source_location in GCC 12's
# library). Building and testing as the README says needs neither.
CI=
[ "${1-}" != ci ] || CI="clang-16 clang-tidy-16"

$SUDO apt-get update -qq
# shellcheck disable=SC2086 # the lists are split into package names on purpose
$SUDO apt-get install -y -qq --no-install-recommends $BUILD $RUN $TESTS $CI >/dev/null
