# GoogleTest: the system's package on a native build; for Windows, the one
# scripts/windows-deps.sh builds into GRONDEL_WINDOWS_DEPS.
find_package(GTest REQUIRED)

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
