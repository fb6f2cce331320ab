# SPDX-License-Identifier: MIT
# Running the Windows build's programs on this machine: Wine as CMake's cross-compiling
# emulator, so add_test() of a program target runs it under Wine.

find_program(QUILLET_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(QUILLET_WINE NAMES wine64 wine)
find_program(QUILLET_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine)
if(NOT QUILLET_WINE OR NOT QUILLET_WINESERVER)
    message(FATAL_ERROR "Wine is needed to run the Windows programs; run scripts/windows/deps.sh")
endif()

# The folders of the DLLs a program of this build loads: Qt and SQLite, then MinGW's runtime.
set(QUILLET_WINDOWS_DLL_DIRS ${QUILLET_WINDOWS_QT}/bin)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    if(NOT EXISTS ${path})
        message(FATAL_ERROR "${dll} of the MinGW runtime not found (compiler said: ${path})")
    endif()
    get_filename_component(path ${path} REALPATH)
    list(APPEND QUILLET_WINDOWS_RUNTIME_DLLS ${path})
    get_filename_component(dir ${path} DIRECTORY)
    list(APPEND QUILLET_WINDOWS_DLL_DIRS ${dir})
endforeach()
list(REMOVE_DUPLICATES QUILLET_WINDOWS_DLL_DIRS)

# Wine sees the Linux file system as drive Z:.
set(QUILLET_WINE_PATH)
foreach(dir IN LISTS QUILLET_WINDOWS_DLL_DIRS)
    string(REPLACE "/" "\\" dir "Z:${dir}")
    list(APPEND QUILLET_WINE_PATH ${dir})
endforeach()
list(JOIN QUILLET_WINE_PATH ";" QUILLET_WINE_PATH)

# Paths compiled into the tests name the Linux file system by its drive: a bare "/work/..."
# would be taken on the current drive, C: once a test changes to a folder there.
set(QUILLET_WINE_DRIVE "Z:")

# The offscreen platform reads its fonts from one folder (QT_QPA_FONTDIR): a Latin and a CJK
# font, so that the widget tests measure Chinese text as with a font that has it.
set(QUILLET_WINE_FONTS ${CMAKE_BINARY_DIR}/wine-fonts)
file(MAKE_DIRECTORY ${QUILLET_WINE_FONTS})
foreach(font truetype/dejavu/DejaVuSans.ttf opentype/noto/NotoSansCJK-Regular.ttc)
    if(NOT EXISTS /usr/share/fonts/${font})
        message(FATAL_ERROR "/usr/share/fonts/${font} is missing; run scripts/windows/deps.sh")
    endif()
    get_filename_component(name ${font} NAME)
    file(CREATE_LINK /usr/share/fonts/${font} ${QUILLET_WINE_FONTS}/${name} SYMBOLIC)
endforeach()
set(QUILLET_WINE_FONTS_WINDOWS "Z:${QUILLET_WINE_FONTS}")

set(QUILLET_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run
    @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
