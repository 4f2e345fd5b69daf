// Terminal sessions, access tokens and security identifiers, and the
// environment block of a user.
//
// The functions of wtsapi32.dll and userenv.dll are reached through
// LoadSystemLibrary/GetProcAddress (platform/common/system_library.h), never
// imported, so that no copy of those libraries beside the program is ever
// loaded: the typedefs below are the types of those entry points.
#pragma once

#include "platform/processes.h"
#include "platform/types.h"

#if defined(_WIN32)
#include <userenv.h>
#include <wtsapi32.h>
#else

// Sessions.
enum WTS_CONNECTSTATE_CLASS {
  WTSActive = 0,
  WTSConnected,
  WTSConnectQuery,
  WTSShadow,
  WTSDisconnected,
  WTSIdle,
  WTSListen,
  WTSReset,
  WTSDown,
  WTSInit,
};

struct WTS_SESSION_INFOW {
  DWORD SessionId;
  LPWSTR pWinStationName;
  WTS_CONNECTSTATE_CLASS State;
};
typedef WTS_SESSION_INFOW* PWTS_SESSION_INFOW;

#define WTS_CURRENT_SERVER_HANDLE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(0)))

// Lists the sessions of the local server (server WTS_CURRENT_SERVER_HANDLE,
// reserved 0, version 1); the list is freed with WTSFreeMemory.
BOOL WTSEnumerateSessionsW(HANDLE server, DWORD reserved, DWORD version,
                           PWTS_SESSION_INFOW* sessions, DWORD* count);
void WTSFreeMemory(PVOID memory);
// The primary token of the user logged on to a session (callers need the
// TCB privilege on Windows; ERROR_NO_TOKEN when nobody is logged on).
BOOL WTSQueryUserToken(ULONG session_id, PHANDLE token);

// Security identifiers.
typedef void* PSID;

struct SID_IDENTIFIER_AUTHORITY {
  BYTE Value[6];
};
typedef SID_IDENTIFIER_AUTHORITY* PSID_IDENTIFIER_AUTHORITY;

#define SECURITY_NT_AUTHORITY \
  { 0, 0, 0, 0, 0, 5 }
#define SECURITY_BUILTIN_DOMAIN_RID 0x00000020L
#define DOMAIN_ALIAS_RID_ADMINS 0x00000220L
#define DOMAIN_ALIAS_RID_USERS 0x00000221L

BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE sub_authority_count,
                              DWORD sub_authority0, DWORD sub_authority1, DWORD sub_authority2,
                              DWORD sub_authority3, DWORD sub_authority4, DWORD sub_authority5,
                              DWORD sub_authority6, DWORD sub_authority7, PSID* sid);
PVOID FreeSid(PSID sid);
BOOL EqualSid(PSID sid1, PSID sid2);
BOOL IsValidSid(PSID sid);
DWORD GetLengthSid(PSID sid);

// Access tokens.
#define TOKEN_ADJUST_SESSIONID 0x0100
#define TOKEN_ALL_ACCESS 0xF01FF

#define SE_GROUP_MANDATORY 0x00000001L
#define SE_GROUP_ENABLED_BY_DEFAULT 0x00000002L
#define SE_GROUP_ENABLED 0x00000004L
#define SE_GROUP_OWNER 0x00000008L
#define SE_GROUP_USE_FOR_DENY_ONLY 0x00000010L
#define SE_GROUP_LOGON_ID 0xC0000000L

enum TOKEN_INFORMATION_CLASS {
  TokenUser = 1,
  TokenGroups = 2,
  TokenPrivileges = 3,
  TokenOwner = 4,
  TokenPrimaryGroup = 5,
  TokenDefaultDacl = 6,
  TokenSource = 7,
  TokenType = 8,
  TokenImpersonationLevel = 9,
  TokenStatistics = 10,
  TokenRestrictedSids = 11,
  TokenSessionId = 12,
  TokenGroupsAndPrivileges = 13,
  TokenSessionReference = 14,
  TokenSandBoxInert = 15,
  TokenAuditPolicy = 16,
  TokenOrigin = 17,
  TokenElevationType = 18,
  TokenLinkedToken = 19,
  TokenElevation = 20,
};

enum TOKEN_TYPE {
  TokenPrimary = 1,
  TokenImpersonation = 2,
};

enum SECURITY_IMPERSONATION_LEVEL {
  SecurityAnonymous = 0,
  SecurityIdentification = 1,
  SecurityImpersonation = 2,
  SecurityDelegation = 3,
};

enum TOKEN_ELEVATION_TYPE {
  TokenElevationTypeDefault = 1,
  TokenElevationTypeFull = 2,
  TokenElevationTypeLimited = 3,
};

struct SID_AND_ATTRIBUTES {
  PSID Sid;
  DWORD Attributes;
};

struct TOKEN_USER {
  SID_AND_ATTRIBUTES User;
};

struct TOKEN_GROUPS {
  DWORD GroupCount;
  SID_AND_ATTRIBUTES Groups[ANYSIZE_ARRAY];
};
typedef TOKEN_GROUPS* PTOKEN_GROUPS;

struct TOKEN_LINKED_TOKEN {
  HANDLE LinkedToken;
};

struct TOKEN_ELEVATION {
  DWORD TokenIsElevated;
};

// Fills information (TOKEN_USER, TOKEN_GROUPS, a DWORD session id,
// TOKEN_LINKED_TOKEN, TOKEN_ELEVATION_TYPE, TOKEN_ELEVATION, TOKEN_TYPE) and
// sets return_length to the size needed; ERROR_INSUFFICIENT_BUFFER when it
// does not fit. TokenLinkedToken fails with ERROR_NO_SUCH_LOGON_SESSION when
// the token has no linked token.
BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS information_class,
                         LPVOID information, DWORD length, PDWORD return_length);
// Only TokenSessionId (a DWORD) can be set; it needs TOKEN_ADJUST_SESSIONID.
BOOL SetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS information_class,
                         LPVOID information, DWORD length);
BOOL DuplicateTokenEx(HANDLE token, DWORD desired_access, LPSECURITY_ATTRIBUTES attributes,
                      SECURITY_IMPERSONATION_LEVEL impersonation_level, TOKEN_TYPE token_type,
                      PHANDLE new_token);

// The environment of the user a token names (userenv.dll); inherit adds the
// caller's own variables. The block is UTF-16 "NAME=value" strings, each
// ended by a zero, the whole ended by one more zero.
BOOL CreateEnvironmentBlock(LPVOID* environment, HANDLE token, BOOL inherit);
BOOL DestroyEnvironmentBlock(LPVOID environment);

#define ERROR_NO_SUCH_LOGON_SESSION 1312L
#define ERROR_BAD_TOKEN_TYPE 1349L
#define ERROR_BAD_LENGTH 24L
#define ERROR_INVALID_SID 1337L
#define ERROR_BAD_IMPERSONATION_LEVEL 1346L

#endif  // !_WIN32

// The types of the entry points looked up at run time.
typedef BOOL(WINAPI* WTSQueryUserTokenFn)(ULONG session_id, PHANDLE token);
typedef BOOL(WINAPI* WTSEnumerateSessionsWFn)(HANDLE server, DWORD reserved, DWORD version,
                                              PWTS_SESSION_INFOW* sessions, DWORD* count);
typedef void(WINAPI* WTSFreeMemoryFn)(PVOID memory);
typedef BOOL(WINAPI* CreateEnvironmentBlockFn)(LPVOID* environment, HANDLE token, BOOL inherit);
typedef BOOL(WINAPI* DestroyEnvironmentBlockFn)(LPVOID environment);
