# Cross build of the 64-bit test program with Debian's mingw-w64 packages: the
# same sources as the shipped 32-bit program, run under a 64-bit Wine where the
# kernel runs no 32-bit programs. Never shipped.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(UNINST_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
