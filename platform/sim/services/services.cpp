// The service control manager on the simulated host. Services are rows of the
// machine's services table; a running service is a real process of the
// machine. Nothing runs in the background: a service's state is brought up to
// date whenever someone looks at it (a stop whose time has come, a process
// that ended, a removal that is due), in whichever process looks.
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/services.h"
#include "platform/sim/core/SimAccessRules.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/services/ServiceLaunch.h"
#include "platform/sim/services/ServiceTable.h"
#include "platform/sim/services/SimServiceExit.h"
#include "platform/sim/services/SimServices.h"
#include "platform/sim/text/SimUnicode.h"

using namespace sim_services;

namespace {

// What Windows says when the manager cannot be reached.
constexpr DWORD kRpcServerUnavailable = 1722;
// The wait hint reported while a service starts or stops.
constexpr DWORD kPendingWaitHint = 2000;

class SimScManager : public SimObject {
 public:
  DWORD access = 0;
};

class SimService : public SimObject {
 public:
  std::string name;        // as stored
  int64_t handle_row = 0;  // its row in service_handles
  DWORD access = 0;
};

// A service API call's common start: the machine's database, a transaction on
// it, and the handle's service brought up to date. error is set (and the
// transaction closed) when there is no machine or the service is gone.
class OpenedService {
 public:
  explicit OpenedService(const std::string& name) : machine_(SimHost::Machine()) {
    if (!machine_) {
      error = kRpcServerUnavailable;
      return;
    }
    tx_.emplace(machine_->Db());
    if (!Load(machine_->Db(), name, &row)) {
      tx_->Commit();
      error = ERROR_SERVICE_DOES_NOT_EXIST;
    }
  }
  SimDb& Db() { return machine_->Db(); }
  SimTransaction& Transaction() { return *tx_; }
  const std::string& Dir() const { return machine_->Dir(); }

  DWORD error = 0;
  ServiceRow row;

 private:
  std::shared_ptr<SimMachine> machine_;
  std::optional<SimTransaction> tx_;
};

void FillStatus(const ServiceRow& row, SERVICE_STATUS* status) {
  std::memset(status, 0, sizeof(*status));
  status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status->dwCurrentState = row.state;
  status->dwControlsAccepted =
      row.state == SERVICE_RUNNING && row.accepts_stop ? SERVICE_ACCEPT_STOP : 0;
  if (row.state == SERVICE_STOP_PENDING || row.state == SERVICE_START_PENDING) {
    status->dwCheckPoint = static_cast<DWORD>(row.checkpoint);
    status->dwWaitHint = kPendingWaitHint;
  }
  if (row.state == SERVICE_STOPPED) status->dwWin32ExitCode = row.exit_code;
}

DWORD ManagerAccess(DWORD desired) {
  DWORD access = desired | SC_MANAGER_CONNECT;
  if (desired & (GENERIC_ALL | MAXIMUM_ALLOWED)) access |= SC_MANAGER_ALL_ACCESS;
  if (desired & GENERIC_READ)
    access |= STANDARD_RIGHTS_READ | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS;
  if (desired & GENERIC_WRITE)
    access |= STANDARD_RIGHTS_WRITE | SC_MANAGER_CREATE_SERVICE | SC_MANAGER_MODIFY_BOOT_CONFIG;
  if (desired & GENERIC_EXECUTE) access |= STANDARD_RIGHTS_EXECUTE | SC_MANAGER_LOCK;
  return access;
}

DWORD ServiceAccess(DWORD desired) {
  DWORD access = desired;
  if (desired & (GENERIC_ALL | MAXIMUM_ALLOWED)) access |= SERVICE_ALL_ACCESS;
  if (desired & GENERIC_READ)
    access |= STANDARD_RIGHTS_READ | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS |
              SERVICE_INTERROGATE | SERVICE_ENUMERATE_DEPENDENTS;
  if (desired & GENERIC_WRITE) access |= STANDARD_RIGHTS_WRITE | SERVICE_CHANGE_CONFIG;
  if (desired & GENERIC_EXECUTE)
    access |= STANDARD_RIGHTS_EXECUTE | SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE |
              SERVICE_USER_DEFINED_CONTROL;
  return access;
}

// A service handle and the access a call needs; sets the last error when either is wrong.
std::shared_ptr<SimService> ServiceFromHandle(SC_HANDLE handle, DWORD needed) {
  auto service = SimHandles::GetAs<SimService>(reinterpret_cast<HANDLE>(handle));
  if (!service) return SimFailWith(ERROR_INVALID_HANDLE, nullptr);
  if ((service->access & needed) != needed) return SimFailWith(ERROR_ACCESS_DENIED, nullptr);
  return service;
}

std::shared_ptr<SimScManager> ManagerFromHandle(SC_HANDLE handle, DWORD needed) {
  auto manager = SimHandles::GetAs<SimScManager>(reinterpret_cast<HANDLE>(handle));
  if (!manager) return SimFailWith(ERROR_INVALID_HANDLE, nullptr);
  if ((manager->access & needed) != needed) return SimFailWith(ERROR_ACCESS_DENIED, nullptr);
  return manager;
}

// A new service handle, counted in service_handles as held by this process.
SC_HANDLE NewServiceHandle(SimDb& db, const std::string& name, DWORD desired) {
  const int64_t self = static_cast<int64_t>(getpid());
  SimStatement st(db, "INSERT INTO service_handles(name, pid, pid_start) VALUES(?1, ?2, ?3)");
  st.Bind(1, name).Bind(2, self).Bind(3, SimProcessStartTime(self));
  st.Step();
  if (st.Failed()) return nullptr;
  auto service = std::make_shared<SimService>();
  service->name = name;
  service->handle_row = db.LastInsertId();
  service->access = ServiceAccess(desired);
  return reinterpret_cast<SC_HANDLE>(SimHandles::Add(service));
}

// The services of a double-terminated dependency list, one a line; load-order
// groups ("+" first) are not services and are left out.
std::string DependencyText(const char16_t* list) {
  std::string text;
  for (const char16_t* p = list; p && *p; p += std::char_traits<char16_t>::length(p) + 1) {
    if (*p == u'+') continue;
    if (!text.empty()) text += '\n';
    text += SimToUtf8(p);
  }
  return text;
}

// Starts one service that is stopped, after the services it depends on, as
// the service control manager does. depth guards against a dependency loop.
DWORD StartRow(SimDb& db, const std::string& dir, ServiceRow& row, DWORD argument_count,
               LPCWSTR* arguments, int depth) {
  if (row.delete_pending) return ERROR_SERVICE_MARKED_FOR_DELETE;
  if (row.state != SERVICE_STOPPED) return ERROR_SERVICE_ALREADY_RUNNING;
  if (depth > 16) return ERROR_CIRCULAR_DEPENDENCY;
  for (const auto& needed : row.dependencies) {
    std::string stored;
    ServiceRow dependency;
    if (!FindName(db, SimToUtf16(needed), &stored) || !Load(db, stored, &dependency))
      return ERROR_SERVICE_DEPENDENCY_DELETED;
    if (dependency.state != SERVICE_STOPPED) continue;
    DWORD error = StartRow(db, dir, dependency, 0, nullptr, depth + 1);
    if (error == ERROR_CIRCULAR_DEPENDENCY) return error;
    if (error) return ERROR_SERVICE_DEPENDENCY_FAIL;
  }
  std::string real;
  std::vector<std::u16string> words;
  DWORD error = ResolveProgram(SimToUtf16(row.image_path), &real, &words);
  if (error) return error;
  std::vector<std::string> argv = {real};
  for (const auto& word : words) argv.push_back(SimToUtf8(word));
  for (DWORD i = 0; i < argument_count; ++i)
    argv.push_back(arguments[i] ? SimToUtf8(arguments[i]) : std::string());
  int64_t pid = 0;
  error = SpawnDetached(real, argv, dir, &pid);
  if (error) return error;
  // A service that takes time to start reports START_PENDING until then.
  const bool pending = row.start_ms != 0;
  SimStatement st(db,
                  "UPDATE services SET state=?2, pid=?3, pid_start=?4, stop_requested_ms=0, "
                  "start_requested_ms=?5, checkpoint=0, exit_code=0 WHERE name=?1");
  st.Bind(1, row.name)
      .Bind(2, int64_t{pending ? SERVICE_START_PENDING : SERVICE_RUNNING})
      .Bind(3, pid)
      .Bind(4, SimProcessStartTime(pid))
      .Bind(5, pending ? NowMs() : int64_t{0});
  st.Step();
  AddEvent(db, row.name, "started");
  if (st.Failed()) {
    kill(static_cast<pid_t>(pid), SIGKILL);
    return ERROR_CANTWRITE;
  }
  return 0;
}

bool IsValidServiceName(const char16_t* name) {
  if (!name || !*name) return false;
  size_t length = 0;
  for (const char16_t* p = name; *p; ++p, ++length)
    if (*p == u'\\' || *p == u'/') return false;
  return length <= 256;
}

}  // namespace

SC_HANDLE OpenSCManagerW(LPCWSTR machine_name, LPCWSTR database_name, DWORD desired_access) {
  if (machine_name && *machine_name) return SimFailWith(ERROR_INVALID_NAME, SC_HANDLE{nullptr});
  if (database_name && SimUpper(database_name) != u"SERVICESACTIVE")
    return SimFailWith(ERROR_DATABASE_DOES_NOT_EXIST, SC_HANDLE{nullptr});
  if (!SimHost::Machine()) return SimFailWith(kRpcServerUnavailable, SC_HANDLE{nullptr});
  auto manager = std::make_shared<SimScManager>();
  manager->access = ManagerAccess(desired_access);
  if (DWORD denied = SimManagerAccessDenied(manager->access)) return SimFailWith(denied, SC_HANDLE{nullptr});
  return reinterpret_cast<SC_HANDLE>(SimHandles::Add(manager));
}

SC_HANDLE OpenServiceW(SC_HANDLE manager, LPCWSTR service_name, DWORD desired_access) {
  if (!ManagerFromHandle(manager, 0)) return nullptr;
  if (!service_name || !*service_name) return SimFailWith(ERROR_INVALID_NAME, SC_HANDLE{nullptr});
  auto machine = SimHost::Machine();
  if (!machine) return SimFailWith(kRpcServerUnavailable, SC_HANDLE{nullptr});
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  std::string name;
  ServiceRow row;
  if (!FindName(db, service_name, &name) || !Load(db, name, &row)) {
    tx.Commit();  // a removal that came due stays done
    return SimFailWith(ERROR_SERVICE_DOES_NOT_EXIST, SC_HANDLE{nullptr});
  }
  if (DWORD denied = SimServiceAccessDenied(ServiceAccess(desired_access))) return tx.Commit(), SimFailWith(denied, SC_HANDLE{nullptr});
  SC_HANDLE handle = NewServiceHandle(db, name, desired_access);
  if (!handle || !tx.Commit()) {
    if (handle) SimHandles::Remove(reinterpret_cast<HANDLE>(handle));
    return SimFailWith(ERROR_CANTWRITE, SC_HANDLE{nullptr});
  }
  return handle;
}

SC_HANDLE CreateServiceW(SC_HANDLE manager, LPCWSTR service_name, LPCWSTR display_name,
                         DWORD desired_access, DWORD, DWORD, DWORD, LPCWSTR binary_path_name,
                         LPCWSTR, LPDWORD tag_id, LPCWSTR dependencies, LPCWSTR, LPCWSTR) {
  if (!ManagerFromHandle(manager, SC_MANAGER_CREATE_SERVICE)) return nullptr;
  if (!IsValidServiceName(service_name)) return SimFailWith(ERROR_INVALID_NAME, SC_HANDLE{nullptr});
  if (!binary_path_name || !*binary_path_name)
    return SimFailWith(ERROR_INVALID_PARAMETER, SC_HANDLE{nullptr});
  auto machine = SimHost::Machine();
  if (!machine) return SimFailWith(kRpcServerUnavailable, SC_HANDLE{nullptr});
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  std::string existing;
  ServiceRow row;
  if (FindName(db, service_name, &existing) && Load(db, existing, &row)) {
    tx.Commit();
    return SimFailWith(row.delete_pending ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_EXISTS,
                       SC_HANDLE{nullptr});
  }
  const std::string name = SimToUtf8(service_name);
  SimStatement st(db,
                  "INSERT INTO services(name, display_name, image_path, state, dependencies) "
                  "VALUES(?1, ?2, ?3, ?4, ?5)");
  st.Bind(1, name)
      .Bind(2, SimToUtf8(display_name && *display_name ? display_name : service_name))
      .Bind(3, SimToUtf8(binary_path_name))
      .Bind(4, int64_t{SERVICE_STOPPED})
      .Bind(5, DependencyText(dependencies));
  st.Step();
  if (st.Failed()) return SimFailWith(ERROR_CANTWRITE, SC_HANDLE{nullptr});
  AddEvent(db, name, "created");
  SC_HANDLE handle = NewServiceHandle(db, name, desired_access);
  if (!handle || !tx.Commit()) {
    if (handle) SimHandles::Remove(reinterpret_cast<HANDLE>(handle));
    return SimFailWith(ERROR_CANTWRITE, SC_HANDLE{nullptr});
  }
  if (tag_id) *tag_id = 0;
  return handle;
}

BOOL StartServiceW(SC_HANDLE handle, DWORD argument_count, LPCWSTR* arguments) {
  auto service = ServiceFromHandle(handle, SERVICE_START);
  if (!service) return FALSE;
  if (argument_count && !arguments) return SimFail(ERROR_INVALID_PARAMETER);
  OpenedService opened(service->name);
  if (opened.error) return SimFail(opened.error);
  const DWORD error =
      StartRow(opened.Db(), opened.Dir(), opened.row, argument_count, arguments, 0);
  // Dependencies started on the way stay started, as they do on Windows.
  if (!opened.Transaction().Commit()) return SimFail(ERROR_CANTWRITE);
  return error ? SimFail(error) : TRUE;
}

BOOL ControlService(SC_HANDLE handle, DWORD control, LPSERVICE_STATUS status) {
  DWORD needed = SERVICE_USER_DEFINED_CONTROL;
  if (control == SERVICE_CONTROL_STOP) needed = SERVICE_STOP;
  else if (control == SERVICE_CONTROL_INTERROGATE) needed = SERVICE_INTERROGATE;
  else if (control == SERVICE_CONTROL_PAUSE || control == SERVICE_CONTROL_CONTINUE)
    needed = SERVICE_PAUSE_CONTINUE;
  else if (control < 128 || control > 255) return SimFail(ERROR_INVALID_PARAMETER);
  auto service = ServiceFromHandle(handle, needed);
  if (!service) return FALSE;
  if (!status) return SimFail(ERROR_INVALID_PARAMETER);
  OpenedService opened(service->name);
  if (opened.error) return SimFail(opened.error);
  SimDb& db = opened.Db();
  SimTransaction& tx = opened.Transaction();
  ServiceRow& row = opened.row;
  DWORD error = 0;
  if (row.state == SERVICE_STOPPED) {
    error = ERROR_SERVICE_NOT_ACTIVE;
  } else if (control == SERVICE_CONTROL_STOP) {
    if (row.state != SERVICE_RUNNING) {
      error = ERROR_SERVICE_CANNOT_ACCEPT_CTRL;  // still starting, or stopping already
    } else if (HasActiveDependents(db, row.name)) {
      error = ERROR_DEPENDENT_SERVICES_RUNNING;
    } else if (!row.accepts_stop) {
      error = ERROR_INVALID_SERVICE_CONTROL;
    } else {
      SimStatement st(db,
                      "UPDATE services SET state=?2, stop_requested_ms=?3, checkpoint=0 "
                      "WHERE name=?1");
      st.Bind(1, row.name).Bind(2, int64_t{SERVICE_STOP_PENDING}).Bind(3, NowMs());
      st.Step();
      if (st.Failed()) return SimFail(ERROR_CANTWRITE);
      AddEvent(db, row.name, "stop-requested");
      ReadRow(db, row.name, &row);
      Advance(db, &row);  // a service that stops at once reports STOPPED
    }
  } else if (control != SERVICE_CONTROL_INTERROGATE) {
    error = ERROR_INVALID_SERVICE_CONTROL;
  }
  FillStatus(row, status);  // filled for these errors too, as Windows does
  if (!tx.Commit()) return SimFail(ERROR_CANTWRITE);
  return error ? SimFail(error) : TRUE;
}

BOOL QueryServiceStatus(SC_HANDLE handle, LPSERVICE_STATUS status) {
  auto service = ServiceFromHandle(handle, SERVICE_QUERY_STATUS);
  if (!service) return FALSE;
  if (!status) return SimFail(ERROR_INVALID_PARAMETER);
  OpenedService opened(service->name);
  if (opened.error) return SimFail(opened.error);
  SimDb& db = opened.Db();
  SimTransaction& tx = opened.Transaction();
  ServiceRow& row = opened.row;
  if (row.state == SERVICE_STOP_PENDING || row.state == SERVICE_START_PENDING) {
    // Each look while stopping shows progress, as a stopping service reports it.
    SimStatement st(db, "UPDATE services SET checkpoint=checkpoint+1 WHERE name=?1");
    st.Bind(1, row.name);
    st.Step();
    ++row.checkpoint;
  }
  FillStatus(row, status);
  return tx.Commit() ? TRUE : SimFail(ERROR_CANTWRITE);
}

BOOL QueryServiceConfigW(SC_HANDLE handle, LPQUERY_SERVICE_CONFIGW config, DWORD buffer_size,
                         LPDWORD bytes_needed) {
  auto service = ServiceFromHandle(handle, SERVICE_QUERY_CONFIG);
  if (!service) return FALSE;
  if (!bytes_needed) return SimFail(ERROR_INVALID_ADDRESS);
  OpenedService opened(service->name);
  if (opened.error) return SimFail(opened.error);
  opened.Transaction().Commit();
  const ServiceRow& row = opened.row;
  std::u16string dependencies;  // "A\0B": each entry ends with a terminator
  for (const auto& needed : row.dependencies) {
    if (!dependencies.empty()) dependencies += u'\0';
    dependencies += SimToUtf16(needed);
  }
  const std::u16string strings[] = {SimToUtf16(row.image_path), u"", dependencies,
                                    u"LocalSystem", SimToUtf16(row.display_name)};
  DWORD needed = sizeof(QUERY_SERVICE_CONFIGW);
  for (const auto& text : strings) needed += static_cast<DWORD>((text.size() + 1) * sizeof(char16_t));
  needed += sizeof(char16_t);  // the dependency list ends with two terminators
  *bytes_needed = needed;
  if (!config || buffer_size < needed) return SimFail(ERROR_INSUFFICIENT_BUFFER);
  auto* out = reinterpret_cast<char16_t*>(config + 1);
  auto put = [&out](const std::u16string& text) {
    char16_t* start = out;
    std::memcpy(out, text.c_str(), (text.size() + 1) * sizeof(char16_t));
    out += text.size() + 1;
    return start;
  };
  config->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  config->dwStartType = SERVICE_DEMAND_START;
  config->dwErrorControl = SERVICE_ERROR_NORMAL;
  config->dwTagId = 0;
  config->lpBinaryPathName = put(strings[0]);
  config->lpLoadOrderGroup = put(strings[1]);
  config->lpDependencies = put(strings[2]);
  *out++ = 0;
  config->lpServiceStartName = put(strings[3]);
  config->lpDisplayName = put(strings[4]);
  return TRUE;
}

BOOL DeleteService(SC_HANDLE handle) {
  auto service = ServiceFromHandle(handle, DELETE);
  if (!service) return FALSE;
  OpenedService opened(service->name);
  if (opened.error) return SimFail(opened.error);
  SimDb& db = opened.Db();
  SimTransaction& tx = opened.Transaction();
  ServiceRow& row = opened.row;
  if (row.delete_pending) {
    tx.Commit();
    return SimFail(ERROR_SERVICE_MARKED_FOR_DELETE);
  }
  SimStatement st(db, "UPDATE services SET delete_pending=1 WHERE name=?1");
  st.Bind(1, row.name);
  st.Step();
  AddEvent(db, row.name, "delete-marked");
  // Removal waits at least for this handle to be closed.
  return !st.Failed() && tx.Commit() ? TRUE : SimFail(ERROR_CANTWRITE);
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
  HANDLE raw = reinterpret_cast<HANDLE>(handle);
  if (SimHandles::GetAs<SimScManager>(raw)) {
    SimHandles::Remove(raw);
    return TRUE;
  }
  auto service = SimHandles::GetAs<SimService>(raw);
  if (!service || !SimHandles::Remove(raw)) return SimFail(ERROR_INVALID_HANDLE);
  auto machine = SimHost::Machine();
  if (!machine) return TRUE;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  SimStatement st(db, "DELETE FROM service_handles WHERE id=?1");
  st.Bind(1, service->handle_row);
  st.Step();
  ServiceRow row;
  Load(db, service->name, &row);  // the last handle may complete a removal
  tx.Commit();
  return TRUE;
}
