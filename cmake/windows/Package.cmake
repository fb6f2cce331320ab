# SPDX-License-Identifier: MIT
# The Windows package: a portable folder holding the program, the database tool, the update
# library, the Qt, SQLite and MinGW runtime DLLs, the Qt plugins the program loads, Qt's Chinese
# catalogue and an empty note database; a zip of that folder; and an installer of it.
#
#   cmake --build --preset windows --target windows-package
#       -> build-windows/package/Quillet/, build-windows/package/Quillet-<version>-windows-x86_64.zip
#          and build-windows/package/Quillet-<version>-setup.exe
#   cmake --install build-windows --prefix <folder>
#       installs or upgrades the program in <folder>; an existing Quillet.mdb there is kept as it is.

set_target_properties(quillet PROPERTIES OUTPUT_NAME Quillet WIN32_EXECUTABLE ON)

set(qt_dlls)
foreach(module Core Gui Widgets Network)
    list(APPEND qt_dlls $<TARGET_FILE:Qt6::${module}>)
endforeach()
set(sqlite_dll ${QUILLET_WINDOWS_QT}/bin/sqlite3.dll)
if(NOT EXISTS ${sqlite_dll})
    message(FATAL_ERROR "sqlite3.dll not found beside the Qt for Windows: ${sqlite_dll}")
endif()
install(TARGETS quillet quillet-makedb update RUNTIME DESTINATION . LIBRARY DESTINATION .)
install(FILES ${qt_dlls} ${sqlite_dll} ${QUILLET_WINDOWS_RUNTIME_DLLS} DESTINATION .)

# Plugins, each in the folder Qt looks for it beside the program (qt.conf names the program's
# folder as Qt's own).
foreach(entry
        platforms:QWindowsIntegrationPlugin styles:QWindowsVistaStylePlugin
        imageformats:QICOPlugin imageformats:QGifPlugin imageformats:QJpegPlugin
        tls:QSchannelBackendPlugin)
    string(REPLACE ":" ";" entry ${entry})
    list(GET entry 0 folder)
    list(GET entry 1 plugin)
    if(TARGET Qt6::${plugin})
        install(FILES $<TARGET_FILE:Qt6::${plugin}> DESTINATION ${folder})
    elseif(plugin STREQUAL "QWindowsIntegrationPlugin")
        message(FATAL_ERROR "The Qt for Windows has no Windows platform plugin")
    endif()
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/package-files/qt.conf
    "[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n")
install(FILES ${CMAKE_BINARY_DIR}/package-files/qt.conf DESTINATION .)

# Qt's own texts (buttons of message boxes, context menus) in Chinese; the catalogue is the same
# file on every system, so the host's copy serves.
find_file(QUILLET_QTBASE_ZH_CN qtbase_zh_CN.qm
    PATHS ${QT_HOST_PATH}/share/qt6/translations NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT QUILLET_QTBASE_ZH_CN)
    message(FATAL_ERROR "qtbase_zh_CN.qm not found; run scripts/windows/deps.sh")
endif()
install(FILES ${QUILLET_QTBASE_ZH_CN} DESTINATION translations)

# The empty note database, made by the database tool itself (under Wine), and installed only
# where none is.
set(empty_db ${CMAKE_BINARY_DIR}/package-files/Quillet.mdb)
add_custom_command(OUTPUT ${empty_db}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${empty_db}
    COMMAND quillet-makedb ${empty_db}
    DEPENDS quillet-makedb
    VERBATIM)
add_custom_target(windows-empty-database ALL DEPENDS ${empty_db})
install(CODE "
    set(db \"\${CMAKE_INSTALL_PREFIX}/Quillet.mdb\")
    if(EXISTS \"\${db}\")
        message(STATUS \"Keeping the existing note database: \${db}\")
    else()
        file(COPY_FILE \"${empty_db}\" \"\${db}\")
        message(STATUS \"Installed an empty note database: \${db}\")
    endif()")

find_program(QUILLET_MAKENSIS makensis)
if(NOT QUILLET_MAKENSIS)
    message(FATAL_ERROR "makensis (NSIS) is needed for the installer; run scripts/windows/deps.sh")
endif()
set(package_root ${CMAKE_BINARY_DIR}/package)
set(package_zip Quillet-${PROJECT_VERSION}-windows-x86_64.zip)
set(package_installer Quillet-${PROJECT_VERSION}-setup.exe)
add_custom_target(windows-package
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DROOT=${package_root}
            -DZIP=${package_zip} -DINSTALLER=${package_installer} -DSTRIP=${CMAKE_STRIP}
            -DMAKENSIS=${QUILLET_MAKENSIS} -DNSI=${PROJECT_SOURCE_DIR}/packaging/windows/quillet.nsi
            -DVERSION=${PROJECT_VERSION} -P ${CMAKE_CURRENT_LIST_DIR}/MakePackage.cmake
    DEPENDS quillet quillet-makedb update windows-empty-database
    VERBATIM)
