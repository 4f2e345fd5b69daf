// simproc: a small program that runs inside a machine for tests and for the
// sample product. Its arguments are commands, carried out in order; then it
// prints the line "ready" on standard output and waits: until it is killed,
// until standard input (when it is a pipe) is closed, or until a command ends it.
//
//   sleep                      nothing more; just wait
//   hold-mapping NAME [SIZE]   create (or open) a paging-file mapping of SIZE
//                              bytes (default 4096) and keep a view of it
//   write-mapping NAME TEXT    write TEXT and a NUL at the start of the live mapping NAME
//   print-mapping NAME         print "mapping TEXT": the live mapping's text up to its first NUL
//   hold-mutex NAME            create (or open) the mutex and own it
//   hold-event NAME            create (or open) the manual-reset event NAME
//   set-event NAME             set the event NAME (created when absent)
//   wait-event NAME            create (or open) the manual-reset event NAME; when it
//                              is set, print "event" and exit 0
//   open-file WINPATH [SHARE]  hold the existing file open for reading; SHARE is the
//                              FILE_SHARE_* mask in decimal (default 1: read)
//   load-library WINPATH       load the file as a library (LoadLibraryW) and keep it
//                              loaded: it is in use like a running program's image
//   cd WINPATH                 make the folder the current directory (SetCurrentDirectoryW)
//   window CLASS [TITLE]       register CLASS and create a top-level window with TITLE
//                              (default empty). Every message the window receives after
//                              "ready" is printed as "MSG WPARAM LPARAM" (decimal) and,
//                              if SIMPROC_LOG names a Windows path, appended to that file
//   show N                     ShowWindow(N) on the window made last
//   dpi-aware                  make this thread per-monitor DPI aware (v2): windows
//                              created after it see the screen's DPI
//   quit-on MSG                exit 0 once a window has received message MSG
//                              (decimal or 0x-hex), after printing it
//   answer N                   the windows answer every message from WM_USER on with
//                              N + WPARAM (what a sender of the message gets back)
//   call-back CLASS            on WM_USER+1 a window sends WM_USER+2 (same WPARAM) to
//                              the window of class CLASS and answers its answer + 1
//   die-on MSG                 exit 3 at once, without answering, on message MSG
//   hang-on MSG                never return from handling message MSG
//   exit CODE                  exit with CODE right after "ready"
//   cmdline                    print "cmdline " and the command line as received
//   self                       print "module " and the module path, then "cmdline "
//                              and the command line, and exit 0 at once
//   identity WINFILE           append to the file what the program knows of itself:
//                              "session N", "user SID", "elevation N" (the token's
//                              elevation type), "elevated 0|1", "show N" (wWinMain's
//                              show flag), "desktop TEXT" and "cmdline TEXT"
//   print-env WINFILE NAME     append "env NAME=VALUE", or "env NAME missing"
//   start COMMANDLINE          start the program with CreateProcessW and wait for its end
//   shell                      wait, and exit 0 once the machine has been deleted
//                              (the user's shell of a machine is this program)
//
// SIMPROC_IDENTITY (a Windows path), when set, has "identity" written there
// before any command runs.
// An optional argument is taken unless it is itself the name of a command.
// Lines read from standard input: "release" releases every mutex held and
// prints "released"; "exit" ends the program with 0.
// A command that fails prints "error COMMAND CODE" (CODE: GetLastError) and
// the program exits with 2.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/dpi.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sessions.h"
#include "platform/system_info.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/window_messages.h"

namespace {

constexpr UINT kReleaseMessage = 0x8001;  // WM_APP + 1, a thread message
constexpr UINT kExitMessage = 0x8002;

std::mutex g_output_mutex;
bool g_ready = false;  // set on the main thread before any message is dispatched
long long g_quit_on = -1;
std::vector<HANDLE> g_mutexes;

const std::set<std::string> kCommands = {
    "sleep",     "hold-mapping", "write-mapping", "print-mapping", "hold-mutex",
    "hold-event", "set-event",   "wait-event",    "open-file",     "window",
    "quit-on",   "exit",         "cmdline",       "self",          "identity",
    "print-env", "start",        "shell",         "answer",        "call-back",
    "die-on",    "hang-on",       "dpi-aware",     "show",          "load-library",
    "cd"};
long long g_answer = -1;
long long g_die_on = -1;
long long g_hang_on = -1;
std::u16string g_call_back;
int g_show = 0;
HWND last_window = nullptr;

void PrintLine(const std::string& line) {
  std::lock_guard<std::mutex> guard(g_output_mutex);
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

[[noreturn]] void ExitNow(int code) {
  std::fflush(stdout);
  _exit(code);
}

[[noreturn]] void Fail(const std::string& command) {
  PrintLine("error " + command + " " + std::to_string(GetLastError()));
  ExitNow(2);
}

// Splits a command line the way Windows programs do.
std::vector<std::string> SplitCommandLine(const char16_t* line) {
  std::vector<std::string> args;
  std::u16string current;
  bool in_arg = false, quoted = false;
  for (const char16_t* p = line; *p;) {
    if (!quoted && (*p == u' ' || *p == u'\t')) {
      if (in_arg) args.push_back(SimToUtf8(current));
      current.clear();
      in_arg = false;
      ++p;
      continue;
    }
    in_arg = true;
    if (*p == u'\\') {
      size_t count = 0;
      while (*p == u'\\') ++count, ++p;
      if (*p == u'"') {
        current.append(count / 2, u'\\');
        if (count % 2) current += u'"', ++p;
      } else {
        current.append(count, u'\\');
      }
    } else if (*p == u'"') {
      if (quoted && p[1] == u'"') current += u'"', ++p;
      else quoted = !quoted;
      ++p;
    } else {
      current += *p++;
    }
  }
  if (in_arg) args.push_back(SimToUtf8(current));
  return args;
}

std::u16string W(const std::string& text) { return SimToUtf16(text); }

void AppendToLog(const std::string& line) {
  const char* log = std::getenv("SIMPROC_LOG");
  if (!log || !*log) return;
  HANDLE file = CreateFileW(W(log).c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  SetFilePointer(file, 0, nullptr, FILE_END);
  std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!g_ready) return DefWindowProcW(hwnd, message, wparam, lparam);
  std::string line = std::to_string(message) + " " + std::to_string(wparam) + " " +
                     std::to_string(static_cast<long long>(lparam));
  PrintLine(line);
  AppendToLog(line);
  if (static_cast<long long>(message) == g_quit_on) PostQuitMessage(0);
  if (static_cast<long long>(message) == g_die_on) ExitNow(3);
  if (static_cast<long long>(message) == g_hang_on)
    while (true) Sleep(1000);
  if (!g_call_back.empty() && message == WM_USER + 1) {
    HWND back = FindWindowW(g_call_back.c_str(), nullptr);
    return SendMessageW(back, WM_USER + 2, wparam, 0) + 1;
  }
  if (g_answer >= 0 && message >= WM_USER)
    return static_cast<LRESULT>(g_answer + static_cast<long long>(wparam));
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

void WatchInput() {
  char buffer[256];
  std::string pending;
  while (true) {
    ssize_t n = read(0, buffer, sizeof(buffer));
    if (n <= 0) ExitNow(0);
    pending.append(buffer, static_cast<size_t>(n));
    size_t newline;
    while ((newline = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, newline);
      pending.erase(0, newline + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line == "release") PostMessageW(nullptr, kReleaseMessage, 0, 0);
      if (line == "exit") PostMessageW(nullptr, kExitMessage, 0, 0);
    }
  }
}

void AppendLine(const std::string& windows_path, const std::string& line) {
  HANDLE file = CreateFileW(W(windows_path).c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("write " + windows_path);
  SetFilePointer(file, 0, nullptr, FILE_END);
  std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

// "S-1-5-21-...", from the binary form.
std::string SidText(const BYTE* sid) {
  unsigned long long authority = 0;
  for (int i = 0; i < 6; ++i) authority = (authority << 8) | sid[2 + i];
  std::string text = "S-" + std::to_string(sid[0]) + "-" + std::to_string(authority);
  for (int i = 0; i < sid[1]; ++i) {
    DWORD value = 0;
    std::memcpy(&value, sid + 8 + 4 * i, 4);
    text += "-" + std::to_string(value);
  }
  return text;
}

void WriteIdentity(const std::string& windows_path) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) Fail("identity");
  DWORD session = 0, size = 0;
  TOKEN_ELEVATION_TYPE elevation_type = TokenElevationTypeDefault;
  TOKEN_ELEVATION elevation = {};
  std::vector<BYTE> user(256);
  if (!GetTokenInformation(token, TokenSessionId, &session, sizeof(session), &size) ||
      !GetTokenInformation(token, TokenElevationType, &elevation_type, sizeof(elevation_type), &size) ||
      !GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) ||
      !GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size))
    Fail("identity");
  CloseHandle(token);
  const char* desktop = std::getenv("SIMHOST_DESKTOP");
  for (const std::string& line :
       {"session " + std::to_string(session),
        "user " + SidText(static_cast<const BYTE*>(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid)),
        "elevation " + std::to_string(static_cast<int>(elevation_type)),
        "elevated " + std::to_string(elevation.TokenIsElevated), "show " + std::to_string(g_show),
        "desktop " + std::string(desktop ? desktop : ""),
        "cmdline " + SimToUtf8(GetCommandLineW())})
    AppendLine(windows_path, line);
}

// The user's shell lives as long as its machine.
void WatchMachine(std::string machine_db) {
  struct stat st;
  while (stat(machine_db.c_str(), &st) == 0) Sleep(500);
  ExitNow(0);
}

void WaitForEvent(HANDLE event) {
  WaitForSingleObject(event, INFINITE);
  PrintLine("event");
  ExitNow(0);
}

HANDLE OpenMapping(const std::string& command, const std::string& name) {
  HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, W(name).c_str());
  if (!mapping) Fail(command);
  return mapping;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR command_line, int show) {
  g_show = show;
  std::vector<std::string> args = SplitCommandLine(command_line);
  bool watch_machine = false;
  if (const char* report = std::getenv("SIMPROC_IDENTITY"); report && *report) WriteIdentity(report);
  auto optional = [&](size_t i) { return i < args.size() && !kCommands.count(args[i]); };
  std::vector<HANDLE> waits;
  int exit_code = -1;
  for (size_t i = 0; i < args.size();) {
    const std::string command = args[i++];
    if (!kCommands.count(command)) {
      PrintLine("error unknown-command " + command);
      return 2;
    }
    size_t required = command == "write-mapping" || command == "print-env" ? 2
                      : command == "sleep" || command == "cmdline" || command == "self" ||
                              command == "shell"
                          ? 0
                          : 1;
    if (i + required > args.size()) {
      PrintLine("error missing-argument " + command);
      return 2;
    }
    if (command == "hold-mapping") {
      std::string name = args[i++];
      DWORD size = optional(i) ? static_cast<DWORD>(std::strtoul(args[i++].c_str(), nullptr, 0))
                               : 4096;
      HANDLE mapping =
          CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, W(name).c_str());
      if (!mapping || !MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0)) Fail(command);
    } else if (command == "write-mapping") {
      HANDLE mapping = OpenMapping(command, args[i]);
      std::string text = args[i + 1];
      i += 2;
      auto* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
      if (!view) Fail(command);
      std::memcpy(view, text.c_str(), text.size() + 1);
      UnmapViewOfFile(view);
      CloseHandle(mapping);
    } else if (command == "print-mapping") {
      HANDLE mapping = OpenMapping(command, args[i++]);
      auto* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
      if (!view) Fail(command);
      PrintLine("mapping " + std::string(view));
      UnmapViewOfFile(view);
      CloseHandle(mapping);
    } else if (command == "hold-mutex") {
      HANDLE mutex = CreateMutexW(nullptr, FALSE, W(args[i++]).c_str());
      if (!mutex) Fail(command);
      DWORD result = WaitForSingleObject(mutex, INFINITE);
      if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) Fail(command);
      g_mutexes.push_back(mutex);
    } else if (command == "hold-event" || command == "wait-event") {
      HANDLE event = CreateEventW(nullptr, TRUE, FALSE, W(args[i++]).c_str());
      if (!event) Fail(command);
      if (command == "wait-event") waits.push_back(event);
    } else if (command == "set-event") {
      HANDLE event = CreateEventW(nullptr, TRUE, FALSE, W(args[i++]).c_str());
      if (!event || !SetEvent(event)) Fail(command);
    } else if (command == "open-file") {
      std::string path = args[i++];
      DWORD share = optional(i) ? static_cast<DWORD>(std::strtoul(args[i++].c_str(), nullptr, 0))
                                : FILE_SHARE_READ;
      HANDLE file = CreateFileW(W(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE) Fail(command);
    } else if (command == "load-library") {
      if (!LoadLibraryW(W(args[i++]).c_str())) Fail(command);
    } else if (command == "cd") {
      if (!SetCurrentDirectoryW(W(args[i++]).c_str())) Fail(command);
    } else if (command == "window") {
      std::u16string class_name = W(args[i++]);
      std::u16string title = optional(i) ? W(args[i++]) : u"";
      WNDCLASSEXW wc = {};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = WindowProc;
      wc.hInstance = instance;
      wc.lpszClassName = class_name.c_str();
      // A second window of the same class reuses the registration.
      if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) Fail(command);
      last_window = CreateWindowExW(0, class_name.c_str(), title.c_str(), 0, 0, 0, 0, 0, nullptr,
                                    nullptr, instance, nullptr);
      if (!last_window) Fail(command);
    } else if (command == "show") {
      // ShowWindow on the last window with the given command (SW_*).
      ShowWindow(last_window, std::atoi(args[i++].c_str()));
    } else if (command == "dpi-aware") {
      HMODULE user32 = LoadLibraryW(u"user32.dll");
      auto set_context = user32 ? reinterpret_cast<SetThreadDpiAwarenessContextFn>(
                                      reinterpret_cast<void (*)()>(
                                          GetProcAddress(user32, "SetThreadDpiAwarenessContext")))
                                : nullptr;
      if (!set_context || !set_context(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) Fail(command);
    } else if (command == "quit-on") {
      g_quit_on = std::strtoll(args[i++].c_str(), nullptr, 0);
    } else if (command == "answer") {
      g_answer = std::strtoll(args[i++].c_str(), nullptr, 0);
    } else if (command == "call-back") {
      g_call_back = W(args[i++]);
    } else if (command == "die-on") {
      g_die_on = std::strtoll(args[i++].c_str(), nullptr, 0);
    } else if (command == "hang-on") {
      g_hang_on = std::strtoll(args[i++].c_str(), nullptr, 0);
    } else if (command == "exit") {
      exit_code = std::atoi(args[i++].c_str());
    } else if (command == "cmdline") {
      PrintLine("cmdline " + SimToUtf8(GetCommandLineW()));
    } else if (command == "identity") {
      WriteIdentity(args[i++]);
    } else if (command == "print-env") {
      const std::string file = args[i], name = args[i + 1];
      i += 2;
      char16_t value[4096];
      DWORD length = GetEnvironmentVariableW(W(name).c_str(), value, 4096);
      AppendLine(file, length == 0 || length >= 4096
                           ? "env " + name + " missing"
                           : "env " + name + "=" + SimToUtf8(std::u16string(value, length)));
    } else if (command == "start") {
      std::u16string line = W(args[i++]);
      STARTUPINFOW startup = {};
      startup.cb = sizeof(startup);
      PROCESS_INFORMATION started = {};
      if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started))
        Fail(command);
      WaitForSingleObject(started.hProcess, INFINITE);
      CloseHandle(started.hThread);
      CloseHandle(started.hProcess);
    } else if (command == "shell") {
      watch_machine = true;
    } else if (command == "self") {
      char16_t module[MAX_PATH];
      GetModuleFileNameW(nullptr, module, MAX_PATH);
      PrintLine("module " + SimToUtf8(module));
      PrintLine("cmdline " + SimToUtf8(GetCommandLineW()));
      ExitNow(0);
    }
  }

  g_ready = true;
  PrintLine("ready");
  if (exit_code >= 0) ExitNow(exit_code);

  // Watching standard input only when it is a pipe or socket: a program
  // started with /dev/null or a terminal waits until it is killed.
  struct stat st;
  if (fstat(0, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)))
    std::thread(WatchInput).detach();
  for (HANDLE event : waits) std::thread(WaitForEvent, event).detach();
  if (watch_machine) {
    // The machine may be gone already, before this program could open it.
    std::string dir;
    if (const char* named = std::getenv("SIMHOST_MACHINE"); named && *named) dir = named;
    else if (auto machine = SimHost::Machine()) dir = machine->Dir();
    if (dir.empty()) ExitNow(0);
    std::thread(WatchMachine, dir + "/machine.db").detach();
  }

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd) {
      DispatchMessageW(&msg);
    } else if (msg.message == kReleaseMessage) {
      for (HANDLE mutex : g_mutexes) ReleaseMutex(mutex);
      g_mutexes.clear();
      PrintLine("released");
    } else if (msg.message == kExitMessage) {
      break;
    }
  }
  ExitNow(0);
}
