# SPDX-License-Identifier: MIT
# Cross-compiling for Windows x86_64 with Debian's MinGW-w64 compilers (POSIX threads model, which
# std::thread and Qt need). Used for Qt itself (scripts/windows/build-qt.sh) and for Quillet (the
# `windows` preset), where QUILLET_WINDOWS_QT names the Qt that build-qt.sh installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)

# Headers and libraries come from the MinGW tree (and the cross-built Qt); programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(QUILLET_WINDOWS_QT)
    if(NOT EXISTS ${QUILLET_WINDOWS_QT}/.complete)
        message(FATAL_ERROR "No Qt for Windows in ${QUILLET_WINDOWS_QT}: run scripts/windows/deps.sh "
                            "and scripts/windows/build-qt.sh once")
    endif()
    list(PREPEND CMAKE_FIND_ROOT_PATH ${QUILLET_WINDOWS_QT})
    list(PREPEND CMAKE_PREFIX_PATH ${QUILLET_WINDOWS_QT})
    # Qt's code generators (moc, rcc, uic) run on the build machine: the host's Qt of the same version.
    set(QT_HOST_PATH /usr)
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
    # pkg-config reads the Windows libraries' files (gumbo.pc) and never the host's.
    set(ENV{PKG_CONFIG_LIBDIR} ${QUILLET_WINDOWS_QT}/lib/pkgconfig)
    set(ENV{PKG_CONFIG_PATH} "")
endif()
