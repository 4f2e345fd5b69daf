#include "platform/sim/net/SimRoutes.h"

#include <cstdlib>

#include "platform/sim/core/SimHost.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal digits only, no sign, within [low, high]; "08" style leading zeros
// are refused because some resolvers read them as octal.
bool ParseNumber(const std::string& text, long low, long high) {
  if (text.empty() || text.size() > 5) return false;
  for (char c : text)
    if (!IsDigit(c)) return false;
  if (text.size() > 1 && text[0] == '0') return false;
  long value = std::strtol(text.c_str(), nullptr, 10);
  return value >= low && value <= high;
}

bool IsLoopbackV4(const std::string& text) {
  size_t start = 0;
  for (int part = 0; part < 4; ++part) {
    size_t dot = text.find('.', start);
    if ((part < 3) != (dot != std::string::npos)) return false;
    std::string number = text.substr(start, part < 3 ? dot - start : std::string::npos);
    if (!ParseNumber(number, 0, 255)) return false;
    if (part == 0 && number != "127") return false;
    start = dot + 1;
  }
  return true;
}

}  // namespace

bool SimIsRouteHost(const std::string& host) {
  if (host.empty() || host.size() > 253) return false;
  for (char c : host)
    if (!(IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
          c == '_' || c == '.'))
      return false;
  return true;
}

bool SimIsLoopbackTarget(const std::string& address) {
  size_t colon = address.rfind(':');
  if (colon == std::string::npos || !ParseNumber(address.substr(colon + 1), 1, 65535))
    return false;
  std::string host = address.substr(0, colon);
  return host == "[::1]" || IsLoopbackV4(host);
}

bool SimSetRoute(SimMachine& machine, const std::string& host, const std::string& address,
                 std::string* error) {
  if (!SimIsRouteHost(host)) {
    if (error) *error = "not a host name: " + host;
    return false;
  }
  if (!SimIsLoopbackTarget(address)) {
    if (error) *error = "not a loopback address and port (127.x.y.z:PORT or [::1]:PORT): " + address;
    return false;
  }
  SimTransaction tx(machine.Db());
  SimStatement st(machine.Db(), "INSERT OR REPLACE INTO routes(host, address) VALUES(?1, ?2)");
  st.Bind(1, host).Bind(2, address);
  st.Step();
  if (st.Failed() || !tx.Commit()) {
    if (error) *error = "cannot store the route: " + machine.Db().LastError();
    return false;
  }
  return true;
}

bool SimRemoveRoute(SimMachine& machine, const std::string& host) {
  SimTransaction tx(machine.Db());
  SimStatement st(machine.Db(), "DELETE FROM routes WHERE host=?1");
  st.Bind(1, host);
  st.Step();
  bool removed = !st.Failed() && machine.Db().Changes() > 0;
  return tx.Commit() && removed;
}

std::vector<SimRoute> SimListRoutes(SimMachine& machine) {
  std::lock_guard<std::recursive_mutex> guard(machine.Db().Lock());
  std::vector<SimRoute> routes;
  SimStatement st(machine.Db(), "SELECT host, address FROM routes ORDER BY host");
  while (st.Step()) routes.push_back({st.Text(0), st.Text(1)});
  return routes;
}

bool SimLookupRoute(SimMachine& machine, const std::string& host, std::string* address) {
  std::lock_guard<std::recursive_mutex> guard(machine.Db().Lock());
  SimStatement st(machine.Db(), "SELECT address FROM routes WHERE host=?1");
  st.Bind(1, host);
  if (!st.Step()) return false;
  // A value put there by hand is only followed when it stays on this computer.
  *address = st.Text(0);
  return SimIsLoopbackTarget(*address);
}
