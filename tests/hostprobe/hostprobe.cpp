// hostprobe: Windows calls whose answers the simulated host must share with
// Windows, written once against the platform layer and built twice (a
// program of the simulated host, and a Windows program for the Wine test bed).
//
//   hostprobe.exe SCRATCH all          every check, in a fixed order
//   hostprobe.exe SCRATCH CHECK...     the named checks
//   hostprobe.exe cd-and-sleep EVENT   set the event EVENT, then wait (a helper
//                                      started with its current directory set)
//
// The check "services" needs the running service HostProbeNoStop, which does
// not accept the stop control (the test makes it).
//
// SCRATCH is an existing, empty folder (a Windows path without blanks) the
// checks may fill. Each check prints one line "CHECK RESULT DETAIL": RESULT is
// "ok" or "fail" (what the call returned), DETAIL the last error code, or a
// value the check reports (upper-cased, so that case does not decide). The
// last line is "done". An unknown check prints "CHECK unknown -".
#include <cstdio>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/sessions.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "platform/types.h"

namespace {

using Text = std::u16string;

std::string Narrow(const Text& text) {
  std::string narrow;
  for (char16_t c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    narrow += c < 0x80 ? static_cast<char>(c) : '?';
  }
  return narrow;
}

void Print(const std::string& check, const std::string& result, const std::string& detail) {
  std::printf("%s %s %s\n", check.c_str(), result.c_str(), detail.c_str());
  std::fflush(stdout);
}

// A call's outcome: "ok 0", or "fail" with the last error it left.
void Report(const std::string& check, bool ok) {
  const unsigned long error = static_cast<unsigned long>(GetLastError());
  Print(check, ok ? "ok" : "fail", std::to_string(ok ? 0ul : error));
}

// The last error even after success (AdjustTokenPrivileges reports a partial success so).
void ReportWithError(const std::string& check, bool ok) {
  const unsigned long error = static_cast<unsigned long>(GetLastError());
  Print(check, ok ? "ok" : "fail", std::to_string(error));
}

void ReportValue(const std::string& check, bool ok, const Text& value) {
  if (!ok) return Report(check, false);
  Print(check, "ok", value.empty() ? "-" : Narrow(value));
}

Text ModulePath() {
  char16_t buffer[MAX_PATH * 4] = {};
  DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
  return Text(buffer, length);
}

Text WindowsFolder() {
  char16_t buffer[MAX_PATH] = {};
  UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
  return Text(buffer, length);
}

bool Exists(const Text& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

HANDLE Open(const Text& path, DWORD share, DWORD disposition) {
  return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool MakeFile(const Text& path) {
  HANDLE file = Open(path, FILE_SHARE_READ, CREATE_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// The name of the first entry matching pattern, or empty (with the last error).
Text FoundName(const Text& pattern) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return Text();
  Text name;
  for (size_t i = 0; data.cFileName[i]; ++i) name += static_cast<char16_t>(data.cFileName[i]);
  FindClose(find);
  return name;
}

struct Probe {
  Text scratch;

  Text In(const Text& name) const { return scratch + u"\\" + name; }

  // ---- files in use ----

  void DeleteOwnImage() { Report("delete-own-image", DeleteFileW(ModulePath().c_str())); }

  void MoveOwnImage() {
    const Text image = ModulePath();
    const Text moved = image + u".moved";
    const bool ok = MoveFileExW(image.c_str(), moved.c_str(), 0);
    Report("move-own-image", ok);
    if (ok) MoveFileExW(moved.c_str(), image.c_str(), 0);
  }

  void HeldWithoutShareDelete() {
    const Text path = In(u"held.txt");
    MakeFile(path);
    HANDLE held = Open(path, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    Report("delete-held-no-share-delete", DeleteFileW(path.c_str()));
    Report("rename-held-no-share-delete", MoveFileExW(path.c_str(), In(u"held2.txt").c_str(), 0));
    CloseHandle(held);
    DeleteFileW(path.c_str());
    DeleteFileW(In(u"held2.txt").c_str());
  }

  void HeldWithShareDelete() {
    const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const Text path = In(u"shared.txt");
    MakeFile(path);
    HANDLE held = Open(path, all, OPEN_EXISTING);
    Report("delete-held-share-delete", DeleteFileW(path.c_str()));
    // The name goes with the call, not with the last handle.
    Report("deleted-name-while-held", Exists(path));
    CloseHandle(held);

    MakeFile(path);
    held = Open(path, all, OPEN_EXISTING);
    Report("rename-held-share-delete", MoveFileExW(path.c_str(), In(u"shared2.txt").c_str(), 0));
    CloseHandle(held);
    DeleteFileW(In(u"shared2.txt").c_str());
    DeleteFileW(path.c_str());
  }

  // A copy of this program waits with its current directory in a folder.
  void RemoveOtherCurrentDirectory() {
    const Text folder = In(u"cwd");
    CreateDirectoryW(folder.c_str(), nullptr);
    Text event_name = u"HostProbeCwd";
    for (char c : std::to_string(GetCurrentProcessId())) event_name += static_cast<char16_t>(c);
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, event_name.c_str());
    Text command = u"\"" + ModulePath() + u"\" cd-and-sleep " + event_name;
    std::vector<char16_t> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &child)) {
      Report("remove-other-current-directory", false);
      CloseHandle(ready);
      return;
    }
    if (WaitForSingleObject(ready, 30000) != WAIT_OBJECT_0) {
      Print("remove-other-current-directory", "fail", "helper-not-ready");
    } else {
      Report("remove-other-current-directory", RemoveDirectoryW(folder.c_str()));
    }
    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, 30000);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    CloseHandle(ready);
    RemoveDirectoryW(folder.c_str());
  }

  // ---- paths ----

  void LongPaths() {
    const Text parent = In(u"long\\" + Text(200, u'a'));
    CreateDirectoryW(In(u"long").c_str(), nullptr);
    CreateDirectoryW(parent.c_str(), nullptr);
    // Each well past 260 characters.
    const Text folder = parent + u"\\" + Text(60, u'b');
    const Text file = parent + u"\\" + Text(60, u'c');
    Report("long-path-create-directory", CreateDirectoryW(folder.c_str(), nullptr));
    HANDLE made = Open(file, FILE_SHARE_READ, CREATE_ALWAYS);
    Report("long-path-create-file", made != INVALID_HANDLE_VALUE);
    if (made != INVALID_HANDLE_VALUE) CloseHandle(made);
    Report("long-path-attributes", Exists(file));
    made = Open(u"\\\\?\\" + file, FILE_SHARE_READ, CREATE_ALWAYS);
    Report("long-path-verbatim-create-file", made != INVALID_HANDLE_VALUE);
    if (made != INVALID_HANDLE_VALUE) CloseHandle(made);
    DeleteFileW((u"\\\\?\\" + file).c_str());
    RemoveDirectoryW((u"\\\\?\\" + folder).c_str());
    RemoveDirectoryW(parent.c_str());
    RemoveDirectoryW(In(u"long").c_str());
  }

  void VerbatimDotDot() {
    CreateDirectoryW(In(u"dots").c_str(), nullptr);
    Report("plain-dot-dot", Exists(In(u"dots\\..\\dots")));
    Report("verbatim-dot-dot", Exists(u"\\\\?\\" + In(u"dots\\..\\dots")));
    Report("verbatim-forward-slash", Exists(u"\\\\?\\" + scratch + u"/dots"));
    RemoveDirectoryW(In(u"dots").c_str());
  }

  void ReservedNames() {
    const Text nul = In(u"NUL.txt");
    HANDLE device = Open(nul, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS);
    Report("reserved-nul-txt-opens", device != INVALID_HANDLE_VALUE);
    if (device != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(device, "x", 1, &written, nullptr);
      CloseHandle(device);
    }
    // What went to the device made no file in the folder.
    Report("reserved-nul-txt-made-file", !FoundName(In(u"NUL*")).empty());
    // Whether COM1 opens depends on the machine's ports: only the folder is checked.
    HANDLE com = Open(In(u"com1.log"), FILE_SHARE_READ, CREATE_ALWAYS);
    if (com != INVALID_HANDLE_VALUE) CloseHandle(com);
    Report("reserved-com1-log-made-file", !FoundName(In(u"com1*")).empty());
    // Only the verbatim form reaches a file of such a name.
    DeleteFileW((u"\\\\?\\" + nul).c_str());
    DeleteFileW((u"\\\\?\\" + In(u"com1.log")).c_str());
  }

  void TrailingDotsAndSpaces() {
    Report("trailing-dot-create", MakeFile(In(u"trail.")));
    ReportValue("trailing-dot-stored-as", true, FoundName(In(u"trail*")));
    Report("trailing-space-opens", Exists(In(u"trail  ")));
    Report("trailing-dots-spaces-opens", Exists(In(u"trail. .")));
    DeleteFileW(In(u"trail").c_str());
  }

  void NonLatinCase() {
    MakeFile(In(u"\u03b1\u03b2\u03b3.txt"));  // Greek small alpha beta gamma
    Report("case-greek", Exists(In(u"\u0391\u0392\u0393.TXT")));
    MakeFile(In(u"\u0414\u041e\u041c.txt"));  // Cyrillic capital DE O EM
    Report("case-cyrillic", Exists(In(u"\u0434\u043e\u043c.txt")));
    DeleteFileW(In(u"\u03b1\u03b2\u03b3.txt").c_str());
    DeleteFileW(In(u"\u0414\u041e\u041c.txt").c_str());
  }

  // DETAIL: what the buffer holds after the call ("empty", "kept" or "joined").
  void PathOverflow() {
    const Text folder = u"C:\\" + Text(240, u'f');
    const Text more = Text(40, u'm');
    char16_t buffer[MAX_PATH] = {};
    for (size_t i = 0; i < folder.size(); ++i) buffer[i] = folder[i];
    const bool appended = PathAppendW(buffer, more.c_str());
    Print("path-append-overflow", appended ? "ok" : "fail", BufferState(buffer, folder));

    char16_t combined[MAX_PATH];
    for (char16_t& c : combined) c = u'x';
    const bool ok = PathCombineW(combined, folder.c_str(), more.c_str()) != nullptr;
    Print("path-combine-overflow", ok ? "ok" : "fail", BufferState(combined, folder));
  }

  static std::string BufferState(const char16_t* buffer, const Text& before) {
    const Text now(buffer, std::char_traits<char16_t>::length(buffer) < MAX_PATH
                               ? std::char_traits<char16_t>::length(buffer)
                               : MAX_PATH);
    if (now.empty()) return "empty";
    return now == before ? "kept" : "changed";
  }

  // ---- the 32-bit view of a 64-bit system ----

  void SystemFolders() {
    char16_t buffer[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    ReportValue("system-directory", length > 0, Text(buffer, length));

    const Text windows = WindowsFolder();
    const Text through32 = windows + u"\\System32\\hostprobe-wow.txt";
    MakeFile(through32);
    Report("system32-file-in-syswow64", Exists(windows + u"\\SysWOW64\\hostprobe-wow.txt"));
    DeleteFileW(through32.c_str());

    const Text native = windows + u"\\Sysnative\\hostprobe-native.txt";
    Report("sysnative-create", MakeFile(native));
    Report("sysnative-file-in-syswow64", Exists(windows + u"\\SysWOW64\\hostprobe-native.txt"));
    // With redirection off, System32 is the real one for a 32-bit program too.
    PVOID old = nullptr;
    const bool off = Wow64DisableWow64FsRedirection(&old);
    Report("redirection-off", off);
    if (off) {
      Report("redirection-off-system32-sees-native",
             Exists(windows + u"\\System32\\hostprobe-native.txt"));
      Report("redirection-revert", Wow64RevertWow64FsRedirection(old));
    }
    DeleteFileW(native.c_str());

    // drivers\etc is one of the folders that stay where they are.
    const Text etc = windows + u"\\System32\\drivers\\etc\\hostprobe-etc.txt";
    MakeFile(etc);
    const bool native_there = Exists(windows + u"\\Sysnative\\drivers\\etc\\hostprobe-etc.txt") ||
                              (!Exists(windows + u"\\Sysnative") &&
                               Exists(windows + u"\\System32\\drivers\\etc\\hostprobe-etc.txt"));
    Report("drivers-etc-not-redirected", native_there);
    DeleteFileW(etc.c_str());
  }

  void ProgramFilesVariables() {
    for (const char16_t* name : {u"ProgramFiles", u"ProgramW6432", u"ProgramFiles(x86)"}) {
      char16_t buffer[MAX_PATH] = {};
      DWORD length = GetEnvironmentVariableW(name, buffer, MAX_PATH);
      ReportValue("env-" + Narrow(name), length > 0 && length < MAX_PATH, Text(buffer, length));
    }
  }

  // ---- privileges ----

  static bool SetPrivilege(HANDLE token, const char16_t* name) {
    TOKEN_PRIVILEGES wanted = {};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, name, &wanted.Privileges[0].Luid)) return false;
    return AdjustTokenPrivileges(token, FALSE, &wanted, sizeof(wanted), nullptr, nullptr);
  }

  void Privileges() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(),
                          TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY | TOKEN_DUPLICATE, &token)) {
      return Report("open-process-token", false);
    }
    // Succeeds with ERROR_NOT_ALL_ASSIGNED: an administrator's token lacks it.
    ReportWithError("adjust-missing-privilege", SetPrivilege(token, u"SeCreateTokenPrivilege"));
    ReportWithError("enable-debug-privilege", SetPrivilege(token, u"SeDebugPrivilege"));

    DWORD session = 0, size = 0;
    GetTokenInformation(token, TokenSessionId, &session, sizeof(session), &size);
    HANDLE user = nullptr;
    const bool got = WTSQueryUserToken(session, &user);
    Report("wts-query-user-token", got);
    if (got) CloseHandle(user);

    HANDLE copy = nullptr;
    if (DuplicateTokenEx(token, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary,
                         &copy)) {
      Report("set-token-session-id",
             SetTokenInformation(copy, TokenSessionId, &session, sizeof(session)));
      CloseHandle(copy);
    } else {
      Report("duplicate-token", false);
    }
    CloseHandle(token);
  }

  // ---- registry ----

  static void ReportStatus(const std::string& check, LSTATUS status) {
    Print(check, status == ERROR_SUCCESS ? "ok" : "fail", std::to_string(status));
  }

  void Registry() {
    const Text user_class = u"Software\\Classes\\HostProbe.UserClass";
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, user_class.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
      RegCloseKey(key);
    }
    LSTATUS status = RegOpenKeyExW(HKEY_CLASSES_ROOT, u"HostProbe.UserClass", 0, KEY_READ, &key);
    ReportStatus("hkcr-sees-user-class", status);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    RegDeleteKeyW(HKEY_CURRENT_USER, user_class.c_str());

    status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\HostProbe", 0, nullptr, 0,
                             KEY_WRITE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
      const DWORD one = 1;
      status = RegSetValueExW(key, u"Written", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                              sizeof(one));
      RegCloseKey(key);
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\HostProbe");
    }
    ReportStatus("hklm-write", status);
  }

  // ---- services ----

  void ServiceRefusingStop() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return Report("open-service-manager", false);
    SC_HANDLE service =
        OpenServiceW(manager, u"HostProbeNoStop", SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!service) {
      Report("stop-refused-service", false);
    } else {
      SERVICE_STATUS status = {};
      Report("stop-refused-service", ControlService(service, SERVICE_CONTROL_STOP, &status));
      const bool queried = QueryServiceStatus(service, &status);
      Text state;
      for (char c : std::to_string(status.dwCurrentState)) state += static_cast<char16_t>(c);
      ReportValue("refused-service-state", queried, state);
      CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
  }

  bool Run(const std::string& check) {
    if (check == "move-own-image") MoveOwnImage();
    else if (check == "delete-own-image") DeleteOwnImage();
    else if (check == "held-files") HeldWithoutShareDelete(), HeldWithShareDelete();
    else if (check == "current-directory") RemoveOtherCurrentDirectory();
    else if (check == "long-paths") LongPaths();
    else if (check == "verbatim") VerbatimDotDot();
    else if (check == "reserved-names") ReservedNames();
    else if (check == "trailing") TrailingDotsAndSpaces();
    else if (check == "case") NonLatinCase();
    else if (check == "path-overflow") PathOverflow();
    else if (check == "system-folders") SystemFolders();
    else if (check == "program-files") ProgramFilesVariables();
    else if (check == "privileges") Privileges();
    else if (check == "registry") Registry();
    else if (check == "services") ServiceRefusingStop();
    else return false;
    return true;
  }
};

// Deleting the own image comes last: where a host lets it go, the rest still runs.
const char* const kAll[] = {"held-files",     "current-directory", "long-paths", "verbatim",
                            "reserved-names", "trailing",          "case",       "path-overflow",
                            "system-folders", "program-files",     "privileges", "registry",
                            "services",       "move-own-image", "delete-own-image"};

#if !defined(_WIN32)
// The words of wWinMain's command line; quotes group blanks.
std::vector<Text> Words(const char16_t* line) {
  std::vector<Text> words;
  Text word;
  bool quoted = false, any = false;
  for (; *line; ++line) {
    if (*line == u'"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && (*line == u' ' || *line == u'\t')) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += *line;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}
#endif

int CdAndSleep(const Text& event_name) {
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, event_name.c_str());
  if (!ready) return 2;
  SetEvent(ready);
  Sleep(60000);  // the starter ends it long before
  return 0;
}

}  // namespace

int ProbeMain(const std::vector<Text>& words) {
  if (words.size() == 2 && words[0] == u"cd-and-sleep") return CdAndSleep(words[1]);
  if (words.size() < 2) {
    std::fputs("usage: hostprobe.exe SCRATCH all|CHECK...\n", stderr);
    return 2;
  }
  Probe probe{words[0]};
  std::vector<std::string> checks;
  for (size_t i = 1; i < words.size(); ++i) {
    if (words[i] == u"all") checks.insert(checks.end(), std::begin(kAll), std::end(kAll));
    else checks.push_back(std::string(words[i].begin(), words[i].end()));
  }
  for (const std::string& check : checks) {
    if (!probe.Run(check)) Print(check, "unknown", "-");
  }
  Print("done", "ok", "0");
  return 0;
}

#if defined(_WIN32)
// A console program: its lines reach the pipe the test bed reads.
int wmain(int argc, wchar_t** argv) {
  std::vector<Text> words;
  for (int i = 1; i < argc; ++i) {
    Text word;
    for (const wchar_t* c = argv[i]; *c; ++c) word += static_cast<char16_t>(*c);
    words.push_back(word);
  }
  return ProbeMain(words);
}
#else
int wWinMain(HINSTANCE, HINSTANCE, LPWSTR command_line, int) { return ProbeMain(Words(command_line)); }
#endif
