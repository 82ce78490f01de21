# Cross-compiles for 64-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-x86-64-posix), linked
# statically so each .exe runs alone, and runs what it builds under Wine (ctest, test discovery).
# GRONDEL_WINDOWS_DEPS: the prefix scripts/windows-deps.sh installs zlib, libspng and
# libjpeg-turbo into.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
# The -posix variants: std::thread and std::mutex need the winpthreads threading model.
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES GRONDEL_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${GRONDEL_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_LIBRARY_SUFFIXES .a) # static libraries only, no import libraries of DLLs

# libstdc++, libgcc and winpthread inside the .exe: nothing to ship beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wine)
