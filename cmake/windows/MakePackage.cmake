# SPDX-License-Identifier: MIT
# Makes the Windows package from an installed build (cmake -P, see Package.cmake):
#   <ROOT>/Quillet/       the portable folder, binaries stripped
#   <ROOT>/<ZIP>          its zip
#   <ROOT>/<INSTALLER>    the installer (NSIS), which installs the folder's files
#
# Variables: BUILD_DIR, ROOT, ZIP, INSTALLER, STRIP, MAKENSIS, NSI, VERSION.

set(folder ${ROOT}/Quillet)
file(REMOVE_RECURSE ${ROOT})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${folder}
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)

# Stripped binaries: debugging information and symbol tables are half of the package's size and
# of no use to a user.
file(GLOB_RECURSE binaries ${folder}/*.exe ${folder}/*.dll)
foreach(binary IN LISTS binaries)
    execute_process(COMMAND ${STRIP} --strip-unneeded ${binary} COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# Nothing of this machine's folders belongs in the package's texts (qt.conf, catalogues).
file(GLOB_RECURSE texts ${folder}/*.conf)
foreach(text IN LISTS texts)
    file(STRINGS ${text} lines REGEX "/(work|var|usr|home|tmp)/")
    if(lines)
        message(FATAL_ERROR "${text} names a folder of the build machine: ${lines}")
    endif()
endforeach()

execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip Quillet
    WORKING_DIRECTORY ${ROOT} COMMAND_ERROR_IS_FATAL ANY)

# The installer's file list: every file of the folder but the note database, which the installer
# writes only where none is, and the folders to remove again on uninstall (deepest first).
set(install_lines)
set(remove_lines)
set(folders)
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${folder} ${folder}/*)
list(SORT files)
set(current_dir "")
foreach(file IN LISTS files)
    if(file STREQUAL "Quillet.mdb")
        continue()
    endif()
    get_filename_component(dir ${file} DIRECTORY)
    string(REPLACE "/" "\\" windows_file ${file})
    string(REPLACE "/" "\\" windows_dir "${dir}")
    if(NOT dir STREQUAL current_dir)
        if(dir STREQUAL "")
            list(APPEND install_lines "    SetOutPath \"$INSTDIR\"")
        else()
            list(APPEND install_lines "    SetOutPath \"$INSTDIR\\${windows_dir}\"")
            list(APPEND folders ${windows_dir})
        endif()
        set(current_dir ${dir})
    endif()
    list(APPEND install_lines "    File \"${folder}/${file}\"")
    list(APPEND remove_lines "    Delete \"$INSTDIR\\${windows_file}\"")
endforeach()
list(REMOVE_DUPLICATES folders)
list(SORT folders)
list(REVERSE folders)
foreach(dir IN LISTS folders)
    list(APPEND remove_lines "    RMDir \"$INSTDIR\\${dir}\"")
endforeach()
list(JOIN install_lines "\n" install_lines)
list(JOIN remove_lines "\n" remove_lines)
set(files_nsh ${ROOT}/installer-files.nsh)
file(WRITE ${files_nsh}
    "!macro QUILLET_INSTALL_FILES\n${install_lines}\n!macroend\n"
    "!macro QUILLET_REMOVE_FILES\n${remove_lines}\n!macroend\n")

execute_process(
    COMMAND ${MAKENSIS} -V2 -INPUTCHARSET UTF8 -DVERSION=${VERSION} -DFILES=${files_nsh}
            -DDATABASE=${folder}/Quillet.mdb -DOUTFILE=${ROOT}/${INSTALLER} ${NSI}
    COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE ${files_nsh})
message(STATUS "Package: ${folder}, ${ROOT}/${ZIP} and ${ROOT}/${INSTALLER}")
