# SPDX-License-Identifier: MIT
# Installing Quillet: the program folder under the prefix (the program, the database tool,
# the update library and a note database made only when none is there), and the desktop
# integration (desktop entry, icons, metainfo; where they go: InstallDesktop.cmake.in).
# Nothing here ever writes, replaces or removes an existing Quillet.mdb.

# The program writes its note database beside itself, so its folder must belong to the user
# who runs it: without a prefix of their own choosing, it is installed for the user alone.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT AND NOT WIN32 AND DEFINED ENV{HOME})
    set(CMAKE_INSTALL_PREFIX "$ENV{HOME}/.local/opt/quillet" CACHE PATH
        "The program folder: the program, its tools and the note database" FORCE)
endif()

set(QUILLET_ICON_SIZES 16 22 24 32 48 64 128 256)
set(QUILLET_ICON_SVG ${PROJECT_SOURCE_DIR}/src/services/icons/quillet.svg)
set(QUILLET_SITE "http://${QUILLET_SITE_HOST}")
# The class in the windows' WM_CLASS on X11: the application name that main.cpp sets.
set(QUILLET_WM_CLASS "Quillet")

# PNG icons rendered from the SVG source at build time.
set(icon_dir ${CMAKE_BINARY_DIR}/icons)
set(icon_pngs)
foreach(size IN LISTS QUILLET_ICON_SIZES)
    set(png ${icon_dir}/${size}/${QUILLET_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}/${size}
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                $<TARGET_FILE:quillet-render-icon> ${QUILLET_ICON_SVG} ${size} ${png}
        DEPENDS quillet-render-icon ${QUILLET_ICON_SVG}
        VERBATIM)
    list(APPEND icon_pngs ${png})
endforeach()
add_custom_target(quillet-icons ALL DEPENDS ${icon_pngs})

configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/quillet.metainfo.xml.in
    ${CMAKE_BINARY_DIR}/packaging/${QUILLET_APP_ID}.metainfo.xml @ONLY)
# The desktop entry's Exec line names the installed program, so it is finished at install time.
set(QUILLET_EXEC "@QUILLET_EXEC@")
configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/quillet.desktop.in
    ${CMAKE_BINARY_DIR}/packaging/quillet.desktop.in @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/InstallDesktop.cmake.in
    ${CMAKE_BINARY_DIR}/packaging/InstallDesktop.cmake @ONLY)

install(TARGETS quillet quillet-makedb RUNTIME DESTINATION .)
install(TARGETS update LIBRARY DESTINATION . RUNTIME DESTINATION .)
install(CODE "
    set(db \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/Quillet.mdb\")
    if(EXISTS \"\${db}\")
        message(STATUS \"Keeping the existing note database: \${db}\")
    else()
        execute_process(COMMAND \"$<TARGET_FILE:quillet-makedb>\" \"\${db}\" COMMAND_ERROR_IS_FATAL ANY)
    endif()")
if(UNIX AND NOT APPLE)
    install(SCRIPT ${CMAKE_BINARY_DIR}/packaging/InstallDesktop.cmake)
endif()

# `cmake --build <dir> --target uninstall` removes what the last install wrote, and the user's
# log-on start entry when it starts the program removed. The note database and its backups are
# never among those files, so they stay.
set(forget_autostart)
if(TARGET quillet-forget-autostart)
    set(forget_autostart -DFORGET=$<TARGET_FILE:quillet-forget-autostart>)
endif()
add_custom_target(uninstall
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
            ${forget_autostart} -P ${PROJECT_SOURCE_DIR}/cmake/Uninstall.cmake
    VERBATIM)
if(TARGET quillet-forget-autostart)
    add_dependencies(uninstall quillet-forget-autostart)
endif()
