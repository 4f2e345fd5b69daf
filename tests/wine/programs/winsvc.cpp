// winsvc: a real Windows service program for the Wine test bed, and the few
// service-manager calls the test bed needs around it.
//
//   winsvc.exe                     run as a service: RUNNING until asked to stop,
//                                  then STOP_PENDING and STOPPED
//   winsvc.exe --never-stops       run as a service that answers a stop with
//                                  STOP_PENDING and never stops
//   winsvc.exe --refuses-stop      run as a service that never accepts the stop
//                                  control (the manager refuses it)
//   winsvc.exe install NAME [--never-stops]
//                                  create NAME (own process, started on demand)
//                                  running this program, with the option passed on
//   winsvc.exe delete NAME         mark NAME for deletion
//   winsvc.exe start NAME          start NAME
//   winsvc.exe stop NAME           send the stop control
//   winsvc.exe query NAME          print the current state
//
// The service-manager commands print "state SERVICE_..." (the state the
// manager reported), or "installed NAME" / "deleted NAME", and exit 0; a failed
// call prints "error CALL CODE" (CODE: GetLastError) and exits 2.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

SERVICE_STATUS_HANDLE g_status_handle = nullptr;
HANDLE g_stop = nullptr;
bool g_never_stops = false;
bool g_refuses_stop = false;

void Report(DWORD state, DWORD wait_hint) {
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING && !g_refuses_stop ? SERVICE_ACCEPT_STOP : 0;
  status.dwWin32ExitCode = NO_ERROR;
  status.dwWaitHint = wait_hint;
  static DWORD check_point = 0;
  status.dwCheckPoint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : ++check_point;
  SetServiceStatus(g_status_handle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
      Report(SERVICE_STOP_PENDING, 3000);
      // The service that never stops stays pending until it is killed.
      if (!g_never_stops) SetEvent(g_stop);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
  g_status_handle = RegisterServiceCtrlHandlerExW(L"", Handler, nullptr);
  if (!g_status_handle) return;
  g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Report(SERVICE_RUNNING, 0);
  WaitForSingleObject(g_stop, INFINITE);
  Report(SERVICE_STOPPED, 0);
}

int Fail(const char* call) {
  const DWORD code = GetLastError();
  std::printf("error %s %lu\n", call, static_cast<unsigned long>(code));
  std::fflush(stdout);
  return 2;
}

const char* StateName(DWORD state) {
  switch (state) {
    case SERVICE_STOPPED: return "SERVICE_STOPPED";
    case SERVICE_START_PENDING: return "SERVICE_START_PENDING";
    case SERVICE_STOP_PENDING: return "SERVICE_STOP_PENDING";
    case SERVICE_RUNNING: return "SERVICE_RUNNING";
    case SERVICE_CONTINUE_PENDING: return "SERVICE_CONTINUE_PENDING";
    case SERVICE_PAUSE_PENDING: return "SERVICE_PAUSE_PENDING";
    case SERVICE_PAUSED: return "SERVICE_PAUSED";
    default: return "SERVICE_UNKNOWN";
  }
}

int PrintState(const SERVICE_STATUS& status) {
  std::printf("state %s\n", StateName(status.dwCurrentState));
  std::fflush(stdout);
  return 0;
}

// "C:\...\winsvc.exe" [--never-stops], quoted for a path with blanks.
std::wstring OwnCommandLine(bool never_stops) {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  std::wstring line = L"\"" + std::wstring(path, length) + L"\"";
  if (never_stops) line += L" --never-stops";
  return line;
}

int Manage(const std::wstring& verb, const std::wstring& name, bool never_stops) {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return Fail("OpenSCManagerW");
  int result = 0;
  if (verb == L"install") {
    const std::wstring image = OwnCommandLine(never_stops);
    if (image.empty()) return Fail("GetModuleFileNameW");
    SC_HANDLE service = CreateServiceW(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_NORMAL, image.c_str(), nullptr, nullptr,
                                       nullptr, nullptr, nullptr);
    if (!service) return Fail("CreateServiceW");
    std::printf("installed %ls\n", name.c_str());
    CloseServiceHandle(service);
  } else {
    SC_HANDLE service = OpenServiceW(manager, name.c_str(), SERVICE_ALL_ACCESS);
    if (!service) return Fail("OpenServiceW");
    SERVICE_STATUS status = {};
    if (verb == L"delete") {
      if (!DeleteService(service)) result = Fail("DeleteService");
      else std::printf("deleted %ls\n", name.c_str());
    } else if (verb == L"start") {
      if (!StartServiceW(service, 0, nullptr)) result = Fail("StartServiceW");
      else if (!QueryServiceStatus(service, &status)) result = Fail("QueryServiceStatus");
      else PrintState(status);
    } else if (verb == L"stop") {
      if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) result = Fail("ControlService");
      else PrintState(status);
    } else {
      if (!QueryServiceStatus(service, &status)) result = Fail("QueryServiceStatus");
      else PrintState(status);
    }
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  std::fflush(stdout);
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring verb = argc > 1 ? argv[1] : L"";
  if (verb == L"install" || verb == L"delete" || verb == L"start" || verb == L"stop" ||
      verb == L"query") {
    if (argc < 3) {
      std::printf("error missing-argument %ls\n", verb.c_str());
      return 2;
    }
    const bool never_stops = argc > 3 && std::wstring(argv[3]) == L"--never-stops";
    return Manage(verb, argv[2], never_stops);
  }
  g_never_stops = verb == L"--never-stops";
  g_refuses_stop = verb == L"--refuses-stop";
  if (!verb.empty() && !g_never_stops && !g_refuses_stop) {
    std::printf("error unknown-command %ls\n", verb.c_str());
    return 2;
  }
  wchar_t no_name[] = L"";
  SERVICE_TABLE_ENTRYW table[] = {{no_name, ServiceMain}, {nullptr, nullptr}};
  // Fails at once (ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) unless the service
  // manager started this process.
  if (!StartServiceCtrlDispatcherW(table)) return Fail("StartServiceCtrlDispatcherW");
  return 0;
}
