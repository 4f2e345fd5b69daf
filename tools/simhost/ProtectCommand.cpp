// protect: makes an existing file or folder of a machine an operating-system
// file, which no caller can change, move or delete.
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/core/SimWindowsFolder.h"
#include "tools/simhost/SimhostCommands.h"

int CmdProtect(const Args& args) {
  if (args.size() != 2) return Usage();
  if (!OpenMachine(args[0])) return 2;
  DWORD error = SimProtectPath(SimToUtf16(args[1]));
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
    return Fail("no such file or folder: " + args[1]);
  if (error) return Fail("cannot protect " + args[1] + " (error " + std::to_string(error) + ")");
  return 0;
}
