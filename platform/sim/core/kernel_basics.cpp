// Last error, clocks, process and thread ids, module path, command line,
// environment and text conversion.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "platform/kernel.h"
#include "platform/sim/text/SimAnsi.h"
#include "platform/sim/core/SimEnvironment.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

thread_local DWORD t_last_error = 0;

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr uint64_t kEpochDifference = 116444736000000000ull;

void FillSystemTime(const struct tm& tm, long nanoseconds, LPSYSTEMTIME out) {
  out->wYear = static_cast<WORD>(tm.tm_year + 1900);
  out->wMonth = static_cast<WORD>(tm.tm_mon + 1);
  out->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
  out->wDay = static_cast<WORD>(tm.tm_mday);
  out->wHour = static_cast<WORD>(tm.tm_hour);
  out->wMinute = static_cast<WORD>(tm.tm_min);
  out->wSecond = static_cast<WORD>(tm.tm_sec);
  out->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}

// Copies text (with its terminator) into a caller's buffer with the usual
// Win32 contract: the length without terminator on success, the size needed
// (with terminator) when the buffer is too small.
DWORD CopyOut(const std::u16string& text, LPWSTR buffer, DWORD size) {
  if (!buffer || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  return static_cast<DWORD>(text.size());
}

// Quotes one argument the way Windows programs split their command line.
std::u16string QuoteArgument(const std::u16string& arg) {
  if (!arg.empty() && arg.find_first_of(u" \t\"") == std::u16string::npos) return arg;
  std::u16string out = u"\"";
  size_t backslashes = 0;
  for (char16_t c : arg) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') out.append(backslashes * 2 + 1, u'\\');
    else out.append(backslashes, u'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, u'\\');
  return out + u"\"";
}

std::u16string BuildCommandLine() {
  if (const char* raw = getenv("SIMHOST_CMDLINE")) return SimToUtf16(raw);
  std::string args;
  int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof(buffer))) > 0) args.append(buffer, n);
    close(fd);
  }
  std::u16string line = QuoteArgument(SimHost::ModulePath());
  size_t start = args.find('\0');  // argv[0] is replaced by the module path
  while (start != std::string::npos && start + 1 < args.size()) {
    size_t end = args.find('\0', start + 1);
    line += u' ';
    line += QuoteArgument(SimToUtf16(args.substr(start + 1, end - start - 1)));
    start = end;
  }
  return line;
}

std::u16string LookupVariable(const std::u16string& name, bool* found) {
  *found = false;
  // A program started with an environment block sees that block only.
  std::u16string from_block;
  if (SimBlockLookup(name, &from_block, found)) return from_block;
  auto machine = SimHost::Machine();
  if (!machine) return std::u16string();
  const bool native = machine->Is64Bit() && !SimHost::IsWow64Process();
  const std::u16string stored = native ? SimNativeVariableName(name) : name;
  if (stored.empty()) return std::u16string();
  std::lock_guard<std::recursive_mutex> guard(machine->Db().Lock());
  SimStatement st(machine->Db(), "SELECT value FROM environment WHERE name=?1");
  st.Bind(1, SimToUtf8(stored));
  if (!st.Step()) return std::u16string();
  *found = true;
  return SimToUtf16(st.Text(0));
}

}  // namespace

DWORD GetLastError() { return t_last_error; }
void SetLastError(DWORD error) { t_last_error = error; }

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

ULONGLONG GetTickCount64() {
  struct timespec ts;
  clock_gettime(CLOCK_BOOTTIME, &ts);
  return static_cast<ULONGLONG>(ts.tv_sec) * 1000 + static_cast<ULONGLONG>(ts.tv_nsec) / 1000000;
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  struct timespec ts;
  ts.tv_sec = milliseconds / 1000;
  ts.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (nanosleep(&ts, &ts) != 0) {
  }
}

void GetLocalTime(LPSYSTEMTIME time) {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  struct tm tm;
  localtime_r(&ts.tv_sec, &tm);
  FillSystemTime(tm, ts.tv_nsec, time);
}

void GetSystemTime(LPSYSTEMTIME time) {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  struct tm tm;
  gmtime_r(&ts.tv_sec, &tm);
  FillSystemTime(tm, ts.tv_nsec, time);
}

void GetSystemTimeAsFileTime(LPFILETIME time) {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  uint64_t value = static_cast<uint64_t>(ts.tv_sec) * 10000000ull +
                   static_cast<uint64_t>(ts.tv_nsec) / 100 + kEpochDifference;
  time->dwLowDateTime = static_cast<DWORD>(value);
  time->dwHighDateTime = static_cast<DWORD>(value >> 32);
}

void ExitProcess(UINT exit_code) {
  fflush(nullptr);
  _exit(static_cast<int>(exit_code));
}

void DebugBreak() {
  // A tracer shows as TracerPid in /proc/self/status; without one, a breakpoint
  // would only kill the process.
  int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  char buffer[4096];
  ssize_t n = read(fd, buffer, sizeof(buffer) - 1);
  close(fd);
  if (n <= 0) return;
  buffer[n] = 0;
  const char* tracer = strstr(buffer, "TracerPid:");
  if (tracer && atoi(tracer + 10) != 0) raise(SIGTRAP);
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }
DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }
HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
  if (module != nullptr) return SimFailWith<DWORD>(ERROR_MOD_NOT_FOUND, 0);
  std::u16string path = SimHost::ModulePath();
  if (size == 0 || !buffer) return SimFailWith<DWORD>(ERROR_INSUFFICIENT_BUFFER, 0);
  if (path.size() >= size) {
    // Truncated and terminated; the result is the buffer size, as on Windows.
    std::memcpy(buffer, path.data(), (size - 1) * sizeof(char16_t));
    buffer[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(buffer, path.c_str(), (path.size() + 1) * sizeof(char16_t));
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}

HMODULE GetModuleHandleW(LPCWSTR name) {
  if (name == nullptr) return reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x400000));
  return SimFailWith<HMODULE>(ERROR_MOD_NOT_FOUND, nullptr);
}

LPWSTR GetCommandLineW() {
  static std::once_flag once;
  static std::u16string* line = nullptr;
  std::call_once(once, [] { line = new std::u16string(BuildCommandLine()); });
  return line->data();
}

DWORD ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size) {
  if (!source) return SimFailWith<DWORD>(ERROR_INVALID_PARAMETER, 0);
  std::u16string in(source), out;
  size_t i = 0;
  while (i < in.size()) {
    if (in[i] == u'%') {
      size_t end = in.find(u'%', i + 1);
      if (end != std::u16string::npos && end > i + 1) {
        bool found = false;
        std::u16string value = LookupVariable(in.substr(i + 1, end - i - 1), &found);
        if (found) {
          out += value;
          i = end + 1;
          continue;
        }
        // An unknown variable stays as it is; its closing % may open the next one.
        out.append(in, i, end - i);
        i = end;
        continue;
      }
    }
    out += in[i++];
  }
  DWORD needed = static_cast<DWORD>(out.size() + 1);
  if (destination && size >= needed)
    std::memcpy(destination, out.c_str(), needed * sizeof(char16_t));
  return needed;
}

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
  if (!name) return SimFailWith<DWORD>(ERROR_INVALID_PARAMETER, 0);
  bool found = false;
  std::u16string value = LookupVariable(name, &found);
  if (!found) return SimFailWith<DWORD>(ERROR_ENVVAR_NOT_FOUND, 0);
  return CopyOut(value, buffer, size);
}

BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value) {
  auto machine = SimHost::Machine();
  if (!name || !*name) return SimFail(ERROR_INVALID_PARAMETER);
  if (value) {
    const std::u16string text(value);
    if (SimBlockSet(name, &text)) return TRUE;
  } else if (SimBlockSet(name, nullptr)) {
    return TRUE;
  }
  if (!machine) return SimFail(ERROR_INVALID_PARAMETER);
  SimTransaction tx(machine->Db());
  SimStatement st(machine->Db(), value ? "INSERT OR REPLACE INTO environment(name, value) VALUES(?1, ?2)"
                                       : "DELETE FROM environment WHERE name=?1");
  st.Bind(1, SimToUtf8(name));
  if (value) st.Bind(2, SimToUtf8(value));
  st.Step();
  if (st.Failed() || !tx.Commit()) return SimFail(ERROR_INVALID_FUNCTION);
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  if (handle == GetCurrentProcess()) return TRUE;  // pseudo handle
  if (!SimHandles::Remove(handle)) return SimFail(ERROR_INVALID_HANDLE);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  auto object = SimHandles::Get(handle);
  if (!object) return SimFailWith<DWORD>(ERROR_INVALID_HANDLE, WAIT_FAILED);
  return object->Wait(milliseconds);
}

int MultiByteToWideChar(UINT code_page, DWORD, LPCSTR source, int source_length,
                        LPWSTR destination, int destination_length) {
  if (!source || source_length == 0 || destination_length < 0 ||
      (code_page != CP_UTF8 && code_page != CP_ACP))
    return SimFailWith<int>(ERROR_INVALID_PARAMETER, 0);
  size_t length = source_length < 0 ? std::strlen(source) + 1 : static_cast<size_t>(source_length);
  std::string_view bytes(source, length);
  std::u16string text = code_page == CP_ACP ? SimAnsiToUtf16(bytes) : SimToUtf16(bytes);
  if (destination_length == 0) return static_cast<int>(text.size());
  if (text.size() > static_cast<size_t>(destination_length))
    return SimFailWith<int>(ERROR_INSUFFICIENT_BUFFER, 0);
  std::memcpy(destination, text.data(), text.size() * sizeof(char16_t));
  return static_cast<int>(text.size());
}

int WideCharToMultiByte(UINT code_page, DWORD, LPCWSTR source, int source_length,
                        LPSTR destination, int destination_length, LPCSTR default_char,
                        LPBOOL used_default) {
  if (!source || source_length == 0 || destination_length < 0 ||
      (code_page != CP_UTF8 && code_page != CP_ACP))
    return SimFailWith<int>(ERROR_INVALID_PARAMETER, 0);
  size_t length = 0;
  if (source_length < 0) {
    while (source[length]) ++length;
    ++length;
  } else {
    length = static_cast<size_t>(source_length);
  }
  if (used_default) *used_default = FALSE;
  std::u16string_view units(source, length);
  std::string text;
  if (code_page == CP_ACP) {
    bool defaulted = false;
    text = SimUtf16ToAnsi(units, default_char ? *default_char : '?', &defaulted);
    if (used_default) *used_default = defaulted ? TRUE : FALSE;
  } else {
    text = SimToUtf8(units);
  }
  if (destination_length == 0) return static_cast<int>(text.size());
  if (text.size() > static_cast<size_t>(destination_length))
    return SimFailWith<int>(ERROR_INSUFFICIENT_BUFFER, 0);
  std::memcpy(destination, text.data(), text.size());
  return static_cast<int>(text.size());
}
