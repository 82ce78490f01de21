# grondel_export_headers(TARGET)
# Those that link TARGET include its headers as "<folder>/name.h", <folder> being the folder of
# the CMakeLists.txt calling this, and see no other folder of src/ through it: a build-tree
# folder holds one link to that folder alone. What a library may include is then what it links.
function(grondel_export_headers target)
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(root ${PROJECT_BINARY_DIR}/include/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()

# grondel_add_test(NAME SOURCES file... LIBS target...)
# One GoogleTest executable, its cases registered with CTest one by one.
# Every test main() forces the offscreen Qt platform, so discovery needs no display.
function(grondel_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} grondel_test_main GTest::gtest)
    # Tests find golden files and samples from here.
    target_compile_definitions(${name} PRIVATE GRONDEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    # A static Qt (the Windows build) links in only the platform plugin of the system: the tests
    # draw offscreen, so name that one too.
    get_target_property(qt_type Qt6::Core TYPE)
    if(qt_type STREQUAL "STATIC_LIBRARY")
        qt_import_plugins(${name} INCLUDE Qt6::QOffscreenIntegrationPlugin)
    endif()
    # Cross-built, the cases are listed when ctest runs, through the emulator: building needs no
    # Wine.
    if(CMAKE_CROSSCOMPILING)
        set(mode DISCOVERY_MODE PRE_TEST)
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60 ${mode}
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# grondel_add_core_test(NAME SOURCES file... LIBS target...)
# A test of the core or the file edge: GoogleTest's own main, no Qt, so it builds wherever they
# build. When cross-compiling its cases are listed when ctest runs, through the emulator (Wine),
# so building needs no Wine.
function(grondel_add_core_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(${name} PRIVATE GRONDEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    # GCC 12 warns falsely about overlapping copies inside std::string's operator+ (its bug
    # 105651), in tests that build model texts from pieces; MinGW's build of it more often.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${name} PRIVATE -Wno-restrict)
    endif()
    if(CMAKE_CROSSCOMPILING)
        set(mode DISCOVERY_MODE PRE_TEST)
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 ${mode} PROPERTIES TIMEOUT 120)
endfunction()

# grondel_add_benchmark(NAME SOURCES file... LIBS target...)
function(grondel_add_benchmark name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark_main)
endfunction()
