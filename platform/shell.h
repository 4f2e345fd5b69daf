// Shell services: file operations and path helpers.
#pragma once

#include "platform/types.h"

#if !defined(_WIN32)

#define FO_MOVE 0x0001
#define FO_COPY 0x0002
#define FO_DELETE 0x0003
#define FO_RENAME 0x0004

#define FOF_MULTIDESTFILES 0x0001
#define FOF_SILENT 0x0004
#define FOF_RENAMEONCOLLISION 0x0008
#define FOF_NOCONFIRMATION 0x0010
#define FOF_ALLOWUNDO 0x0040
#define FOF_FILESONLY 0x0080
#define FOF_NOCONFIRMMKDIR 0x0200
#define FOF_NOERRORUI 0x0400
#define FOF_NORECURSION 0x1000

// Results of SHFileOperationW besides the Win32 error codes.
#define DE_SAMEFILE 0x71
#define DE_DESTSUBTREE 0x76
#define DE_INVALIDFILES 0x7C
#define DE_DESTSAMETREE 0x7D
#define DE_ERROR_MAX 0xB7

typedef WORD FILEOP_FLAGS;

struct SHFILEOPSTRUCTW {
  HWND hwnd;
  UINT wFunc;
  PCWSTR pFrom;  // list of paths, each zero-terminated, the list ended by one more zero
  PCWSTR pTo;
  FILEOP_FLAGS fFlags;
  BOOL fAnyOperationsAborted;
  LPVOID hNameMappings;
  PCWSTR lpszProgressTitle;
};
typedef SHFILEOPSTRUCTW* LPSHFILEOPSTRUCTW;

int SHFileOperationW(LPSHFILEOPSTRUCTW operation);
BOOL PathFileExistsW(LPCWSTR path);

// Path text helpers (no file-system access). Buffers hold MAX_PATH characters.
// PathAppendW joins more to path with one backslash (leading backslashes of
// more are skipped) and canonicalises the result; false when it would not fit.
BOOL PathAppendW(LPWSTR path, LPCWSTR more);
// Removes "." and ".." components ("\" separated; never above the root).
BOOL PathCanonicalizeW(LPWSTR destination, LPCWSTR path);
LPWSTR PathCombineW(LPWSTR destination, LPCWSTR directory, LPCWSTR file);
BOOL PathIsRelativeW(LPCWSTR path);

// Special folders, named by their CSIDL. Only the file-system folders below
// are known; any other CSIDL fails.
#define CSIDL_DESKTOP 0x0000
#define CSIDL_PROGRAMS 0x0002
#define CSIDL_PERSONAL 0x0005
#define CSIDL_FAVORITES 0x0006
#define CSIDL_STARTUP 0x0007
#define CSIDL_RECENT 0x0008
#define CSIDL_SENDTO 0x0009
#define CSIDL_STARTMENU 0x000b
#define CSIDL_MYMUSIC 0x000d
#define CSIDL_MYVIDEO 0x000e
#define CSIDL_DESKTOPDIRECTORY 0x0010
#define CSIDL_FONTS 0x0014
#define CSIDL_TEMPLATES 0x0015
#define CSIDL_COMMON_STARTMENU 0x0016
#define CSIDL_COMMON_PROGRAMS 0x0017
#define CSIDL_COMMON_STARTUP 0x0018
#define CSIDL_COMMON_DESKTOPDIRECTORY 0x0019
#define CSIDL_APPDATA 0x001a
#define CSIDL_LOCAL_APPDATA 0x001c
#define CSIDL_COMMON_FAVORITES 0x001f
#define CSIDL_COMMON_APPDATA 0x0023
#define CSIDL_WINDOWS 0x0024
#define CSIDL_SYSTEM 0x0025
#define CSIDL_PROGRAM_FILES 0x0026
#define CSIDL_MYPICTURES 0x0027
#define CSIDL_PROFILE 0x0028
#define CSIDL_SYSTEMX86 0x0029
#define CSIDL_PROGRAM_FILESX86 0x002a
#define CSIDL_PROGRAM_FILES_COMMON 0x002b
#define CSIDL_PROGRAM_FILES_COMMONX86 0x002c
#define CSIDL_COMMON_TEMPLATES 0x002d
#define CSIDL_COMMON_DOCUMENTS 0x002e
#define CSIDL_COMMON_MUSIC 0x0035
#define CSIDL_COMMON_PICTURES 0x0036
#define CSIDL_COMMON_VIDEO 0x0037
#define CSIDL_FLAG_CREATE 0x8000
#define CSIDL_FLAG_MASK 0xFF00

#define SHGFP_TYPE_CURRENT 0  // where the folder is now (a user may have moved it)
#define SHGFP_TYPE_DEFAULT 1  // where it is on a fresh profile

// The folder's path into a MAX_PATH buffer. A folder that does not exist is
// created when create is TRUE, otherwise the call fails (FALSE).
BOOL SHGetSpecialFolderPathW(HWND owner, LPWSTR path, int csidl, BOOL create);
// S_OK with the path; E_FAIL when the folder does not exist (and
// CSIDL_FLAG_CREATE is not given), E_INVALIDARG for an unknown CSIDL. token
// chooses whose folders: null for the calling process's user, a token handle
// (TOKEN_QUERY) for its user, (HANDLE)-1 for the default profile.
HRESULT SHGetFolderPathW(HWND owner, int csidl, HANDLE token, DWORD flags, LPWSTR path);

// Opens file with the verb ("open" when null) as the shell would: a program
// is started with parameters, anything else goes to its handler. The result
// is greater than 32 on success, else an error code (SE_ERR_*, ERROR_*).
// On the simulated host every call is recorded in the machine's run folder
// (SimShellExecuteLogPath), and a program of the machine is started.
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31
#define ERROR_NO_ASSOCIATION 1155L
HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, INT show);

#endif  // !_WIN32
