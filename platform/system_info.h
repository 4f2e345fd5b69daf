// System information: dynamically loaded libraries and their entry points,
// the Windows version, file version resources, the processor architecture,
// the Windows folders and the drive letters with their NT device names.
#pragma once

#include "platform/types.h"

#if !defined(_WIN32)

// Entry points found with GetProcAddress are cast to their real type by the caller.
typedef INT_PTR(WINAPI* FARPROC)();

// dwPlatformId values.
#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

// wProductType values.
#define VER_NT_WORKSTATION 0x0000001
#define VER_NT_DOMAIN_CONTROLLER 0x0000002
#define VER_NT_SERVER 0x0000003

// wProcessorArchitecture values.
#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_MIPS 1
#define PROCESSOR_ARCHITECTURE_ALPHA 2
#define PROCESSOR_ARCHITECTURE_PPC 3
#define PROCESSOR_ARCHITECTURE_ARM 5
#define PROCESSOR_ARCHITECTURE_IA64 6
#define PROCESSOR_ARCHITECTURE_ALPHA64 7
#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_ARCHITECTURE_ARM64 12
#define PROCESSOR_ARCHITECTURE_UNKNOWN 0xFFFF

#define VS_FFI_SIGNATURE 0xFEEF04BDL
#define VS_FFI_STRUCVERSION 0x00010000L

#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L

struct OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
};
typedef OSVERSIONINFOW* LPOSVERSIONINFOW;

struct OSVERSIONINFOEXW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
};
typedef OSVERSIONINFOEXW* LPOSVERSIONINFOEXW;

struct SYSTEM_INFO {
  union {
    DWORD dwOemId;
    struct {
      WORD wProcessorArchitecture;
      WORD wReserved;
    };
  };
  DWORD dwPageSize;
  LPVOID lpMinimumApplicationAddress;
  LPVOID lpMaximumApplicationAddress;
  DWORD_PTR dwActiveProcessorMask;
  DWORD dwNumberOfProcessors;
  DWORD dwProcessorType;
  DWORD dwAllocationGranularity;
  WORD wProcessorLevel;
  WORD wProcessorRevision;
};
typedef SYSTEM_INFO* LPSYSTEM_INFO;

struct VS_FIXEDFILEINFO {
  DWORD dwSignature;
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};

// LoadLibraryExW flags.
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x8
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x800

// Libraries the machine knows: "kernel32.dll", "ntdll.dll", "psapi.dll",
// "wtsapi32.dll", "userenv.dll" (case-insensitive, ".dll" optional). Fails with
// ERROR_MOD_NOT_FOUND for any other name or one the machine declares missing.
// They all live in the system folder: a path names one only there.
HMODULE LoadLibraryW(LPCWSTR name);
// file must be null; flags 0, LOAD_WITH_ALTERED_SEARCH_PATH or
// LOAD_LIBRARY_SEARCH_SYSTEM32, which fails with ERROR_INVALID_PARAMETER where
// kernel32 lacks SetDefaultDllDirectories (Windows 7 without KB2533623).
HMODULE LoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags);
// "" takes the current folder out of the search for libraries.
BOOL SetDllDirectoryW(LPCWSTR path);
// ERROR_PROC_NOT_FOUND when the library lacks the entry point.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);

// dwOSVersionInfoSize selects the structure: sizeof(OSVERSIONINFOW) or
// sizeof(OSVERSIONINFOEXW) (pass the latter through a cast, as on Windows).
BOOL GetVersionExW(LPOSVERSIONINFOW info);

DWORD GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle);
BOOL GetFileVersionInfoW(LPCWSTR file, DWORD handle, DWORD size, LPVOID data);
BOOL VerQueryValueW(LPCVOID block, LPCWSTR sub_block, LPVOID* buffer, UINT* length);

// The Windows folders, from the registry's SystemRoot (never the environment).
// The length copied (without the terminator), or the size needed (with it)
// when the buffer is too small.
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);
UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size);
UINT GetSystemWindowsDirectoryW(LPWSTR buffer, UINT size);
// SysWOW64 on a 64-bit system; 0 with ERROR_CALL_NOT_IMPLEMENTED on a 32-bit one.
UINT GetSystemWow64DirectoryW(LPWSTR buffer, UINT size);

void GetSystemInfo(LPSYSTEM_INFO info);
void GetNativeSystemInfo(LPSYSTEM_INFO info);

// "C:\<nul>D:\<nul><nul>"; the length without the final terminator, or the size
// needed (with it) when the buffer is too small.
DWORD GetLogicalDriveStringsW(DWORD size, LPWSTR buffer);
// The NT device of a drive ("C:" -> "\Device\HarddiskVolume2"), double-zero terminated.
DWORD QueryDosDeviceW(LPCWSTR device_name, LPWSTR target_path, DWORD size);

// ---- simulated host only ----
// Entry points of a library for GetProcAddress. Layer files register theirs from
// a static initialiser; the table is built on first use, so order does not matter.
void SimRegisterEntryPoint(const char* library, const char* name, FARPROC function);

// Library loads this process asked for by bare name (searched for, the
// program's own folder first on Windows) and by a path into the system folder.
DWORD SimBareNameLibraryLoads();
DWORD SimSystemPathLibraryLoads();
// What the process set with SetDefaultDllDirectories (0: never called) and
// whether SetDllDirectoryW("") took the current folder out.
DWORD SimDefaultDllDirectories();
BOOL SimCurrentFolderOutOfDllSearch();

// The undocumented ntdll export, reached through GetProcAddress only.
void WINAPI RtlGetNtVersionNumbers(DWORD* major, DWORD* minor, DWORD* build);

#endif  // !_WIN32

// version.dll is reached through LoadSystemLibrary/GetProcAddress, never
// imported: the types of its entry points.
typedef DWORD(WINAPI* GetFileVersionInfoSizeWFn)(LPCWSTR path, LPDWORD handle);
typedef BOOL(WINAPI* GetFileVersionInfoWFn)(LPCWSTR path, DWORD handle, DWORD size, LPVOID data);
typedef BOOL(WINAPI* VerQueryValueWFn)(LPCVOID block, LPCWSTR sub_block, LPVOID* buffer,
                                       UINT* length);
