#include "engine/actions/ZExecService.h"

#include "platform/kernel.h"
#include "platform/services.h"

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

// Asks the service to stop, then waits for it to report SERVICE_STOPPED. The
// wait is bounded: a service that never stops gives up the wait (result 0)
// after kStopWaitLimitMs, and the uninstall goes on.
int ZExecService::RunStop() {
  if (service_name_.empty()) return 0;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, GENERIC_WRITE);
  if (!manager) return 0;
  SC_HANDLE service =
      OpenServiceW(manager, service_name_.c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (!service) {
    CloseServiceHandle(manager);
    return 0;
  }
  SERVICE_STATUS status = {};
  if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) {
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return 0;
  }
  int result = 1;
  const DWORD started = GetTickCount();
  for (;;) {
    if (!QueryServiceStatus(service, &status)) {
      result = 0;
      break;
    }
    if (status.dwCurrentState == SERVICE_STOPPED) break;
    if (static_cast<DWORD>(GetTickCount() - started) >= kStopWaitLimitMs) {
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
  if (!manager) return 0;
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
