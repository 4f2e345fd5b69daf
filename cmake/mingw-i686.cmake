# Cross build of the 32-bit Windows program with Debian's mingw-w64 packages.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(UNINST_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
