# SPDX-License-Identifier: MIT
# [DESTDIR=<stage>] cmake -DMANIFEST=<install_manifest.txt> [-DFORGET=<quillet-forget-autostart>]
#     -P Uninstall.cmake
# Removes the files an install wrote, and the user's log-on start entry when it starts the
# program removed here (an entry for a copy elsewhere stays).
if(NOT EXISTS "${MANIFEST}")
    message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} is missing (install first).")
endif()
# The manifest names the files as installed, without the stage of a staged install.
file(STRINGS "${MANIFEST}" installed ENCODING UTF-8)
set(files)
foreach(file IN LISTS installed)
    list(APPEND files "$ENV{DESTDIR}${file}")
endforeach()
foreach(file IN LISTS files)
    get_filename_component(name "${file}" NAME)
    if(FORGET AND name STREQUAL "quillet")
        execute_process(COMMAND "${FORGET}" "${file}" RESULT_VARIABLE forgot)
        if(NOT forgot EQUAL 0)
            message(WARNING "The log-on start entry of ${file} could not be removed; it stays.")
        endif()
    endif()
endforeach()
foreach(file IN LISTS files)
    get_filename_component(name "${file}" NAME)
    if(name STREQUAL "Quillet.mdb")
        continue()  # the user's notes are never removed
    endif()
    if(EXISTS "${file}" OR IS_SYMLINK "${file}")
        message(STATUS "Removing ${file}")
        file(REMOVE "${file}")
    endif()
endforeach()
