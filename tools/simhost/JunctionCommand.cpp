// junction: makes a directory link inside a machine, as a tester would with
// "mklink /J": lookups follow it, listings show it as a directory with a
// reparse point, and RemoveDirectoryW removes the link, not its target.
#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/files/SimFiles.h"
#include "tools/simhost/SimhostCommands.h"

int CmdJunction(const Args& args) {
  if (args.size() != 3) return Usage();
  if (!OpenMachine(args[0])) return 2;
  const std::u16string link = SimToUtf16(args[1]);
  const std::u16string target = SimToUtf16(args[2]);
  switch (DWORD error = SimCreateJunction(link.c_str(), target.c_str())) {
    case 0: return 0;
    case ERROR_ALREADY_EXISTS: return Fail(args[1] + " already exists");
    case ERROR_NOT_SAME_DEVICE: return Fail("the link and its target must be on one drive");
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return Fail("no such folder: " + args[2] + " (or no folder for " +
                                           args[1] + ")");
    case ERROR_DIRECTORY: return Fail(args[2] + " is not a folder");
    default: return Fail("cannot make the link (error " + std::to_string(error) + ")");
  }
}
