# Cross build of the 32-bit Windows program with Debian's mingw-w64 packages.
# The -posix compilers: their libstdc++ has std::thread (the -win32 ones do not).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(UNINST_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${UNINST_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${UNINST_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${UNINST_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${UNINST_MINGW_PREFIX})
# Programs come from the build machine; headers and libraries from the target's tree only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
