// simhost route: which host names the machine's HTTP posts go elsewhere for.
//   route DIR                              list "HOST ADDRESS", one a line
//   route DIR HOST|--statistics ADDRESS    route HOST to a loopback address and port
//   route DIR HOST|--statistics --remove   remove the route
#include <cstdio>

#include "platform/sim/core/SimHost.h"
#include "platform/sim/net/SimRoutes.h"
#include "tools/simhost/SimhostCommands.h"

#ifndef UNINST_STATISTICS_HOST
#define UNINST_STATISTICS_HOST "statistics.uninstaller.invalid"
#endif

int CmdRoute(const Args& args) {
  if (args.size() != 1 && args.size() != 3) return Usage();
  if (!OpenMachine(args[0])) return 2;
  auto machine = SimHost::Machine();
  if (args.size() == 1) {
    for (const auto& route : SimListRoutes(*machine))
      std::printf("%s %s\n", route.host.c_str(), route.address.c_str());
    return 0;
  }
  const std::string host = args[1] == "--statistics" ? UNINST_STATISTICS_HOST : args[1];
  if (args[2] == "--remove") {
    if (SimRemoveRoute(*machine, host)) return 0;
    std::fprintf(stderr, "simhost: no route for %s\n", host.c_str());
    return 1;
  }
  std::string error;
  return SimSetRoute(*machine, host, args[2], &error) ? 0 : Fail(error);
}
