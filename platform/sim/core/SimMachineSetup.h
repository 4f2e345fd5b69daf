// Creating a new machine directory as a fresh Windows installation looks.
#pragma once

#include <string>

struct SimMachineOptions {
  bool x64 = true;
  std::string user_name = "User";
  std::string computer_name = "SIMHOST-PC";
  // The Windows version the machine reports (facts os_major, os_minor, os_build,
  // os_platform, os_product_type: 1 workstation, 2 domain controller, 3 server).
  int os_major = 10;
  int os_minor = 0;
  int os_build = 19045;
  int os_platform = 2;
  int os_product_type = 1;
  // Session 1 ("Console") has the interactive user logged on; without, it
  // waits at the logon screen (WTSConnected, nobody logged on).
  bool active_session = true;
  // The interactive user is an administrator whose programs get a limited
  // token linked to an elevated one (UAC); a standard user has one token.
  bool standard_user = false;
  // The program copied to C:\Windows\explorer.exe (the helper program; empty:
  // none), and whether it is started as the interactive user's shell.
  std::string explorer_program;
  bool start_explorer = true;
};

// The build number a release of Windows usually has ("5.1" -> 2600); 0 for an
// unknown major.minor.
int SimDefaultBuild(int platform, int major, int minor);

// Creates machine.db, drives/c with the usual folders, the environment and the
// base registry keys, and selects the new machine for this process.
bool SimCreateMachine(const std::string& dir, const SimMachineOptions& options,
                      std::string* error);
