// Calls every function of the platform layer that takes or returns UTF-16 text
// the way code above the layer does: char16_t literals, std::u16string buffers,
// null where the API allows it. Compiled only against the real Windows headers
// (scripts/test, mingw-w64, -fsyntax-only): if it compiles, such calls resolve
// on Windows too. Also compiles on the simulated host, where it proves nothing.
//
// tests/win32/check_layer.py insists that every such function appears here.
#include <string>

#include "platform/dpi.h"
#include "platform/files.h"
#include "platform/firewall.h"
#include "platform/fonts.h"
#include "platform/kernel.h"
#include "platform/private_profile.h"
#include "platform/processes.h"
#include "platform/protection.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/sessions.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "platform/types.h"
#include "platform/user_interface.h"
#include "platform/window_geometry.h"
#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "platform/window_paint.h"

namespace {

std::u16string Kernel() {
  char16_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  HMODULE self = GetModuleHandleW(nullptr);
  HMODULE kernel = GetModuleHandleW(u"kernel32.dll");
  (void)self;
  (void)kernel;

  std::u16string command_line = AsU16(GetCommandLineW());
  const char16_t* tail = AsU16(GetCommandLineW());
  (void)tail;

  std::u16string expanded(MAX_PATH, u'\0');
  ExpandEnvironmentStringsW(u"%TEMP%\\x", expanded.data(), MAX_PATH);
  char16_t value[64];
  GetEnvironmentVariableW(u"TEMP", value, 64);
  GetEnvironmentVariableW(u"TEMP", nullptr, 0);
  SetEnvironmentVariableW(u"NAME", u"value");
  SetEnvironmentVariableW(u"NAME", nullptr);

  const std::u16string name = u"Local\\Guard";
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096,
                                      name.c_str());
  HANDLE anonymous = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16,
                                        nullptr);
  HANDLE opened = OpenFileMappingW(FILE_MAP_READ, FALSE, u"Local\\Guard");
  LPVOID view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  UnmapViewOfFile(view);

  HANDLE mutex = CreateMutexW(nullptr, FALSE, u"Global\\LogMutex");
  HANDLE unnamed_mutex = CreateMutexW(nullptr, TRUE, nullptr);
  HANDLE mutex2 = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name.c_str());
  ReleaseMutex(mutex);
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, u"Local\\Event");
  HANDLE unnamed_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE event2 = OpenEventW(EVENT_MODIFY_STATE, FALSE, u"Local\\Event");
  SetEvent(event);
  ResetEvent(event2);
  WaitForSingleObject(unnamed_event, INFINITE);
  for (HANDLE h : {mapping, anonymous, opened, mutex, unnamed_mutex, mutex2, event,
                   unnamed_event, event2})
    CloseHandle(h);

  char16_t wide[32];
  int n = MultiByteToWideChar(CP_UTF8, 0, "text", -1, wide, 32);
  n += MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "text", -1, nullptr, 0);
  n += MultiByteToWideChar(CP_ACP, 0, "[common]\r\nresult=1", 18, wide, 32);
  char narrow[32];
  n += WideCharToMultiByte(CP_UTF8, 0, u"text", -1, narrow, 32, nullptr, nullptr);
  n += WideCharToMultiByte(CP_UTF8, 0, wide, n, nullptr, 0, nullptr, nullptr);
  n += CompareStringOrdinal(u"a", -1, wide, 4, TRUE) == CSTR_EQUAL;
  (void)n;

  LARGE_INTEGER size;
  size.QuadPart = 0;
  size.u.LowPart = 1;
  SetFilePointerEx(INVALID_HANDLE_VALUE, size, nullptr, FILE_BEGIN);
  SYSTEMTIME now;
  GetLocalTime(&now);
  if (HRESULT_FROM_WIN32(GetLastError()) == E_ACCESSDENIED || now.wYear == 0) return {};
  SetLastError(ERROR_SUCCESS);
  if (GetLastError() == ERROR_ALREADY_EXISTS) return {};
  return command_line + path + value;
}

void Files() {
  const std::u16string path = u"C:\\Program Files\\Sample\\a.txt";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD done = 0;
  char data[16] = {};
  ReadFile(file, data, sizeof data, &done, nullptr);
  WriteFile(file, data, sizeof data, &done, nullptr);
  CloseHandle(file);

  DeleteFileW(u"C:\\a.txt");
  DeleteFileW(path.c_str());
  MoveFileExW(u"C:\\a.txt", u"C:\\b.txt", MOVEFILE_REPLACE_EXISTING);
  MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  MoveFileExW(u"C:\\a.txt", NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
  CopyFileW(u"C:\\a.txt", path.c_str(), FALSE);
  if (GetFileAttributesW(u"C:\\a.txt") == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  CreateDirectoryW(u"C:\\dir", nullptr);
  RemoveDirectoryW(u"C:\\dir");

  char16_t full[MAX_PATH];
  char16_t* file_part = nullptr;
  GetFullPathNameW(u"a.txt", MAX_PATH, full, &file_part);
  GetFullPathNameW(u"a.txt", MAX_PATH, full, nullptr);
  GetLongPathNameW(u"C:\\PROGRA~1", full, MAX_PATH);
  GetLongPathNameW(path.c_str(), nullptr, 0);
  if (SfcIsFileProtected(nullptr, u"C:\\Windows\\System32\\kernel32.dll")) return;
  if (SfcIsFileProtected(NULL, path.c_str())) return;
  HANDLE held = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  BY_HANDLE_FILE_INFORMATION information;
  GetFileInformationByHandle(held, &information);
  FILE_BASIC_INFO basic = {};
  basic.FileAttributes = information.dwFileAttributes;
  SetFileInformationByHandle(held, FileBasicInfo, &basic, sizeof basic);
  CloseHandle(held);
  GetCurrentDirectoryW(MAX_PATH, full);
  SetCurrentDirectoryW(u"C:\\");
  std::u16string temp(MAX_PATH + 1, u'\0');
  temp.resize(GetTempPathW(MAX_PATH + 1, temp.data()));

  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(u"C:\\dir\\*", &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::u16string name = AsU16(found.cFileName);
      if (name == u"." || name == u"..") continue;
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
}

void Registry() {
  HKEY key = nullptr;
  DWORD disposition = 0;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Sample", 0, nullptr, REG_OPTION_NON_VOLATILE,
                  KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, &disposition);
  char16_t class_name[8] = u"";
  RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Sample", 0, class_name, 0, KEY_WRITE, nullptr,
                  &key, nullptr);
  RegCreateKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Sample", &key);
  RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Sample", 0, KEY_READ, &key);
  RegOpenKeyExW(key, nullptr, 0, KEY_READ, &key);
  RegOpenKeyW(HKEY_CLASSES_ROOT, u".txt", &key);

  DWORD type = 0;
  BYTE data[256];
  DWORD size = sizeof data;
  RegQueryValueExW(key, u"InstallPath", nullptr, &type, data, &size);
  RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size);
  const std::u16string text = u"C:\\Program Files\\Sample";
  RegSetValueExW(key, u"InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
  DWORD number = 1;
  RegSetValueExW(key, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                 sizeof number);
  RegDeleteValueW(key, u"InstallPath");
  RegDeleteValueW(key, nullptr);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Sample\\Sub");
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Sample", KEY_WOW64_64KEY, 0);

  char16_t name[256];
  DWORD name_size = 256;
  FILETIME written;
  RegEnumKeyExW(key, 0, name, &name_size, nullptr, nullptr, nullptr, &written);
  RegEnumKeyExW(key, 0, name, &name_size, nullptr, class_name, &size, nullptr);
  RegEnumValueW(key, 0, name, &name_size, nullptr, &type, data, &size);
  DWORD sub_keys = 0, values = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, &values, nullptr,
                   nullptr, nullptr, nullptr);
  RegQueryInfoKeyW(key, class_name, &size, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr, &written);
  RegCloseKey(key);
}

void Services() {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE active = OpenSCManagerW(nullptr, u"ServicesActive", SC_MANAGER_CONNECT);
  const std::u16string name = u"SampleService";
  SC_HANDLE created = CreateServiceW(
      manager, name.c_str(), u"Sample Service", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
      SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, u"\"C:\\Program Files\\Sample\\svc.exe\" -run",
      nullptr, nullptr, nullptr, nullptr, nullptr);
  SC_HANDLE service = OpenServiceW(manager, u"SampleService", SERVICE_START | SERVICE_STOP |
                                                                   SERVICE_QUERY_STATUS | DELETE);
  SC_HANDLE by_name = OpenServiceW(active, name.c_str(), GENERIC_READ);
  std::u16string argument = u"-fast";
  const char16_t* arguments[] = {u"-verbose", argument.c_str()};
  StartServiceW(service, 2, arguments);
  StartServiceW(service, 0, nullptr);
  SERVICE_STATUS status;
  ControlService(service, SERVICE_CONTROL_STOP, &status);
  if (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOP_PENDING)
    DeleteService(service);
  for (SC_HANDLE h : {by_name, service, created, active, manager}) CloseServiceHandle(h);
}

void Sessions() {
  PWTS_SESSION_INFOW sessions = nullptr;
  DWORD count = 0;
  if (!WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count)) return;
  DWORD active = sessions[0].SessionId;
  if (sessions[0].State != WTSActive && count > 1) active = sessions[1].SessionId;
  WTSFreeMemory(sessions);

  HMODULE wtsapi = LoadLibraryW(u"wtsapi32.dll");
  HMODULE userenv = LoadLibraryW(u"userenv.dll");
  auto query_user_token = reinterpret_cast<WTSQueryUserTokenFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(wtsapi, "WTSQueryUserToken")));
  auto create_block = reinterpret_cast<CreateEnvironmentBlockFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(userenv, "CreateEnvironmentBlock")));
  auto destroy_block = reinterpret_cast<DestroyEnvironmentBlockFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(userenv, "DestroyEnvironmentBlock")));
  HANDLE token = nullptr;
  if (!query_user_token || !query_user_token(active, &token)) return;

  TOKEN_ELEVATION_TYPE elevation_type = TokenElevationTypeDefault;
  DWORD size = 0;
  GetTokenInformation(token, TokenElevationType, &elevation_type, sizeof elevation_type, &size);
  TOKEN_LINKED_TOKEN linked = {};
  if (elevation_type == TokenElevationTypeLimited &&
      GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &size))
    CloseHandle(linked.LinkedToken);
  GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
  std::string groups_buffer(size, '\0');
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  if (GetTokenInformation(token, TokenGroups, groups_buffer.data(), size, &size) &&
      AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                               0, 0, 0, 0, &admins)) {
    auto* groups = reinterpret_cast<TOKEN_GROUPS*>(groups_buffer.data());
    const SID_AND_ATTRIBUTES* entries = groups->Groups;
    for (DWORD i = 0; i < groups->GroupCount; ++i)
      if (IsValidSid(entries[i].Sid) && GetLengthSid(entries[i].Sid) &&
          EqualSid(entries[i].Sid, admins) && (entries[i].Attributes & SE_GROUP_USE_FOR_DENY_ONLY))
        break;
    FreeSid(admins);
  }

  HANDLE primary = nullptr;
  if (!DuplicateTokenEx(token, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary,
                        &primary))
    return;
  DWORD session = active;
  SetTokenInformation(primary, TokenSessionId, &session, sizeof session);
  LPVOID environment = nullptr;
  if (create_block) create_block(&environment, primary, FALSE);

  std::u16string desktop = u"winsta0\\default";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.lpDesktop = AsWide(desktop.data());
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION started = {};
  std::u16string line = u"\"C:\\Program Files\\Sample\\tool.exe\" /run";
  if (CreateProcessAsUserW(primary, nullptr, line.data(), nullptr, nullptr, FALSE,
                           CREATE_UNICODE_ENVIRONMENT, environment, u"C:\\Program Files\\Sample",
                           &startup, &started)) {
    WaitForSingleObject(started.hProcess, 1000);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
  if (destroy_block && environment) destroy_block(environment);
  char16_t same_user[] = u"tool.exe /again";
  if (CreateProcessW(u"C:\\Program Files\\Sample\\tool.exe", same_user, nullptr, nullptr,
                     FALSE, 0, nullptr, nullptr, &startup, &started)) {
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
  CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                 &started);

  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (AsU16(entry.szExeFile) == std::u16string(u"explorer.exe")) break;
  CloseHandle(snapshot);
  CloseHandle(primary);
  CloseHandle(token);
  FreeLibrary(userenv);
  FreeLibrary(wtsapi);
}

void ShellCalls() {  // not "Shell": <shlobj.h> declares a class of that name
  std::u16string from = u"C:\\Program Files\\Sample";
  from.push_back(u'\0');  // the list ends with one more zero
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = AsWide(from.c_str());
  operation.pTo = nullptr;
  operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  int result = SHFileOperationW(&operation);
  (void)result;

  const std::u16string target = u"https://example.invalid/";
  if (reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, u"open", target.c_str(), nullptr, nullptr,
                                               SW_SHOWNORMAL)) <= 32)
    return;
  if (PathFileExistsW(u"C:\\Windows")) return;
  const std::u16string path = u"C:\\x";
  PathFileExistsW(path.c_str());

  char16_t joined[MAX_PATH] = u"C:\\Program Files";
  if (!PathAppendW(joined, u"Sample\\..\\Sample Product")) return;
  std::u16string more = u"res";
  PathAppendW(joined, more.c_str());
  char16_t clean[MAX_PATH];
  PathCanonicalizeW(clean, joined);
  PathCanonicalizeW(clean, u"C:\\a\\.\\b\\..\\c");
  char16_t combined[MAX_PATH];
  char16_t* combined_path = PathCombineW(combined, clean, u"uninst.exe");
  combined_path = PathCombineW(combined, u"C:\\dir", nullptr);
  std::u16string text = combined_path ? combined_path : u"";
  if (PathIsRelativeW(u"res\\uninstall") && !PathIsRelativeW(text.c_str())) return;

  char16_t desktop[MAX_PATH];
  if (!SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE)) return;
  char16_t programs[MAX_PATH];
  HRESULT folder = SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_DEFAULT,
                                    programs);
  (void)folder;
  char16_t profile[MAX_PATH];
  folder = SHGetFolderPathW(nullptr, CSIDL_PROFILE | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                            profile);
  (void)folder;
}

void Processes() {
  DWORD ids[1024];
  DWORD bytes = 0;
  if (!EnumProcesses(ids, sizeof ids, &bytes)) return;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE,
                               ids[0]);
  HMODULE module = nullptr;
  DWORD needed = 0;
  EnumProcessModules(process, &module, sizeof module, &needed);
  char16_t name[MAX_PATH];
  GetModuleBaseNameW(process, module, name, MAX_PATH);
  GetModuleBaseNameW(process, nullptr, name, MAX_PATH);
  std::u16string path(MAX_PATH, u'\0');
  path.resize(GetModuleFileNameExW(process, nullptr, path.data(), MAX_PATH));
  char16_t device_path[MAX_PATH];
  GetProcessImageFileNameW(process, device_path, MAX_PATH);
  DWORD code = 0;
  FILETIME created = {}, ended = {}, kernel = {}, user = {};
  GetProcessTimes(process, &created, &ended, &kernel, &user);
  if (GetExitCodeProcess(process, &code) && code == STILL_ACTIVE) TerminateProcess(process, 1);
  CloseHandle(process);

  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
    return;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (LookupPrivilegeValueW(nullptr, u"SeDebugPrivilege", &privileges.Privileges[0].Luid))
    AdjustTokenPrivileges(token, FALSE, &privileges, sizeof privileges, nullptr, nullptr);
  const std::u16string privilege = u"SeShutdownPrivilege";
  LookupPrivilegeValueW(u"", privilege.c_str(), &privileges.Privileges[0].Luid);
  CloseHandle(token);
}

void SystemInfo() {
  HMODULE ntdll = LoadLibraryW(u"ntdll.dll");
  const std::u16string psapi_name = u"psapi.dll";
  HMODULE psapi = LoadLibraryW(psapi_name.c_str());
  typedef DWORD(WINAPI * BaseNameProc)(HANDLE, HMODULE, LPWSTR, DWORD);
  // Through void (*)(): a direct cast between function types is a warning.
  BaseNameProc base_name = reinterpret_cast<BaseNameProc>(
      reinterpret_cast<void (*)()>(GetProcAddress(psapi, "GetModuleBaseNameW")));
  char16_t name[MAX_PATH];
  // Through a pointer of the system's type, text takes AsWide().
  if (base_name) base_name(GetCurrentProcess(), nullptr, AsWide(name), MAX_PATH);
  FreeLibrary(psapi);
  FreeLibrary(ntdll);
  const std::u16string kernel_path = u"C:\\Windows\\System32\\kernel32.dll";
  HMODULE kernel = LoadLibraryExW(kernel_path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!kernel) kernel = LoadLibraryExW(u"kernel32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  FreeLibrary(kernel);
  SetDllDirectoryW(u"");
  SetDllDirectoryW(nullptr);

  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&version));
  SYSTEM_INFO info;
  GetNativeSystemInfo(&info);
  if (info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64) GetSystemInfo(&info);

  const std::u16string file = u"C:\\Windows\\System32\\kernel32.dll";
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
  std::string block(size, '\0');
  if (size && GetFileVersionInfoW(file.c_str(), 0, size, block.data())) {
    void* fixed = nullptr;
    UINT fixed_size = 0;
    if (VerQueryValueW(block.data(), u"\\", &fixed, &fixed_size) && fixed)
      if (static_cast<VS_FIXEDFILEINFO*>(fixed)->dwSignature != VS_FFI_SIGNATURE) return;
  }
  GetFileVersionInfoSizeW(u"C:\\x.exe", nullptr);

  char16_t directory[MAX_PATH];
  GetSystemDirectoryW(directory, MAX_PATH);
  GetWindowsDirectoryW(directory, MAX_PATH);
  GetSystemWindowsDirectoryW(directory, MAX_PATH);
  if (GetSystemWow64DirectoryW(directory, MAX_PATH) == 0 &&
      GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
    return;
  PVOID redirection = nullptr;
  if (Wow64DisableWow64FsRedirection(&redirection)) Wow64RevertWow64FsRedirection(redirection);
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  char16_t drives[128];
  DWORD length = GetLogicalDriveStringsW(128, drives);
  for (const char16_t* drive = drives; length && *drive;
       drive += std::char_traits<char16_t>::length(drive) + 1) {
    std::u16string device_name(drive, 2);  // "C:"
    char16_t target[MAX_PATH];
    QueryDosDeviceW(device_name.c_str(), target, MAX_PATH);
  }
  char16_t target[MAX_PATH];
  QueryDosDeviceW(u"C:", target, MAX_PATH);
}

void UserInterface() {
  ImmDisableIME(static_cast<DWORD>(-1));
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  ZAppModule module;
  module.Init(GetModuleHandleW(nullptr));
  module.Term();
}

void Firewall() {
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr) && hr != RPC_E_CHANGED_MODE) return;
  // Our own copy of the ids, under names of our own.
  const CLSID clsid_manager = {0x304CE942, 0x6E39, 0x40D8,
                               {0x94, 0x3A, 0xB9, 0x13, 0xC4, 0x0C, 0x9C, 0xD4}};
  const IID iid_manager = {0xF7898AF5, 0xCAC4, 0x4632,
                           {0xA2, 0xEC, 0xDA, 0x06, 0xE5, 0x11, 0x1A, 0xF2}};
  if (clsid_manager == iid_manager) return;
  INetFwMgr* manager = nullptr;
  hr = CoCreateInstance(clsid_manager, nullptr, CLSCTX_INPROC_SERVER, iid_manager,
                        reinterpret_cast<void**>(&manager));
  if (SUCCEEDED(hr) && manager) {
    INetFwPolicy* policy = nullptr;
    INetFwProfile* profile = nullptr;
    INetFwAuthorizedApplications* apps = nullptr;
    manager->get_LocalPolicy(&policy);
    policy->get_CurrentProfile(&profile);
    profile->get_AuthorizedApplications(&apps);
    LONG count = 0;
    apps->get_Count(&count);

    BSTR image = SysAllocString(u"C:\\Program Files\\Sample\\uninst.exe");
    const std::u16string label = u"Uninstaller";
    BSTR name = SysAllocString(label.c_str());
    INetFwAuthorizedApplication* app = nullptr;
    if (SUCCEEDED(apps->Item(image, &app)) && app) {
      BSTR current = nullptr;
      app->get_Name(&current);
      std::u16string text(AsU16(current), SysStringLen(current));
      SysFreeString(current);
      app->put_Name(name);
      app->put_ProcessImageFileName(image);
      app->put_Enabled(VARIANT_TRUE);
      apps->Add(app);
      app->Release();
    }
    apps->Remove(image);
    // Held as char16_t*, as code that keeps BSTRs beside other text might.
    char16_t* held = AsU16(SysAllocString(u"x"));
    UINT length = SysStringLen(held);
    (void)length;
    SysFreeString(held);
    SysFreeString(nullptr);
    SysFreeString(image);
    SysFreeString(name);
    apps->Release();
    profile->Release();
    policy->Release();
    manager->Release();
  }
  CoUninitialize();
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void Windows() {
  const std::u16string class_name = u"SampleProductMainWindow";
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = Procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = AsWide(class_name.c_str());
  ATOM atom = RegisterClassExW(&window_class);
  (void)atom;
  HWND window = CreateWindowExW(0, class_name.c_str(), u"Sample", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  HWND unnamed = CreateWindowExW(0, u"SampleProductMainWindow", nullptr, 0, 0, 0, 0, 0,
                                 HWND_MESSAGE, nullptr, nullptr, nullptr);
  (void)unnamed;
  HWND found = FindWindowW(class_name.c_str(), nullptr);
  found = FindWindowW(nullptr, u"Sample");
  found = FindWindowW(u"SampleProductMainWindow", u"Sample");
  // Older spellings of null mean null too.
  found = FindWindowW(u"SampleProductMainWindow", NULL);
  found = FindWindowW(class_name.c_str(), 0);
  DWORD process = 0;
  GetWindowThreadProcessId(found, &process);
  if (IsWindow(found)) PostMessageW(found, WM_CLOSE, 0, 0);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  PostQuitMessage(0);
  DestroyWindow(window);
  UnregisterClassW(class_name.c_str(), GetModuleHandleW(nullptr));
  UnregisterClassW(u"SampleProductMainWindow", nullptr);
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {}

// What a skinned dialog does with its window: shape, place, paint, input.
void WindowMachinery() {
  HWND window = CreateWindowExW(WS_EX_LAYERED, u"SampleProductMainWindow", u"", WS_POPUP, 0, 0,
                                10, 10, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrW(window, GWLP_USERDATA, GetWindowLongPtrW(window, GWLP_USERDATA));
  SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) | WS_EX_LAYERED);
  SetWindowTextW(window, u"Sample Product");
  char16_t title[64];
  if (GetWindowTextLengthW(window) < 64) GetWindowTextW(window, title, 64);
  HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  HCURSOR named = LoadCursorW(GetModuleHandleW(nullptr), u"Pointer");
  SetCursor(hand ? hand : named);
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(200));
  HICON named_icon = LoadIconW(nullptr, u"Sample");
  SendMessageW(window, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(icon ? icon : named_icon ? named_icon
                                                                 : LoadIconW(nullptr, IDI_APPLICATION)));
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
  SetWindowPos(window, HWND_TOPMOST, work.left, work.top, GetSystemMetrics(SM_CXSCREEN) / 2, 100,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ShowWindow(window, SW_SHOWNORMAL);
  HRGN shape = CreateRectRgn(0, 0, 10, 10);
  CombineRgn(shape, shape, shape, RGN_OR);
  SetWindowRgn(window, shape, TRUE);
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  EndPaint(window, &paint);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  POINT origin = {0, 0};
  SIZE size = {10, 10};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(window, screen, &origin, &size, memory, &origin, 0, &blend, ULW_ALPHA);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, HOVER_DEFAULT};
  TrackMouseEvent(&track);
  SetCapture(window);
  ReleaseCapture();
  UINT_PTR timer = SetTimer(window, 1, USER_TIMER_MINIMUM, Tick);
  KillTimer(window, timer);
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &answer);
  SendMessageW(window, WM_SETICON, ICON_SMALL, 0);
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
  DestroyWindow(window);
}

void Dpi() {
  char16_t text[260];
  GetPrivateProfileStringW(u"basesetting", u"supportrate", u"1.0|1.2|1.5", text, 260,
                           u"C:\\dpisetting.ini");
  GetPrivateProfileStringW(nullptr, nullptr, nullptr, text, 260, u"dpisetting.ini");
  UINT mode = GetPrivateProfileIntW(u"basesetting", u"mode", 2, u"C:\\dpisetting.ini");
  (void)mode;
  if (AddFontResourceExW(u"C:\\res\\fonts\\face.ttf", FR_PRIVATE, nullptr) > 0)
    RemoveFontResourceExW(u"C:\\res\\fonts\\face.ttf", FR_PRIVATE, nullptr);
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  (void)arrow;
  HDC dc = GetDC(nullptr);
  int dpi = GetDeviceCaps(dc, LOGPIXELSX) + GetDeviceCaps(dc, LOGPIXELSY);
  (void)dpi;
  ReleaseDC(nullptr, dc);
  DWORD style = WS_POPUPWINDOW | CS_HREDRAW | CS_VREDRAW;
  int x = CW_USEDEFAULT + COLOR_WINDOW + USER_DEFAULT_SCREEN_DPI;
  (void)style;
  (void)x;
  SetThreadDpiAwarenessContextFn set_thread = nullptr;
  GetDpiForWindowFn dpi_for = nullptr;
  if (set_thread && dpi_for) {
    DPI_AWARENESS_CONTEXT previous = set_thread(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    dpi_for(nullptr);
    set_thread(previous);
  }
}

// Calls whose text is all wchar_t or null still reach the system's functions
// unambiguously.
#if defined(_WIN32)
void SystemSpelling() {
  GetModuleHandleW(nullptr);
  GetModuleHandleW(L"kernel32.dll");
  CreateEventW(nullptr, TRUE, FALSE, nullptr);
  FindWindowW(nullptr, nullptr);
  FindWindowW(L"Class", nullptr);
  FindWindowW(L"Class", u"Mixed");
  wchar_t buffer[MAX_PATH];
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  GetTempPathW(MAX_PATH, buffer);
  RegQueryValueExW(HKEY_CURRENT_USER, nullptr, nullptr, nullptr, nullptr, nullptr);
  SysFreeString(SysAllocString(L"x"));
  SysFreeString(SysAllocString(nullptr));
  OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  OpenSCManagerW(nullptr, L"ServicesActive", SC_MANAGER_CONNECT);
  LPCWSTR wide_arguments[] = {L"-verbose"};
  StartServiceW(nullptr, 1, wide_arguments);
  StartServiceW(nullptr, 0, nullptr);
}
#endif

}  // namespace

// Referenced so that -Wunused-function has nothing to say.
void (*const kProbeEntries[])() = {
    [] { Kernel(); }, Files, Registry, Services, Sessions, ShellCalls, Processes, SystemInfo,
    UserInterface, Firewall, Windows, WindowMachinery, Dpi,
#if defined(_WIN32)
    SystemSpelling,
#endif
};
