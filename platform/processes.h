// Processes: listing the live ones, opening, querying and ending them, their
// modules and image paths, and the privileges of the program's access token.
//
// The PSAPI functions (EnumProcesses, EnumProcessModules, GetModuleBaseNameW,
// GetModuleFileNameExW, GetProcessImageFileNameW) and NtQueryInformationProcess
// live in libraries that older systems lack: code above the layer reaches them
// through LoadLibraryW/GetProcAddress (platform/system_info.h), which hand out
// exactly these functions on the simulated host.
#pragma once

#include "platform/types.h"

#if defined(_WIN32)

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

// The newer headers widen PROCESS_ALL_ACCESS to rights Windows XP does not
// know, and XP refuses such a request outright; the narrower mask works everywhere.
#undef PROCESS_ALL_ACCESS
#define PROCESS_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFF)

#else  // simulated host

typedef LONG NTSTATUS;
typedef ULONG* PULONG;
#define NT_SUCCESS(status) (static_cast<NTSTATUS>(status) >= 0)

// GetExitCodeProcess while the process runs.
#define STILL_ACTIVE 259

// Process access rights.
#define PROCESS_TERMINATE 0x0001
#define PROCESS_CREATE_THREAD 0x0002
#define PROCESS_VM_OPERATION 0x0008
#define PROCESS_VM_READ 0x0010
#define PROCESS_VM_WRITE 0x0020
#define PROCESS_DUP_HANDLE 0x0040
#define PROCESS_CREATE_PROCESS 0x0080
#define PROCESS_SET_QUOTA 0x0100
#define PROCESS_SET_INFORMATION 0x0200
#define PROCESS_QUERY_INFORMATION 0x0400
#define PROCESS_SUSPEND_RESUME 0x0800
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#define PROCESS_ALL_ACCESS 0x1F0FFF

// Access token rights and privilege attributes.
#define TOKEN_ASSIGN_PRIMARY 0x0001
#define TOKEN_DUPLICATE 0x0002
#define TOKEN_IMPERSONATE 0x0004
#define TOKEN_QUERY 0x0008
#define TOKEN_QUERY_SOURCE 0x0010
#define TOKEN_ADJUST_PRIVILEGES 0x0020
#define TOKEN_ADJUST_GROUPS 0x0040
#define TOKEN_ADJUST_DEFAULT 0x0080
#define SE_PRIVILEGE_ENABLED_BY_DEFAULT 0x00000001L
#define SE_PRIVILEGE_ENABLED 0x00000002L
#define SE_PRIVILEGE_REMOVED 0x00000004L
#define ANYSIZE_ARRAY 1

#define ERROR_NOT_ALL_ASSIGNED 1300L
#define ERROR_NO_SUCH_PRIVILEGE 1313L

struct LUID {
  DWORD LowPart;
  LONG HighPart;
};
typedef LUID* PLUID;

struct LUID_AND_ATTRIBUTES {
  LUID Luid;
  DWORD Attributes;
};
typedef LUID_AND_ATTRIBUTES* PLUID_AND_ATTRIBUTES;

struct TOKEN_PRIVILEGES {
  DWORD PrivilegeCount;
  LUID_AND_ATTRIBUTES Privileges[ANYSIZE_ARRAY];
};
typedef TOKEN_PRIVILEGES* PTOKEN_PRIVILEGES;

// NtQueryInformationProcess classes; only the basic information is known here.
enum PROCESSINFOCLASS {
  ProcessBasicInformation = 0,
};

struct PROCESS_BASIC_INFORMATION {
  NTSTATUS ExitStatus;  // STILL_ACTIVE while the process runs
  PVOID PebBaseAddress;
  ULONG_PTR AffinityMask;
  LONG BasePriority;
  ULONG_PTR UniqueProcessId;
  ULONG_PTR InheritedFromUniqueProcessId;  // the parent's process id
};
typedef PROCESS_BASIC_INFORMATION* PPROCESS_BASIC_INFORMATION;

// The ids of the machine's live processes; bytes_returned says how many bytes
// of ids were stored (a full buffer may mean there are more).
BOOL EnumProcesses(DWORD* ids, DWORD bytes, LPDWORD bytes_returned);
// ERROR_INVALID_PARAMETER for an id that is no live process of the machine.
// The handle allows exactly the rights asked for; it can be waited on once
// SYNCHRONIZE is among them and is signalled when the process has ended.
HANDLE OpenProcess(DWORD desired_access, BOOL inherit, DWORD process_id);
// Ends the process at once (PROCESS_TERMINATE); does not wait for its end.
BOOL TerminateProcess(HANDLE process, UINT exit_code);
// A 32-bit program on a 64-bit system (this process only on the simulated host).
BOOL IsWow64Process(HANDLE process, PBOOL wow64_process);
// STILL_ACTIVE while it runs.
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exit_code);
// When the process started (and ended), as FILETIMEs; its processor times.
BOOL GetProcessTimes(HANDLE process, LPFILETIME creation_time, LPFILETIME exit_time,
                     LPFILETIME kernel_time, LPFILETIME user_time);

// A process has one module here, its image; null names it in the calls below.
BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bytes, LPDWORD bytes_needed);
// The image's file name ("SampleApp.exe").
DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, LPWSTR buffer, DWORD size);
// The image's path in drive form ("C:\Program Files\...").
DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR buffer, DWORD size);
// The image's path in NT device form ("\Device\HarddiskVolume2\Program Files\...").
DWORD GetProcessImageFileNameW(HANDLE process, LPWSTR buffer, DWORD size);

NTSTATUS WINAPI NtQueryInformationProcess(HANDLE process, PROCESSINFOCLASS information_class,
                                          PVOID information, ULONG length, PULONG returned);

BOOL OpenProcessToken(HANDLE process, DWORD desired_access, PHANDLE token);
// Privileges of the local system only (system_name null or empty).
BOOL LookupPrivilegeValueW(LPCWSTR system_name, LPCWSTR name, PLUID luid);
// Succeeds with ERROR_NOT_ALL_ASSIGNED when the token lacks one of the privileges.
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disable_all, PTOKEN_PRIVILEGES new_state,
                           DWORD buffer_length, PTOKEN_PRIVILEGES previous_state,
                           PDWORD return_length);

// Starting programs.
#define STARTF_USESHOWWINDOW 0x00000001
#define STARTF_USESTDHANDLES 0x00000100
#ifndef SW_HIDE
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_SHOWDEFAULT 10
#endif
#define DEBUG_PROCESS 0x00000001
#define CREATE_SUSPENDED 0x00000004
#define DETACHED_PROCESS 0x00000008
#define CREATE_NEW_CONSOLE 0x00000010
#define NORMAL_PRIORITY_CLASS 0x00000020
#define CREATE_UNICODE_ENVIRONMENT 0x00000400
#define CREATE_NO_WINDOW 0x08000000

struct STARTUPINFOW {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};
typedef STARTUPINFOW* LPSTARTUPINFOW;

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;  // waitable: signalled when the process ends
  DWORD dwProcessId;
  DWORD dwThreadId;
};
typedef PROCESS_INFORMATION* LPPROCESS_INFORMATION;

// command_line is parsed as Windows does (the program quoted or up to the
// first blank; ".exe" added when the name has no extension) and may be
// written to. The new process runs in the caller's session as the caller's
// user; CreateProcessAsUserW runs it as the token's user in the token's
// session. environment: null for the caller's own, else a block as
// CreateEnvironmentBlock makes (UTF-16 with CREATE_UNICODE_ENVIRONMENT).
BOOL CreateProcessW(LPCWSTR application_name, LPWSTR command_line,
                    LPSECURITY_ATTRIBUTES process_attributes,
                    LPSECURITY_ATTRIBUTES thread_attributes, BOOL inherit_handles,
                    DWORD creation_flags, LPVOID environment, LPCWSTR current_directory,
                    LPSTARTUPINFOW startup_info, LPPROCESS_INFORMATION process_information);
BOOL CreateProcessAsUserW(HANDLE token, LPCWSTR application_name, LPWSTR command_line,
                          LPSECURITY_ATTRIBUTES process_attributes,
                          LPSECURITY_ATTRIBUTES thread_attributes, BOOL inherit_handles,
                          DWORD creation_flags, LPVOID environment, LPCWSTR current_directory,
                          LPSTARTUPINFOW startup_info,
                          LPPROCESS_INFORMATION process_information);

// Snapshots of the process list.
#define TH32CS_SNAPPROCESS 0x00000002

struct PROCESSENTRY32W {
  DWORD dwSize;  // set to sizeof(PROCESSENTRY32W) before the first call
  DWORD cntUsage;
  DWORD th32ProcessID;
  ULONG_PTR th32DefaultHeapID;
  DWORD th32ModuleID;
  DWORD cntThreads;
  DWORD th32ParentProcessID;
  LONG pcPriClassBase;
  DWORD dwFlags;
  WCHAR szExeFile[MAX_PATH];  // the program's file name, without its folder
};
typedef PROCESSENTRY32W* LPPROCESSENTRY32W;

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD process_id);
BOOL Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry);
BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry);

#endif  // _WIN32
