# What both mingw-w64 cross builds share; the toolchain file that includes it
# sets CMAKE_SYSTEM_PROCESSOR and UNINST_MINGW_PREFIX first. The -posix
# compilers: their libstdc++ has std::thread (the -win32 ones do not).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${UNINST_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${UNINST_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${UNINST_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${UNINST_MINGW_PREFIX})
# Programs come from the build machine; headers and libraries from the target's tree only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
