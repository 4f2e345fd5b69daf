# The Windows build: the uninstaller alone (uninst.exe), on the system's API
# (platform/win32/) instead of the simulated host. Included from
# CMakeLists.txt when CMAKE_SYSTEM_NAME is Windows (cmake/mingw-i686.cmake, or
# cmake/mingw-x86_64.cmake for the 64-bit test build).
enable_language(RC)

# The warning options come from CMakeLists.txt, as for the Linux build.
set(UNINST_STATISTICS_HOST "statistics.uninstaller.invalid" CACHE STRING
    "host name of the usage statistics service")
# Windows 7 SP1 is the oldest system supported: the headers then declare
# nothing newer, so nothing newer gets imported by mistake.
add_compile_definitions(UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
include_directories(${CMAKE_SOURCE_DIR})

# zlib from libz-mingw-w64-dev, linked statically: the program needs no DLL
# beyond the system's own.
find_path(UNINST_ZLIB_INCLUDE_DIR zlib.h REQUIRED)
find_library(UNINST_ZLIB_STATIC NAMES libz.a REQUIRED)

# The same sources as the Linux build's uninst_core.
file(GLOB_RECURSE PRODUCT_SOURCES CONFIGURE_DEPENDS
  app/*.cpp packet_public/*.cpp engine/*.cpp report/*.cpp ui/*.cpp)
list(FILTER PRODUCT_SOURCES EXCLUDE REGEX ".*/app/main_entry\\.cpp$")
# The statistics URL is the one source that differs between the program and
# its loopback test variant: compiled per program, everything else once.
set(UNINST_STATISTICS_URL_SOURCE report/ZStatisticsUrl.cpp)
list(FILTER PRODUCT_SOURCES EXCLUDE REGEX ".*/report/ZStatisticsUrl\\.cpp$")
# Linux back ends of the UI (if any) stay on Linux.
list(FILTER PRODUCT_SOURCES EXCLUDE REGEX ".*/(sim|linux|posix)/.*")
file(GLOB PLATFORM_WIN32_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp platform/common/*.cpp)

# WinHTTP, BCrypt, wtsapi32, userenv, version, PSAPI, GDI+ and msimg32 are not linked: they
# are looked up at run time in the system folder (LoadSystemLibrary), since an
# import of a library that is not one of Windows' known DLLs is taken from the
# program's own folder first.
set(UNINST_WIN32_LIBRARIES ${UNINST_ZLIB_STATIC}
  ole32 oleaut32 shlwapi shell32 user32 gdi32 advapi32 comctl32 imm32)
# wWinMain and the GUI subsystem; the compiler's own runtime (libgcc,
# libstdc++, winpthread) linked in, so that no DLL of the compiler is needed.
# The PE header names Windows 7 (6.1) as the oldest system and subsystem.
set(UNINST_WIN32_LINK_OPTIONS -municode -static -static-libgcc -static-libstdc++
  -Wl,--major-subsystem-version,6,--minor-subsystem-version,1
  -Wl,--major-os-version,6,--minor-os-version,1)

# What the layer adds on top of the system (XML, HTTP, cipher), shared by the
# program and the adapters' own check program.
add_library(platform_win32 OBJECT ${PLATFORM_WIN32_SOURCES})
target_include_directories(platform_win32 PRIVATE ${UNINST_ZLIB_INCLUDE_DIR})

add_library(uninst_product OBJECT ${PRODUCT_SOURCES})
target_compile_options(uninst_product PRIVATE -municode)
# The entry point apart, so that test tools can link the product's objects.
add_library(uninst_entry OBJECT app/main_entry.cpp)
target_compile_options(uninst_entry PRIVATE -municode)
# windres finds the manifest and the icon beside the script and in resources/.
set_property(SOURCE platform/win32/uninst.rc APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_SOURCE_DIR}/platform/win32/uninst.manifest
  ${CMAKE_SOURCE_DIR}/resources/windows/uninst.ico)

# A program of the product's objects whose usage report goes to host.
function(uninst_program target host)
  add_executable(${target} WIN32 ${UNINST_STATISTICS_URL_SOURCE} $<TARGET_OBJECTS:uninst_entry>
    $<TARGET_OBJECTS:uninst_product> $<TARGET_OBJECTS:platform_win32> platform/win32/uninst.rc)
  target_compile_definitions(${target} PRIVATE UNINST_STATISTICS_HOST="${host}")
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-municode>)
  target_link_options(${target} PRIVATE ${UNINST_WIN32_LINK_OPTIONS} -mwindows)
  target_link_libraries(${target} PRIVATE ${UNINST_WIN32_LIBRARIES})
endfunction()

uninst_program(uninst "${UNINST_STATISTICS_HOST}")

# Known answers for the adapters, a console program for a Windows machine (or
# Wine): it prints each failed check and exits with their number. Off unless
# asked for: the Windows build is the program.
option(UNINST_WIN32_ADAPTER_CHECK "Build win32_adapter_check.exe" OFF)
if(UNINST_WIN32_ADAPTER_CHECK)
  add_executable(win32_adapter_check tests/win32/adapter_check.cpp
    $<TARGET_OBJECTS:platform_win32>)
  target_link_options(win32_adapter_check PRIVATE ${UNINST_WIN32_LINK_OPTIONS})
  target_link_libraries(win32_adapter_check PRIVATE ${UNINST_WIN32_LIBRARIES})
endif()

# The Wine test bed's own Windows programs (a process that holds files and
# windows, a service, the sample tool-set extension, the loader probe), built
# into this folder beside the program and never shipped with it.
option(UNINST_WINE_PROGRAMS "Build the Windows helper programs of the Wine test bed" OFF)
# The usage-report scenario's program: the same objects, its report sent to a
# loopback HOST:PORT where the test's collector listens.
set(UNINST_LOOPBACK_STATISTICS_HOST "127.0.0.1:38471" CACHE STRING
    "where uninst_loopback.exe, a test program of the Wine test bed, sends its usage report")
if(UNINST_WINE_PROGRAMS)
  uninst_program(uninst_loopback "${UNINST_LOOPBACK_STATISTICS_HOST}")
  add_subdirectory(tests/wine/programs)
endif()
