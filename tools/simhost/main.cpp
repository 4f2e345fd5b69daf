// simhost: creates, prepares and inspects simulated machines.
#include <cstdio>
#include <cstring>

#include "platform/sim/core/SimAccessRules.h"
#include "platform/sim/core/SimHost.h"
#include "tools/simhost/SimhostCommands.h"

int Usage() {
  std::fprintf(stderr,
               "usage: simhost <command> DIR ...\n"
               "  new DIR [--arch x86|x64] [--windows MAJOR.MINOR[.BUILD]] [--server]\n"
               "      [--platform N] [--no-active-session] [--standard-user] [--no-explorer]\n"
               "                                    create a machine\n"
               "  install-sample DIR                install the sample product\n"
               "  dump DIR                          print the machine's state as JSON\n"
               "  reg DIR set KEY NAME TYPE DATA [--view 32|64]\n"
               "  reg DIR query KEY [NAME] [--view 32|64]\n"
               "  reg DIR delete KEY [NAME] [--view 32|64]\n"
               "  reboot DIR                        end every process, run pending renames\n"
               "  ps DIR                            list the machine's processes\n"
               "  session DIR                       list the sessions and the users\n"
               "  run DIR [--as-system] WINPATH [ARGS...]\n"
               "                                    run a program of the machine (as\n"
               "                                    LocalSystem in session 0: as a service)\n"
               "  env DIR NAME [VALUE]              read or set an environment variable\n"
               "  fact DIR NAME [VALUE]             read or set a machine fact\n"
               "  volume DIR LETTER DEVICE|--remove add, change or remove a drive\n"
               "  route DIR                         list the routed host names\n"
               "  route DIR HOST|--statistics ADDRESS|--remove\n"
               "                                    send HTTP posts for HOST (or the statistics\n"
               "                                    host) to 127.x.y.z:PORT or [::1]:PORT\n"
               "  protect DIR PATH                  make an existing file or folder an\n"
               "                                    operating-system file\n"
               "  grant DIR PATH [SID]              give the user (the interactive one by\n"
               "                                    default) full control of PATH and below\n"
               "  junction DIR LINK TARGET          make LINK a directory link to the folder\n"
               "                                    TARGET (Windows paths, one drive)\n"
               "  svc DIR create NAME \"COMMAND LINE\" [--display TEXT] [--depends-on NAME]...\n"
               "      [BEHAVIOUR...]                register a service (stopped)\n"
               "  svc DIR start NAME [ARGS...]      start a service\n"
               "  svc DIR stop NAME                 ask a service to stop (does not wait)\n"
               "  svc DIR query NAME                print NAME STATE [pid=N] [exit=CODE]\n"
               "                                    [delete-pending]\n"
               "  svc DIR delete NAME               mark a service for deletion\n"
               "  svc DIR events NAME               print a service's history, oldest first\n"
               "  svc DIR set NAME BEHAVIOUR...     change how the service behaves:\n"
               "      --stop-ms N|--never-stops, --start-ms N|--never-starts,\n"
               "      --refuses-stop|--accepts-stop\n"
               "  svc DIR crash NAME                end the service's process as a crash would\n"
               "  screenshot DIR [--title T | --class C] OUT.png\n"
               "                                    save a live window's last presented frame\n"
               "  input DIR [--title T | --class C] click X Y|down X Y|up X Y|rclick X Y|move X Y|\n"
               "        key [Shift+|Alt+|Ctrl+]NAME|close\n"
               "                                    give a live window the input a display\n"
               "                                    would (X, Y in client pixels)\n");
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "simhost: %s\n", message.c_str());
  return 2;
}

bool OpenMachine(const std::string& dir) {
  std::string error;
  if (SimHost::UseMachine(dir, &error)) return true;
  Fail(error);
  return false;
}

int main(int argc, char** argv) {
  // The tool sees the registry as a 64-bit program unless told otherwise.
  SimHost::SetNativeProcess(true);
  // It writes as the machine's maker, whichever user the machine has.
  SimActAsHost();
  if (argc < 3) return Usage();
  Args args(argv + 2, argv + argc);
  const char* command = argv[1];
  struct Entry {
    const char* name;
    int (*run)(const Args&);
  };
  const Entry commands[] = {
      {"new", CmdNew},       {"install-sample", CmdInstallSample},
      {"dump", CmdDump},     {"reg", CmdReg},
      {"reboot", CmdReboot}, {"ps", CmdPs},
      {"run", CmdRun},       {"env", CmdEnv},
      {"fact", CmdFact},     {"volume", CmdVolume},
      {"svc", CmdSvc},       {"session", CmdSession},
      {"route", CmdRoute},   {"protect", CmdProtect},
      {"junction", CmdJunction}, {"screenshot", CmdScreenshot},
      {"input", CmdInput},   {"grant", CmdGrant},
  };
  for (const auto& entry : commands)
    if (std::strcmp(command, entry.name) == 0) return entry.run(args);
  return Usage();
}
