// Host names a machine sends elsewhere: the HTTP adapter connects to the
// routed loopback address and port instead of resolving the name, so that a
// test or demo can stand in for an Internet service ("simhost route").
#pragma once

#include <string>
#include <vector>

class SimMachine;

struct SimRoute {
  std::string host;
  std::string address;  // "127.0.0.1:8080", "[::1]:8080"
};

// A host name as it appears in a URL: letters, digits, '-', '_' and '.'.
bool SimIsRouteHost(const std::string& host);
// A loopback address (127.0.0.0/8, or [::1]) and a port from 1 to 65535.
bool SimIsLoopbackTarget(const std::string& address);

// Adds or replaces the route of host (names compare without regard to case).
bool SimSetRoute(SimMachine& machine, const std::string& host, const std::string& address,
                 std::string* error);
// False when host had no route.
bool SimRemoveRoute(SimMachine& machine, const std::string& host);
// Every route, by host name.
std::vector<SimRoute> SimListRoutes(SimMachine& machine);
bool SimLookupRoute(SimMachine& machine, const std::string& host, std::string* address);
