# The windows preset's toolchain. Where scripts/windows-qt.sh has built Qt for Windows
# (GRONDEL_WINDOWS_QT, the prefix it links build/windows-qt to), Qt's own toolchain file, which
# finds that Qt and its host tools and chain-loads mingw-w64.cmake; elsewhere mingw-w64.cmake
# alone, and the build leaves out what needs Qt (GRONDEL_WINDOWS_WITHOUT_QT).
# Read again at every configure: the Qt build that appears later is taken up then.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES GRONDEL_WINDOWS_QT)
set(qt_toolchain "${GRONDEL_WINDOWS_QT}/lib/cmake/Qt6/qt.toolchain.cmake")
if(GRONDEL_WINDOWS_QT AND EXISTS "${qt_toolchain}")
    # Named here, not by the path Qt was configured with: the cache may come from another
    # checkout.
    set(QT_CHAINLOAD_TOOLCHAIN_FILE "${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")
    set(QT_HOST_PATH /usr)
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
    include("${qt_toolchain}")
    set(GRONDEL_WINDOWS_WITHOUT_QT FALSE)
else()
    include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")
    set(GRONDEL_WINDOWS_WITHOUT_QT TRUE)
endif()
unset(qt_toolchain)
