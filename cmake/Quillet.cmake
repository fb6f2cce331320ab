# SPDX-License-Identifier: MIT
# quillet_library(NAME SOURCES ... LIBS ...): one static library per source folder.
function(quillet_library name)
    cmake_parse_arguments(L "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${L_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${L_LIBS})
endfunction()

# quillet_test(NAME SOURCES ... LIBS ... [LABELS ...]): a QtTest executable run by CTest.
# Every test gets its own HOME and XDG folders below the build tree, so no test ever touches
# the real user's files, and runs on the offscreen platform unless it says otherwise.
function(quillet_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    # Test programs stay out of bin/, which holds only what a user runs.
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    set(home ${CMAKE_BINARY_DIR}/test-home/${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        LABELS "${T_LABELS}"
        FIXTURES_REQUIRED test-homes
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=${home};XDG_CONFIG_HOME=${home}/.config;XDG_DATA_HOME=${home}/.local/share;XDG_CACHE_HOME=${home}/.cache;QUILLET_SITE_URL=http://127.0.0.1:9;${T_ENV}")
endfunction()

# quillet_svg_resources(TARGET NAME FILES ...): SVG images compiled into the target's resources
# under their own names (":/icons/save.svg"). The Windows build has no Qt SVG module, so there
# each image is a PNG rendering of its SVG at four times its size, made at build time and kept
# under the SVG's name; Qt recognises the image by its content.
function(quillet_svg_resources target name)
    cmake_parse_arguments(R "" "" "FILES" ${ARGN})
    if(NOT WIN32)
        qt_add_resources(${target} ${name} PREFIX / FILES ${R_FILES})
        target_link_libraries(${target} PUBLIC Qt6::Svg)
        return()
    endif()
    find_program(QUILLET_RSVG_CONVERT rsvg-convert REQUIRED)
    set(pngs)
    foreach(svg IN LISTS R_FILES)
        set(png ${CMAKE_CURRENT_BINARY_DIR}/rendered/${svg}.png)
        get_filename_component(png_dir ${png} DIRECTORY)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${png_dir}
            COMMAND ${QUILLET_RSVG_CONVERT} --zoom 4 --output ${png} ${CMAKE_CURRENT_SOURCE_DIR}/${svg}
            DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${svg}
            VERBATIM)
        set_source_files_properties(${png} PROPERTIES GENERATED TRUE QT_RESOURCE_ALIAS ${svg})
        list(APPEND pngs ${png})
    endforeach()
    qt_add_resources(${target} ${name} PREFIX / FILES ${pngs})
endfunction()

# quillet_skipped_test(NAME REASON): a test that cannot run on this platform, listed by CTest as
# skipped with its reason rather than left out without a word.
function(quillet_skipped_test name reason)
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "SKIPPED on ${CMAKE_SYSTEM_NAME}: ${reason}")
    set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "SKIPPED on ")
endfunction()

# The screenshots of the end-to-end tests need Pillow with its X11 screen grab (Debian's
# python3-pil), and the harness reads windows with python3-xlib: a python3 found first on PATH
# without them (a private interpreter in the developer's home) is passed over.
function(quillet_python_grabs_screens result candidate)
    execute_process(COMMAND ${candidate} -c
            "import Xlib.display; from PIL import features, ImageGrab; \
raise SystemExit(not features.check('xcb'))"
        RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
    if(NOT status EQUAL 0)
        set(${result} FALSE PARENT_SCOPE)
    endif()
endfunction()
