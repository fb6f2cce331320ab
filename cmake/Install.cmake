# Installing Quillet: the program folder under the prefix (the program, the database tool,
# the update library and a note database made only when none is there), and the desktop
# integration in the user's data folders ($XDG_DATA_HOME, by default ~/.local/share).
# Nothing here ever writes, replaces or removes an existing Quillet.mdb.

set(QUILLET_APP_ID "example.quillet.Quillet")
set(QUILLET_ICON_SIZES 16 22 24 32 48 64 128 256)
set(QUILLET_ICON_SVG ${PROJECT_SOURCE_DIR}/src/services/icons/quillet.svg)
set(QUILLET_SITE "http://${QUILLET_SITE_HOST}")

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

# `cmake --build <dir> --target uninstall` removes what the last install wrote. The note
# database is never among those files, so it stays.
add_custom_target(uninstall
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
            -P ${PROJECT_SOURCE_DIR}/cmake/Uninstall.cmake
    VERBATIM)
