// grant: gives a user full control of an existing file or folder and what is
// below it, as an installer that loosens a folder's ACL would.
#include "platform/sim/core/SimAccessRules.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/files/SimPath.h"
#include "tools/simhost/SimhostCommands.h"

int CmdGrant(const Args& args) {
  if (args.size() != 2 && args.size() != 3) return Usage();
  if (!OpenMachine(args[0])) return 2;
  const std::string sid = args.size() == 3 ? args[2] : SimHost::Machine()->Fact("user_sid");
  SimWinPath parsed;
  if (SimParsePath(SimToUtf16(args[1]).c_str(), &parsed) != 0 || !SimGiveToUser(parsed, sid))
    return Fail("no such file or folder: " + args[1]);
  return 0;
}
