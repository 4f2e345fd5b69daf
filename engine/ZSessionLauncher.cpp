#include "engine/ZSessionLauncher.h"

#include <cstring>
#include <vector>

#include "packet_public/ZText.h"
#include "platform/common/system_library.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sessions.h"
#include "platform/system_info.h"

namespace {

// GetVersionExW's major and minor version; 0 when it fails.
void WindowsVersion(DWORD* major, DWORD* minor) {
  OSVERSIONINFOW version;
  std::memset(&version, 0, sizeof(version));
  version.dwOSVersionInfoSize = sizeof(version);
  *major = 0;
  *minor = 0;
  if (!GetVersionExW(&version)) return;
  *major = version.dwMajorVersion;
  *minor = version.dwMinorVersion;
}

DWORD LastErrorOr(DWORD fallback) {
  DWORD error = GetLastError();
  return error ? error : fallback;
}

// WTSQueryUserToken for the active session (session 0 when the session list
// cannot be read); the entry point is looked up at run time.
DWORD QueryActiveSessionToken(HANDLE* token) {
  DWORD session = 0;
  DWORD error = GetActiveSessionId(&session);
  if (error == ERROR_NOT_FOUND) return error;
  HMODULE library = LoadSystemLibrary(u"wtsapi32.dll");
  if (!library) return LastErrorOr(ERROR_MOD_NOT_FOUND);
  auto query = reinterpret_cast<WTSQueryUserTokenFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(library, "WTSQueryUserToken")));
  DWORD result = ERROR_PROC_NOT_FOUND;
  if (query) result = query(session, token) ? ERROR_SUCCESS : LastErrorOr(ERROR_NO_TOKEN);
  FreeLibrary(library);
  return result;
}

// True when the token's groups hold BUILTIN\Administrators, whatever the
// group's attributes (a filtered administrator token holds it for deny only).
bool HasAdministratorsGroup(HANDLE token) {
  DWORD needed = 0;
  GetTokenInformation(token, TokenGroups, nullptr, 0, &needed);
  if (needed == 0) return false;
  std::vector<unsigned char> buffer(needed);
  if (!GetTokenInformation(token, TokenGroups, buffer.data(), needed, &needed)) return false;
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators))
    return false;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  bool found = false;
  for (DWORD i = 0; i < groups->GroupCount && !found; ++i)
    found = EqualSid(groups->Groups[i].Sid, administrators) != FALSE;
  FreeSid(administrators);
  return found;
}

// UAC and linked administrator tokens came with Windows 6.0 (Vista). The
// manifest's supported-OS list makes Windows 10 and 11 report 10.0, so the
// test is "6 or later", not "6".
bool HasUserAccountControl(DWORD major) { return major >= 6; }

// The uninstaller's own token as a primary token placed in the active
// session (session 0 when the session list fails, except from version 6 on).
HANDLE OwnTokenInActiveSession() {
  HANDLE own = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &own)) return nullptr;
  HANDLE duplicate = nullptr;
  BOOL duplicated = DuplicateTokenEx(own, MAXIMUM_ALLOWED, nullptr, SecurityIdentification,
                                     TokenPrimary, &duplicate);
  CloseHandle(own);
  if (!duplicated) return nullptr;
  DWORD session = 0;
  if (GetActiveSessionId(&session) != ERROR_SUCCESS) {
    DWORD major = 0, minor = 0;
    WindowsVersion(&major, &minor);
    if (HasUserAccountControl(major)) {
      CloseHandle(duplicate);
      return nullptr;
    }
    session = 0;
  }
  SetTokenInformation(duplicate, TokenSessionId, &session, sizeof(session));
  return duplicate;
}

std::u16string CommandLine(const std::u16string& program, const std::u16string& arguments) {
  return u"\"" + program + u"\" " + arguments;
}

// Waits for the started process and collects its exit code; closes its handles.
void FinishLaunch(PROCESS_INFORMATION* info, DWORD wait_ms, DWORD* exit_code) {
  if (wait_ms != 0 && WaitForSingleObject(info->hThread, wait_ms) == WAIT_OBJECT_0 && exit_code)
    GetExitCodeProcess(info->hProcess, exit_code);
  if (info->hProcess) CloseHandle(info->hProcess);
  if (info->hThread) CloseHandle(info->hThread);
}

// Starts the command line with a token, in the user's desktop, with the
// token's own environment when userenv.dll can make it.
int LaunchWithToken(HANDLE token, const std::u16string& program, const std::u16string& arguments,
                    bool show, DWORD wait_ms, DWORD* exit_code) {
  char16_t desktop[] = u"Winsta0\\Default";
  STARTUPINFOW startup;
  std::memset(&startup, 0, sizeof(startup));
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show ? SW_SHOW : SW_HIDE;
  startup.lpDesktop = AsWide(desktop);

  DWORD flags = CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS;
  LPVOID environment = nullptr;
  DestroyEnvironmentBlockFn destroy = nullptr;
  HMODULE userenv = LoadSystemLibrary(u"userenv.dll");
  if (userenv) {
    auto create = reinterpret_cast<CreateEnvironmentBlockFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(userenv, "CreateEnvironmentBlock")));
    destroy = reinterpret_cast<DestroyEnvironmentBlockFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(userenv, "DestroyEnvironmentBlock")));
    if (create && destroy && create(&environment, token, FALSE)) flags |= CREATE_UNICODE_ENVIRONMENT;
    else environment = nullptr;
  }

  std::u16string command = CommandLine(program, arguments);
  PROCESS_INFORMATION info;
  std::memset(&info, 0, sizeof(info));
  BOOL created = CreateProcessAsUserW(token, nullptr, command.data(), nullptr, nullptr, FALSE, flags,
                                      environment, nullptr, &startup, &info);
  if (created) FinishLaunch(&info, wait_ms, exit_code);
  if (environment && destroy) destroy(environment);
  if (userenv) FreeLibrary(userenv);
  return created ? 1 : 0;
}

}  // namespace

DWORD GetActiveSessionId(DWORD* session_id) {
  *session_id = 0;
  HMODULE library = LoadSystemLibrary(u"wtsapi32.dll");
  if (!library) return LastErrorOr(ERROR_NOT_FOUND);
  auto enumerate = reinterpret_cast<WTSEnumerateSessionsWFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(library, "WTSEnumerateSessionsW")));
  auto release = reinterpret_cast<WTSFreeMemoryFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(library, "WTSFreeMemory")));
  PWTS_SESSION_INFOW sessions = nullptr;
  DWORD count = 0;
  if (!enumerate || !release || !enumerate(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count)) {
    DWORD error = LastErrorOr(ERROR_NOT_FOUND);
    FreeLibrary(library);
    return error;
  }
  DWORD error = ERROR_NOT_FOUND;
  for (DWORD i = 0; i < count; ++i) {
    if (sessions[i].State == WTSActive) {
      *session_id = sessions[i].SessionId;
      error = ERROR_SUCCESS;
      break;
    }
  }
  release(sessions);
  FreeLibrary(library);
  return error;
}

DWORD GetExplorerToken(HANDLE* token) {
  *token = nullptr;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return LastErrorOr(ERROR_NOT_FOUND);
  PROCESSENTRY32W entry;
  std::memset(&entry, 0, sizeof(entry));
  entry.dwSize = sizeof(entry);
  DWORD pid = 0;
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
       more = Process32NextW(snapshot, &entry)) {
    found = EqualNoCase(AsU16(entry.szExeFile), u"explorer.exe");
    if (found) pid = entry.th32ProcessID;
  }
  DWORD error = found ? ERROR_SUCCESS : LastErrorOr(ERROR_NOT_FOUND);
  CloseHandle(snapshot);
  if (!found) return error;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (!process) return LastErrorOr(ERROR_ACCESS_DENIED);
  if (!OpenProcessToken(process, TOKEN_ALL_ACCESS, token)) {
    error = LastErrorOr(ERROR_ACCESS_DENIED);
    *token = nullptr;
  }
  CloseHandle(process);
  return error;
}

DWORD GetInteractiveUserToken(HANDLE* token) {
  *token = nullptr;
  DWORD major = 0, minor = 0;
  WindowsVersion(&major, &minor);
  if (major == 5 && minor == 0) return GetExplorerToken(token);
  if (QueryActiveSessionToken(token) == ERROR_SUCCESS) return ERROR_SUCCESS;
  *token = nullptr;
  return GetExplorerToken(token);
}

int LaunchAsSessionAdmin(const std::u16string& program, const std::u16string& arguments, bool show,
                         DWORD wait_ms, DWORD* exit_code) {
  if (program.empty()) return 0;
  DWORD major = 0, minor = 0;
  WindowsVersion(&major, &minor);
  HANDLE token = nullptr;
  if (HasUserAccountControl(major)) {
    HANDLE user = nullptr;
    if (QueryActiveSessionToken(&user) != ERROR_SUCCESS) {
      user = nullptr;
      GetExplorerToken(&user);
    }
    if (user) {
      TOKEN_LINKED_TOKEN linked = {};
      DWORD length = 0;
      if (GetTokenInformation(user, TokenLinkedToken, &linked, sizeof(linked), &length) &&
          linked.LinkedToken) {
        CloseHandle(user);
        token = linked.LinkedToken;
      } else {
        token = user;
      }
    }
  } else {
    GetInteractiveUserToken(&token);
  }
  if (!token) return 0;
  if (!HasAdministratorsGroup(token)) {
    CloseHandle(token);
    token = OwnTokenInActiveSession();
    if (!token) return 0;
  }
  int created = LaunchWithToken(token, program, arguments, show, wait_ms, exit_code);
  CloseHandle(token);
  return created;
}

int LaunchAsSessionUser(const std::u16string& program, const std::u16string& arguments, bool show,
                        DWORD wait_ms, DWORD* exit_code) {
  if (program.empty()) return 0;
  HANDLE token = nullptr;
  if (GetInteractiveUserToken(&token) != ERROR_SUCCESS || !token) return 0;
  int created = LaunchWithToken(token, program, arguments, show, wait_ms, exit_code);
  CloseHandle(token);
  return created;
}

int LaunchDirect(const std::u16string& program, const std::u16string& arguments, bool show,
                 DWORD wait_ms, DWORD* exit_code) {
  STARTUPINFOW startup;
  std::memset(&startup, 0, sizeof(startup));
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show ? SW_SHOWDEFAULT : SW_HIDE;
  std::u16string command = CommandLine(program, arguments);
  PROCESS_INFORMATION info;
  std::memset(&info, 0, sizeof(info));
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info))
    return 0;
  FinishLaunch(&info, wait_ms, exit_code);
  return 1;
}
