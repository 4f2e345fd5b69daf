// The services table: reading rows, their history, and the state changes that
// come due with time or with the end of a service's process.
#include "platform/sim/services/ServiceTable.h"

#include <time.h>

#include "platform/services.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/services/SimServiceExit.h"

namespace sim_services {

int64_t NowMs() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

namespace {

bool SameProcessAlive(int64_t pid, int64_t start) {
  return pid > 0 && start >= 0 && SimProcessStartTime(pid) == start;
}

}  // namespace

void AddEvent(SimDb& db, const std::string& name, const char* event) {
  SimStatement st(db, "INSERT INTO service_events(name, event, at_ms) VALUES(?1, ?2, ?3)");
  st.Bind(1, name).Bind(2, std::string(event)).Bind(3, NowMs());
  st.Step();
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool ReadRow(SimDb& db, const std::string& name, ServiceRow* row) {
  SimStatement st(db,
                  "SELECT name, display_name, image_path, state, stop_ms, delete_pending, pid, "
                  "pid_start, stop_requested_ms, checkpoint, start_ms, start_requested_ms, "
                  "accepts_stop, dependencies, exit_code FROM services WHERE name=?1");
  st.Bind(1, name);
  if (!st.Step()) return false;
  row->name = st.Text(0);
  row->display_name = st.Text(1);
  row->image_path = st.Text(2);
  row->state = static_cast<DWORD>(st.Int(3));
  row->stop_ms = st.Int(4);
  row->delete_pending = st.Int(5) != 0;
  row->pid = st.Int(6);
  row->pid_start = st.Int(7);
  row->stop_requested_ms = st.Int(8);
  row->checkpoint = st.Int(9);
  row->start_ms = st.Int(10);
  row->start_requested_ms = st.Int(11);
  row->accepts_stop = st.Int(12) != 0;
  row->dependencies = SplitLines(st.Text(13));
  row->exit_code = static_cast<DWORD>(st.Int(14));
  return true;
}

// The stored name of a service, found ignoring case (beyond ASCII too).
bool FindName(SimDb& db, std::u16string_view name, std::string* stored) {
  const std::u16string wanted = SimUpper(name);
  SimStatement st(db, "SELECT name FROM services");
  while (st.Step()) {
    if (SimUpper(SimToUtf16(st.Text(0))) == wanted) {
      *stored = st.Text(0);
      return true;
    }
  }
  return false;
}

namespace {

// Handles to the service that live processes hold; those of ended processes go.
int LiveHandles(SimDb& db, const std::string& name) {
  std::vector<int64_t> dead;
  int live = 0;
  {
    SimStatement st(db, "SELECT id, pid, pid_start FROM service_handles WHERE name=?1");
    st.Bind(1, name);
    while (st.Step()) {
      if (SameProcessAlive(st.Int(1), st.Int(2))) ++live;
      else dead.push_back(st.Int(0));
    }
  }
  for (int64_t id : dead) {
    SimStatement st(db, "DELETE FROM service_handles WHERE id=?1");
    st.Bind(1, id);
    st.Step();
  }
  return live;
}

// exit_code: 0 for a stop the service reported, ERROR_PROCESS_ABORTED when its
// process ended without reporting one.
void MarkStopped(SimDb& db, ServiceRow* row, DWORD exit_code) {
  SimStatement st(db,
                  "UPDATE services SET state=?2, pid=0, pid_start=-1, stop_requested_ms=0, "
                  "start_requested_ms=0, checkpoint=0, exit_code=?3 WHERE name=?1");
  st.Bind(1, row->name).Bind(2, int64_t{SERVICE_STOPPED}).Bind(3, int64_t{exit_code});
  st.Step();
  AddEvent(db, row->name, "stopped");
  row->state = SERVICE_STOPPED;
  row->pid = 0;
  row->pid_start = -1;
  row->stop_requested_ms = 0;
  row->start_requested_ms = 0;
  row->checkpoint = 0;
  row->exit_code = exit_code;
}

}  // namespace

// Brings the service up to date. False when it has been removed now.
bool Advance(SimDb& db, ServiceRow* row) {
  if (row->state != SERVICE_STOPPED && !SameProcessAlive(row->pid, row->pid_start)) {
    // Ended by someone else, or crashed, before it reported a stop.
    MarkStopped(db, row, ERROR_PROCESS_ABORTED);
  } else if (row->state == SERVICE_START_PENDING && row->start_ms >= 0 &&
             NowMs() >= row->start_requested_ms + row->start_ms) {
    SimStatement st(db,
                    "UPDATE services SET state=?2, start_requested_ms=0, checkpoint=0 "
                    "WHERE name=?1");
    st.Bind(1, row->name).Bind(2, int64_t{SERVICE_RUNNING});
    st.Step();
    AddEvent(db, row->name, "running");
    row->state = SERVICE_RUNNING;
    row->start_requested_ms = 0;
    row->checkpoint = 0;
  } else if (row->state == SERVICE_STOP_PENDING && row->stop_ms >= 0 &&
             NowMs() >= row->stop_requested_ms + row->stop_ms) {
    // It reports STOPPED; its process ends a moment later, on its own.
    SimEndServiceProcessLater(row->pid, row->pid_start, kSimServiceExitDelayMs);
    MarkStopped(db, row, 0);
  }
  if (row->delete_pending && row->state == SERVICE_STOPPED && LiveHandles(db, row->name) == 0) {
    SimStatement st(db, "DELETE FROM services WHERE name=?1");
    st.Bind(1, row->name);
    st.Step();
    AddEvent(db, row->name, "removed");
    return false;
  }
  return true;
}

// Reads the service by its stored name and brings it up to date.
bool Load(SimDb& db, const std::string& name, ServiceRow* row) {
  return ReadRow(db, name, row) && Advance(db, row);
}

// Services that depend on this one and are not stopped, brought up to date.
bool HasActiveDependents(SimDb& db, const std::string& name) {
  const std::u16string wanted = SimUpper(SimToUtf16(name));
  std::vector<std::string> dependents;
  {
    SimStatement st(db, "SELECT name, dependencies FROM services WHERE dependencies<>''");
    while (st.Step())
      for (const auto& needed : SplitLines(st.Text(1)))
        if (SimUpper(SimToUtf16(needed)) == wanted) dependents.push_back(st.Text(0));
  }
  for (const auto& dependent : dependents) {
    ServiceRow row;
    if (Load(db, dependent, &row) && row.state != SERVICE_STOPPED) return true;
  }
  return false;
}

}  // namespace sim_services
