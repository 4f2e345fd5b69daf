// What the simulated host knows about services beyond the Windows API: the
// process behind a running service, how long it takes to stop, its history,
// and what a restart does to services. For simhost and tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

// How long a service takes to stop: it never does.
constexpr int64_t kSimServiceNeverStops = -1;

struct SimServiceInfo {
  std::string name;  // as created
  std::string display_name;
  std::string image_path;
  DWORD state = 0;   // SERVICE_STOPPED ...
  int64_t pid = 0;   // the service's process while it runs or stops; 0 otherwise
  int64_t stop_ms = 0;
  int64_t start_ms = 0;
  bool accepts_stop = true;
  DWORD exit_code = 0;  // dwWin32ExitCode of the last stop
  bool delete_pending = false;
};

// "STOPPED", "STOP_PENDING", "RUNNING" ...
const char* SimServiceStateName(DWORD state);

// Every service of the machine, in name order, after bringing their states up
// to date (finished stops, ended processes, removals that are due).
bool SimListServices(std::vector<SimServiceInfo>* out);
// One service by name (any case), up to date; false when there is none.
bool SimFindService(const std::u16string& name, SimServiceInfo* info);
// Changes how long the service takes to stop (kSimServiceNeverStops: never),
// a stop already asked for included.
bool SimSetServiceStopMs(const std::u16string& name, int64_t stop_ms);
// How long the service takes to start (kSimServiceNeverStops: never); it
// reports START_PENDING until then.
bool SimSetServiceStartMs(const std::u16string& name, int64_t start_ms);
// Whether the service accepts SERVICE_CONTROL_STOP while it runs.
bool SimSetServiceAcceptsStop(const std::u16string& name, bool accepts);
// Ends the service's process as a crash would, without a stop reported: the
// service is STOPPED with ERROR_PROCESS_ABORTED. False when it was not running.
bool SimCrashService(const std::u16string& name);
// The service's history, oldest first, after bringing it up to date:
// "created", "started", "running" (a slow start is over), "stop-requested",
// "stopped", "delete-marked", "removed".
std::vector<std::string> SimServiceEvents(const std::u16string& name);
// After a restart (every process ended): every service is stopped, no handle
// is open, and services marked for deletion are gone.
bool SimServicesAfterReboot();
