// The host's own view of services, for simhost and tests: state names, the
// list, the history, the behaviour settings, crashes and what a restart does.
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/services/ServiceTable.h"
#include "platform/sim/services/SimServiceExit.h"
#include "platform/sim/services/SimServices.h"

using namespace sim_services;

const char* SimServiceStateName(DWORD state) {
  switch (state) {
    case SERVICE_STOPPED: return "STOPPED";
    case SERVICE_START_PENDING: return "START_PENDING";
    case SERVICE_STOP_PENDING: return "STOP_PENDING";
    case SERVICE_RUNNING: return "RUNNING";
    case SERVICE_CONTINUE_PENDING: return "CONTINUE_PENDING";
    case SERVICE_PAUSE_PENDING: return "PAUSE_PENDING";
    case SERVICE_PAUSED: return "PAUSED";
    default: return "UNKNOWN";
  }
}

namespace {

SimServiceInfo InfoOf(const ServiceRow& row) {
  SimServiceInfo info;
  info.name = row.name;
  info.display_name = row.display_name;
  info.image_path = row.image_path;
  info.state = row.state;
  info.pid = row.state == SERVICE_STOPPED ? 0 : row.pid;
  info.stop_ms = row.stop_ms;
  info.start_ms = row.start_ms;
  info.accepts_stop = row.accepts_stop;
  info.exit_code = row.exit_code;
  info.delete_pending = row.delete_pending;
  return info;
}

}  // namespace

bool SimListServices(std::vector<SimServiceInfo>* out) {
  out->clear();
  auto machine = SimHost::Machine();
  if (!machine) return false;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  if (!tx.Ok()) return false;
  std::vector<std::string> names;
  {
    SimStatement st(db, "SELECT name FROM services ORDER BY name");
    while (st.Step()) names.push_back(st.Text(0));
  }
  for (const auto& name : names) {
    ServiceRow row;
    if (Load(db, name, &row)) out->push_back(InfoOf(row));
  }
  return tx.Commit();
}

bool SimFindService(const std::u16string& name, SimServiceInfo* info) {
  auto machine = SimHost::Machine();
  if (!machine) return false;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  std::string stored;
  ServiceRow row;
  bool found = FindName(db, name, &stored) && Load(db, stored, &row);
  if (found) *info = InfoOf(row);
  return tx.Commit() && found;
}

namespace {

// Sets one of the host's own columns of a service and brings it up to date.
bool SetColumn(const std::u16string& name, const char* column, int64_t value) {
  auto machine = SimHost::Machine();
  if (!machine) return false;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  std::string stored;
  if (!FindName(db, name, &stored)) return false;
  const std::string sql = std::string("UPDATE services SET ") + column + "=?2 WHERE name=?1";
  SimStatement st(db, sql.c_str());
  st.Bind(1, stored).Bind(2, value);
  st.Step();
  ServiceRow row;
  Load(db, stored, &row);  // a start or stop already asked for may be over now
  return !st.Failed() && tx.Commit();
}

}  // namespace

bool SimSetServiceStopMs(const std::u16string& name, int64_t stop_ms) {
  return SetColumn(name, "stop_ms", stop_ms < 0 ? kSimServiceNeverStops : stop_ms);
}

bool SimSetServiceStartMs(const std::u16string& name, int64_t start_ms) {
  return SetColumn(name, "start_ms", start_ms < 0 ? kSimServiceNeverStops : start_ms);
}

bool SimSetServiceAcceptsStop(const std::u16string& name, bool accepts) {
  return SetColumn(name, "accepts_stop", accepts ? 1 : 0);
}

bool SimCrashService(const std::u16string& name) {
  SimServiceInfo info;
  if (!SimFindService(name, &info) || info.pid <= 0) return false;
  const int64_t start = SimProcessStartTime(info.pid);
  if (start < 0) return false;
  // Gone at once, without a stop reported: the next look finds it aborted.
  SimEndServiceProcessNow(info.pid, start);
  return SimFindService(name, &info) && info.state == SERVICE_STOPPED;
}

std::vector<std::string> SimServiceEvents(const std::u16string& name) {
  std::vector<std::string> events;
  auto machine = SimHost::Machine();
  if (!machine) return events;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  // Looking brings the service up to date, so that a stop or removal that
  // came due is in the history.
  std::string stored;
  ServiceRow row;
  if (FindName(db, name, &stored)) Load(db, stored, &row);
  const std::u16string wanted = SimUpper(name);
  {
    SimStatement st(db, "SELECT name, event FROM service_events ORDER BY seq");
    while (st.Step())
      if (SimUpper(SimToUtf16(st.Text(0))) == wanted) events.push_back(st.Text(1));
  }
  tx.Commit();
  return events;
}

bool SimServicesAfterReboot() {
  auto machine = SimHost::Machine();
  if (!machine) return false;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  if (!tx.Ok()) return false;
  std::vector<std::string> names;
  {
    SimStatement st(db, "SELECT name FROM services WHERE state<>?1 ORDER BY name");
    st.Bind(1, int64_t{SERVICE_STOPPED});
    while (st.Step()) names.push_back(st.Text(0));
  }
  for (const auto& name : names) AddEvent(db, name, "stopped");
  std::vector<std::string> marked;
  {
    SimStatement st(db, "SELECT name FROM services WHERE delete_pending<>0 ORDER BY name");
    while (st.Step()) marked.push_back(st.Text(0));
  }
  for (const auto& name : marked) AddEvent(db, name, "removed");
  bool ok = db.Exec("DELETE FROM service_handles") &&
            db.Exec("DELETE FROM services WHERE delete_pending<>0") &&
            db.Exec("UPDATE services SET state=1, pid=0, pid_start=-1, stop_requested_ms=0, "
                    "start_requested_ms=0, checkpoint=0, exit_code=0");
  return ok && tx.Commit();
}
