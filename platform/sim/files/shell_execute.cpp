// ShellExecuteW on the simulated host: programs of the machine are started,
// every other target is only recorded (the host has no handlers), and each
// call is written to the machine's run folder for tests and simhost.
#include <fstream>
#include <sstream>
#include <string>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/files/SimShellLog.h"

namespace {

constexpr uintptr_t kSuccess = 42;  // any value above 32

std::u16string Text(LPCWSTR text) { return text ? std::u16string(text) : std::u16string(); }

// Tabs and line ends would split the record.
std::string Field(const std::u16string& text) {
  std::string out = SimToUtf8(text);
  for (char& c : out)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return out;
}

bool EqualsIgnoreCase(const std::u16string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char16_t x = a[i], y = static_cast<unsigned char>(b[i]);
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x - u'A' + u'a');
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y - u'A' + u'a');
    if (x != y) return false;
  }
  return i == a.size() && !b[i];
}

// "scheme:..." with a scheme of two or more letters (not a drive letter).
bool IsUrl(const std::u16string& file) {
  size_t colon = file.find(u':');
  if (colon == std::u16string::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    char16_t c = file[i];
    if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'+' || c == u'.' || c == u'-'))
      return false;
  }
  return true;
}

bool IsProgram(const std::u16string& path) {
  return path.size() > 4 && EqualsIgnoreCase(path.substr(path.size() - 4), ".exe");
}

bool IsRelative(const std::u16string& path) {
  return !(path.size() >= 3 && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/')) &&
         !(path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\');
}

uintptr_t Open(const std::u16string& verb, std::u16string file, const std::u16string& parameters,
               const std::u16string& directory, INT show) {
  if (file.empty()) return SE_ERR_FNF;
  if (!verb.empty() && !EqualsIgnoreCase(verb, "open") && !EqualsIgnoreCase(verb, "runas"))
    return SE_ERR_NOASSOC;
  // A link's target: the browser is outside the machine, so opening it is the record.
  if (IsUrl(file)) return kSuccess;
  if (IsRelative(file) && !directory.empty()) {
    std::u16string joined = directory;
    if (joined.back() != u'\\' && joined.back() != u'/') joined.push_back(u'\\');
    file = joined + file;
  }
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_PATH_NOT_FOUND ? SE_ERR_PNF : SE_ERR_FNF;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || !IsProgram(file)) return kSuccess;
  std::u16string command = u"\"" + file + u"\"";
  if (!parameters.empty()) command += u" " + parameters;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(file.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    const DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED ? SE_ERR_ACCESSDENIED : SE_ERR_FNF;
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return kSuccess;
}

}  // namespace

std::string SimShellExecuteLogPath() {
  auto machine = SimHost::Machine();
  return machine ? machine->RunDir() + "/shell-execute.log" : std::string();
}

std::vector<SimShellCall> SimReadShellCalls() {
  std::vector<SimShellCall> calls;
  const std::string path = SimShellExecuteLogPath();
  if (path.empty()) return calls;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream parts(line);
    std::string field;
    while (std::getline(parts, field, '\t')) fields.push_back(field);
    while (fields.size() < 6) fields.emplace_back();
    SimShellCall call{fields[0], fields[1], fields[2], fields[3], std::atoi(fields[4].c_str()),
                      std::atoi(fields[5].c_str())};
    calls.push_back(call);
  }
  return calls;
}

HINSTANCE ShellExecuteW(HWND, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, INT show) {
  const uintptr_t result =
      Open(Text(operation), Text(file), Text(parameters), Text(directory), show);
  const std::string log = SimShellExecuteLogPath();
  if (!log.empty()) {
    std::ofstream out(log, std::ios::app);
    out << Field(Text(operation)) << '\t' << Field(Text(file)) << '\t' << Field(Text(parameters))
        << '\t' << Field(Text(directory)) << '\t' << show << '\t' << result << '\n';
  }
  if (result <= 32) SetLastError(result == SE_ERR_NOASSOC ? ERROR_NO_ASSOCIATION
                                                          : static_cast<DWORD>(result));
  return reinterpret_cast<HINSTANCE>(result);
}
