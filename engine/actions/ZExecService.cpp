#include "engine/actions/ZExecService.h"

#include <vector>

#include "app/log/ZLog.h"
#include "engine/guard/ZDeletionGuard.h"
#include "engine/guard/ZNativePaths.h"
#include "engine/guard/ZPathNames.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/services.h"
#include "platform/system_info.h"

namespace {

constexpr DWORD kConfigBufferBytes = 8192;

std::u16string WindowsFolder() {
  char16_t buffer[MAX_PATH] = {};
  UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::u16string(buffer, length) : std::u16string();
}

// The forms a service's image path takes: "%SystemRoot%\...", "\SystemRoot\...",
// "\??\C:\...", "system32\..." (relative to the Windows folder), plain paths.
std::u16string FullProgramPath(std::u16string program) {
  const std::u16string windows = WindowsFolder();
  auto starts = [&program](std::u16string_view prefix) {
    return program.size() >= prefix.size() &&
           PathEqualNoCase(std::u16string_view(program).substr(0, prefix.size()), prefix);
  };
  if (starts(u"\\??\\")) program.erase(0, 4);
  if (starts(u"%SystemRoot%")) program = windows + program.substr(12);
  else if (starts(u"%windir%")) program = windows + program.substr(8);
  else if (starts(u"\\SystemRoot\\")) program = ChildPath(windows, program.substr(12));
  else if (program.size() < 2 || program[1] != u':') program = ChildPath(windows, program);
  return program;
}

// The program of a command line: the quoted part, or else the shortest run of
// words that names an existing file, as the service control manager reads it.
std::vector<std::u16string> ProgramCandidates(const std::u16string& command) {
  std::vector<std::u16string> out;
  size_t start = command.find_first_not_of(u' ');
  if (start == std::u16string::npos) return out;
  if (command[start] == u'"') {
    size_t close = command.find(u'"', start + 1);
    out.push_back(command.substr(start + 1, close == std::u16string::npos ? std::u16string::npos
                                                                          : close - start - 1));
    return out;
  }
  for (size_t blank = command.find(u' ', start);; blank = command.find(u' ', blank + 1)) {
    out.push_back(command.substr(start, blank == std::u16string::npos ? std::u16string::npos
                                                                      : blank - start));
    if (blank == std::u16string::npos) break;
  }
  return out;
}

}  // namespace

void ZExecService::SetService(const std::u16string& name, const std::u16string& program_path,
                              const std::u16string& arguments, const std::u16string& display_name,
                              const std::u16string& description, const std::u16string& group) {
  service_name_ = name;
  program_path_ = program_path;
  arguments_ = arguments;
  display_name_ = display_name;
  description_ = description;
  group_ = group;
}

bool ZExecService::RunsOperatingSystemFile(const std::u16string& name) {
  if (name.empty()) return false;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return false;
  SC_HANDLE service = OpenServiceW(manager, name.c_str(), SERVICE_QUERY_CONFIG);
  std::vector<DWORD> buffer(kConfigBufferBytes / sizeof(DWORD));
  auto* config = reinterpret_cast<LPQUERY_SERVICE_CONFIGW>(buffer.data());
  DWORD needed = 0;
  bool known = service && QueryServiceConfigW(service, config, kConfigBufferBytes, &needed) &&
               config->lpBinaryPathName;
  bool system = false;
  if (known) {
    for (const auto& candidate : ProgramCandidates(AsU16(config->lpBinaryPathName))) {
      // The service manager names the program natively.
      std::u16string program = PathReachingNative(FullProgramPath(candidate));
      if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
      system = ZDeletionGuard::IsOperatingSystemFile(program);
      break;
    }
  }
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return system;
}

int ZExecService::NoRight(const char16_t* what) const {
  if (GetLastError() == ERROR_ACCESS_DENIED)
    ZLOG(kLogWarning) << u"no right to " << what << u" service : " << service_name_;
  return 0;
}

int ZExecService::Run() {
  switch (ExecMode) {
    case kStop:
      return RunStop();
    case kDelete:
      return RunDelete();
    default:
      return 0;  // creating and starting belong to the installer
  }
}

namespace {

// Why a stop request was refused, for the log; nullptr when there is nothing
// to report (a service that is not running needs no stop).
const char16_t* RefusalReason(DWORD error) {
  switch (error) {
    case ERROR_SERVICE_NOT_ACTIVE: return nullptr;
    case ERROR_DEPENDENT_SERVICES_RUNNING: return u"other running services depend on it";
    case ERROR_INVALID_SERVICE_CONTROL: return u"it does not accept a stop";
    case ERROR_SERVICE_CANNOT_ACCEPT_CTRL: return u"it did not finish starting in time";
    case ERROR_ACCESS_DENIED: return u"access denied";
    default: return u"the request failed";
  }
}

}  // namespace

// Asks the service to stop, then waits for it to report SERVICE_STOPPED. A
// service still starting is asked again once it runs, and one that another
// program is stopping already is waited for. The whole stop is bounded: past
// kStopWaitLimitMs the wait gives up (result 0) and the uninstall goes on.
int ZExecService::RunStop() {
  if (service_name_.empty()) return 0;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, GENERIC_WRITE);
  if (!manager) return NoRight(u"stop");
  SC_HANDLE service =
      OpenServiceW(manager, service_name_.c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (!service) {
    CloseServiceHandle(manager);
    return 0;
  }
  const DWORD started = GetTickCount();
  auto time_up = [started] {
    return static_cast<DWORD>(GetTickCount() - started) >= kStopWaitLimitMs;
  };
  SERVICE_STATUS status = {};
  BOOL sent = ControlService(service, SERVICE_CONTROL_STOP, &status);
  DWORD error = sent ? 0 : GetLastError();
  while (!sent && error == ERROR_SERVICE_CANNOT_ACCEPT_CTRL &&
         status.dwCurrentState == SERVICE_START_PENDING && !time_up()) {
    Sleep(kStopPollMs);
    sent = ControlService(service, SERVICE_CONTROL_STOP, &status);
    error = sent ? 0 : GetLastError();
  }
  const bool stopping_already =
      !sent && error == ERROR_SERVICE_CANNOT_ACCEPT_CTRL &&
      status.dwCurrentState == SERVICE_STOP_PENDING;
  if (!sent && !stopping_already) {
    if (const char16_t* reason = RefusalReason(error))
      ZLOG(kLogWarning) << u"cannot stop service " << service_name_ << u" : " << reason
                        << u" (" << static_cast<unsigned>(error) << u")";
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return 0;
  }
  int result = 1;
  for (;;) {
    if (!QueryServiceStatus(service, &status)) {
      result = 0;
      break;
    }
    if (status.dwCurrentState == SERVICE_STOPPED) break;
    if (time_up()) {
      ZLOG(kLogWarning) << u"service " << service_name_ << u" did not stop within "
                        << static_cast<unsigned>(kStopWaitLimitMs / 1000) << u" s";
      result = 0;
      break;
    }
    Sleep(kStopPollMs);
  }
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return result;
}

int ZExecService::RunDelete() {
  if (service_name_.empty()) return 0;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
  if (!manager) return NoRight(u"delete");
  SC_HANDLE service = OpenServiceW(manager, service_name_.c_str(), DELETE);
  if (!service) {
    CloseServiceHandle(manager);
    return 0;
  }
  const BOOL deleted = DeleteService(service);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return deleted ? 1 : 0;
}
