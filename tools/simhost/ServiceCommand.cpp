// simhost svc: create, start, stop, query and delete services by hand, through
// the service control manager as a program would; stop timing and the event
// history through the host's own view.
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/kernel.h"
#include "platform/services.h"
#include "platform/sim/services/SimServices.h"
#include "platform/sim/text/SimUnicode.h"
#include "tools/simhost/SimhostCommands.h"

namespace {

std::string ErrorText(DWORD error) {
  switch (error) {
    case ERROR_SERVICE_DOES_NOT_EXIST: return "no such service";
    case ERROR_SERVICE_EXISTS: return "the service exists already";
    case ERROR_SERVICE_MARKED_FOR_DELETE: return "the service is marked for deletion";
    case ERROR_SERVICE_ALREADY_RUNNING: return "the service is running already";
    case ERROR_SERVICE_NOT_ACTIVE: return "the service is not running";
    case ERROR_SERVICE_CANNOT_ACCEPT_CTRL: return "the service is starting or stopping";
    case ERROR_INVALID_SERVICE_CONTROL: return "the service does not accept that control";
    case ERROR_DEPENDENT_SERVICES_RUNNING: return "services that depend on it are running";
    case ERROR_SERVICE_DEPENDENCY_FAIL: return "a service it depends on could not start";
    case ERROR_SERVICE_DEPENDENCY_DELETED: return "a service it depends on does not exist";
    case ERROR_FILE_NOT_FOUND: return "the service's program does not exist";
    case ERROR_ACCESS_DENIED: return "access denied";
    case ERROR_INVALID_NAME: return "invalid service name";
    default: return "error " + std::to_string(error);
  }
}

int FailWith(const std::string& what, DWORD error) { return Fail(what + ": " + ErrorText(error)); }

// A digit string of at most 9 digits as a number; false for anything else.
bool ParseMs(const std::string& text, int64_t* ms) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  *ms = std::atoll(text.c_str());
  return true;
}

// The host's own settings of a service, as options of create and set.
struct Behaviour {
  std::optional<int64_t> stop_ms, start_ms;
  std::optional<bool> accepts_stop;

  // Takes the option at args[*i] (and its value); false when it is none of them.
  bool Parse(const Args& args, size_t* i) {
    const std::string& option = args[*i];
    const bool has_value = *i + 1 < args.size();
    int64_t ms = 0;
    if (option == "--never-stops") stop_ms = kSimServiceNeverStops;
    else if (option == "--never-starts") start_ms = kSimServiceNeverStops;
    else if (option == "--refuses-stop") accepts_stop = false;
    else if (option == "--accepts-stop") accepts_stop = true;
    else if (option == "--stop-ms" && has_value && ParseMs(args[*i + 1], &ms)) stop_ms = ms, ++*i;
    else if (option == "--start-ms" && has_value && ParseMs(args[*i + 1], &ms)) start_ms = ms, ++*i;
    else return false;
    return true;
  }
  bool Apply(const std::string& name) const {
    const std::u16string service = SimToUtf16(name);
    return (!stop_ms || SimSetServiceStopMs(service, *stop_ms)) &&
           (!start_ms || SimSetServiceStartMs(service, *start_ms)) &&
           (!accepts_stop || SimSetServiceAcceptsStop(service, *accepts_stop));
  }
};

// Opens the named service with the given access; prints why not.
SC_HANDLE OpenNamed(const std::string& name, DWORD access, DWORD* error) {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) {
    *error = GetLastError();
    return nullptr;
  }
  SC_HANDLE service = OpenServiceW(manager, SimToUtf16(name).c_str(), access);
  *error = service ? 0 : GetLastError();
  CloseServiceHandle(manager);
  return service;
}

int Create(const Args& args) {
  if (args.size() < 4) return Usage();
  std::string display = args[2];
  Behaviour behaviour;
  std::u16string dependencies;  // each name ends with a terminator, the list with another
  for (size_t i = 4; i < args.size(); ++i) {
    if (args[i] == "--display" && i + 1 < args.size()) {
      display = args[++i];
    } else if (args[i] == "--depends-on" && i + 1 < args.size() && !args[i + 1].empty()) {
      dependencies += SimToUtf16(args[++i]);
      dependencies += u'\0';
    } else if (!behaviour.Parse(args, &i)) {
      return Usage();
    }
  }
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
  if (!manager) return FailWith("cannot open the service control manager", GetLastError());
  SC_HANDLE service = CreateServiceW(
      manager, SimToUtf16(args[2]).c_str(), SimToUtf16(display).c_str(), SERVICE_ALL_ACCESS,
      SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
      SimToUtf16(args[3]).c_str(), nullptr, nullptr,
      dependencies.empty() ? nullptr : dependencies.c_str(), nullptr, nullptr);
  DWORD error = service ? 0 : GetLastError();
  CloseServiceHandle(manager);
  if (!service) return FailWith("cannot create " + args[2], error);
  CloseServiceHandle(service);
  if (!behaviour.Apply(args[2])) return Fail("cannot set the behaviour of " + args[2]);
  return 0;
}

int Start(const Args& args) {
  DWORD error = 0;
  SC_HANDLE service = OpenNamed(args[2], SERVICE_START, &error);
  if (!service) return FailWith("cannot open " + args[2], error);
  std::vector<std::u16string> texts;
  for (size_t i = 3; i < args.size(); ++i) texts.push_back(SimToUtf16(args[i]));
  std::vector<LPCWSTR> pointers;
  for (const auto& text : texts) pointers.push_back(text.c_str());
  BOOL started = StartServiceW(service, static_cast<DWORD>(pointers.size()),
                               pointers.empty() ? nullptr : pointers.data());
  error = started ? 0 : GetLastError();
  CloseServiceHandle(service);
  return started ? 0 : FailWith("cannot start " + args[2], error);
}

int Stop(const Args& args) {
  if (args.size() != 3) return Usage();
  DWORD error = 0;
  SC_HANDLE service = OpenNamed(args[2], SERVICE_STOP, &error);
  if (!service) return FailWith("cannot open " + args[2], error);
  SERVICE_STATUS status;
  BOOL sent = ControlService(service, SERVICE_CONTROL_STOP, &status);
  error = sent ? 0 : GetLastError();
  CloseServiceHandle(service);
  return sent ? 0 : FailWith("cannot stop " + args[2], error);
}

int Delete(const Args& args) {
  if (args.size() != 3) return Usage();
  DWORD error = 0;
  SC_HANDLE service = OpenNamed(args[2], DELETE, &error);
  if (!service) return FailWith("cannot open " + args[2], error);
  BOOL deleted = DeleteService(service);
  error = deleted ? 0 : GetLastError();
  CloseServiceHandle(service);
  return deleted ? 0 : FailWith("cannot delete " + args[2], error);
}

int Query(const Args& args) {
  if (args.size() != 3) return Usage();
  DWORD error = 0;
  SC_HANDLE service = OpenNamed(args[2], SERVICE_QUERY_STATUS, &error);
  if (!service) {
    std::fprintf(stderr, "simhost: %s: %s\n", args[2].c_str(), ErrorText(error).c_str());
    return 1;
  }
  SERVICE_STATUS status;
  BOOL queried = QueryServiceStatus(service, &status);
  error = queried ? 0 : GetLastError();
  // The pid and the deletion mark are not in SERVICE_STATUS; the host knows them.
  SimServiceInfo info;
  bool found = SimFindService(SimToUtf16(args[2]), &info);
  CloseServiceHandle(service);  // may remove a service marked for deletion; it was there
  if (!queried || !found) return FailWith("cannot query " + args[2], error);
  std::string line = info.name + " " + SimServiceStateName(status.dwCurrentState);
  if (status.dwCurrentState != SERVICE_STOPPED && info.pid > 0)
    line += " pid=" + std::to_string(info.pid);
  if (status.dwCurrentState == SERVICE_STOPPED && status.dwWin32ExitCode != 0)
    line += " exit=" + std::to_string(status.dwWin32ExitCode);
  if (info.delete_pending) line += " delete-pending";
  std::printf("%s\n", line.c_str());
  return 0;
}

int Events(const Args& args) {
  if (args.size() != 3) return Usage();
  for (const auto& event : SimServiceEvents(SimToUtf16(args[2])))
    std::printf("%s\n", event.c_str());
  return 0;
}

int Set(const Args& args) {
  if (args.size() < 4) return Usage();
  Behaviour behaviour;
  for (size_t i = 3; i < args.size(); ++i)
    if (!behaviour.Parse(args, &i)) return Usage();
  SimServiceInfo info;
  if (!SimFindService(SimToUtf16(args[2]), &info))
    return FailWith("cannot change " + args[2], ERROR_SERVICE_DOES_NOT_EXIST);
  return behaviour.Apply(args[2]) ? 0 : Fail("cannot change " + args[2]);
}

// Ends the service's process as a crash would.
int Crash(const Args& args) {
  if (args.size() != 3) return Usage();
  SimServiceInfo info;
  if (!SimFindService(SimToUtf16(args[2]), &info))
    return FailWith("cannot crash " + args[2], ERROR_SERVICE_DOES_NOT_EXIST);
  return SimCrashService(SimToUtf16(args[2])) ? 0
                                              : FailWith("cannot crash " + args[2],
                                                         ERROR_SERVICE_NOT_ACTIVE);
}

}  // namespace

int CmdSvc(const Args& args) {
  if (args.size() < 3) return Usage();
  if (!OpenMachine(args[0])) return 2;
  const std::string& verb = args[1];
  if (verb == "create") return Create(args);
  if (verb == "start") return Start(args);
  if (verb == "stop") return Stop(args);
  if (verb == "query") return Query(args);
  if (verb == "delete") return Delete(args);
  if (verb == "events") return Events(args);
  if (verb == "set") return Set(args);
  if (verb == "crash") return Crash(args);
  return Usage();
}
