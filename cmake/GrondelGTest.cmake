# GoogleTest for the tests: the system's package on a native build, built from its sources when
# GRONDEL_GTEST_SOURCE_DIR names them (no MinGW build of it is packaged).
set(GRONDEL_GTEST_SOURCE_DIR "" CACHE PATH "GoogleTest sources to build instead of finding it")
if(GRONDEL_GTEST_SOURCE_DIR)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${GRONDEL_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    # Its own warnings are not ours to make errors of.
    set_target_properties(gtest gtest_main PROPERTIES COMPILE_OPTIONS "")
    if(NOT TARGET GTest::gtest_main) # GoogleTest 1.11 and later name them so themselves
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
else()
    find_package(GTest REQUIRED)
endif()

# grondel_add_plain_test(NAME [PREFIX text] SOURCES file... LIBS target...)
# A GoogleTest executable for toolkit-free code: GoogleTest's own main, no Qt. Its cases are
# registered with CTest one by one; when cross-compiling they are listed when ctest runs, through
# the emulator (Wine), so building needs no Wine.
function(grondel_add_plain_test name)
    cmake_parse_arguments(ARG "" "PREFIX" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE GRONDEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    if(CMAKE_CROSSCOMPILING)
        set(mode DISCOVERY_MODE PRE_TEST)
    endif()
    gtest_discover_tests(${name} TEST_PREFIX "${ARG_PREFIX}" DISCOVERY_TIMEOUT 120 ${mode}
        PROPERTIES TIMEOUT 120)
endfunction()
