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
};

// The build number a release of Windows usually has ("5.1" -> 2600); 0 for an
// unknown major.minor.
int SimDefaultBuild(int platform, int major, int minor);

// Creates machine.db, drives/c with the usual folders, the environment and the
// base registry keys, and selects the new machine for this process.
bool SimCreateMachine(const std::string& dir, const SimMachineOptions& options,
                      std::string* error);
