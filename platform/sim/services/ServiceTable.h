// The machine's services table as the service control manager keeps it: one
// row a service, brought up to date whenever someone looks at it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/core/SimDb.h"
#include "platform/services.h"
#include "platform/types.h"

namespace sim_services {

struct ServiceRow {
  std::string name;
  std::string display_name;
  std::string image_path;
  DWORD state = SERVICE_STOPPED;
  int64_t stop_ms = 0;
  bool delete_pending = false;
  int64_t pid = 0;
  int64_t pid_start = -1;
  int64_t stop_requested_ms = 0;
  int64_t checkpoint = 0;
  int64_t start_ms = 0;
  int64_t start_requested_ms = 0;
  bool accepts_stop = true;
  std::vector<std::string> dependencies;  // services this one needs running
  DWORD exit_code = 0;
};

int64_t NowMs();
void AddEvent(SimDb& db, const std::string& name, const char* event);
// The lines of a text, empty ones left out.
std::vector<std::string> SplitLines(const std::string& text);
bool ReadRow(SimDb& db, const std::string& name, ServiceRow* row);
// The stored name of a service, found ignoring case (beyond ASCII too).
bool FindName(SimDb& db, std::u16string_view name, std::string* stored);
// Brings the service up to date: a start or stop whose time has come, a
// process that ended, a removal that is due. False when it has been removed now.
bool Advance(SimDb& db, ServiceRow* row);
// Reads the service by its stored name and brings it up to date.
bool Load(SimDb& db, const std::string& name, ServiceRow* row);
// Whether services that depend on this one are not stopped, brought up to date.
bool HasActiveDependents(SimDb& db, const std::string& name);

}  // namespace sim_services
