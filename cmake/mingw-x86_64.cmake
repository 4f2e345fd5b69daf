# Cross build of the 64-bit test program with Debian's mingw-w64 packages: the
# same sources as the shipped 32-bit program, run under a 64-bit Wine where the
# kernel runs no 32-bit programs. Never shipped.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(UNINST_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${UNINST_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${UNINST_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${UNINST_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${UNINST_MINGW_PREFIX})
# Programs come from the build machine; headers and libraries from the target's tree only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
