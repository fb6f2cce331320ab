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
    set(home ${CMAKE_BINARY_DIR}/test-home/${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        LABELS "${T_LABELS}"
        FIXTURES_REQUIRED test-homes
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=${home};XDG_CONFIG_HOME=${home}/.config;XDG_DATA_HOME=${home}/.local/share;XDG_CACHE_HOME=${home}/.cache;QUILLET_SITE_URL=http://127.0.0.1:9;${T_ENV}")
endfunction()
