# Shared helpers for the subsystem CMakeLists files.

# trvx_library(NAME SOURCES... [LIBS libs...]): one static library per source folder.
function(trvx_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/libs)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    target_compile_options(${name} PRIVATE -Wall -Wextra)
endfunction()

# trvx_module(NAME OUTPUT SOURCES... [LIBS libs...]): a module, libOUTPUT.so, that the program
# loads the first time it is needed (modules/ViewerModule.h, PrintModule.h,
# ArchiveModule.h), from beside itself or, installed, from lib/travodex/. It carries every library it needs (checked at
# link time); where the program holds the same code, the program's copy is the one used, as
# the program exports its symbols (ENABLE_EXPORTS), so both share one state.
function(trvx_module name output)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} MODULE ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/libs)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
    target_compile_options(${name} PRIVATE -Wall -Wextra)
    set_target_properties(${name} PROPERTIES OUTPUT_NAME ${output})
    install(TARGETS ${name} LIBRARY DESTINATION lib/travodex)
endfunction()

# trvx_test(NAME SOURCES... [LIBS libs...]): a GoogleTest executable registered with CTest.
# Tests run offscreen with the test environment of scripts/with-test-env.
function(trvx_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/libs
                                               ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} trvx_testsupport GTest::gtest Qt6::Test)
    target_compile_options(${name} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/support/QtPrinters.h)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-test-env $<TARGET_FILE:${name}>)
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
endfunction()

# trvx_fuzzer(NAME SOURCES... [LIBS libs...]): a libFuzzer target (fuzz build only).
function(trvx_fuzzer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/libs)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -g)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()
