// Creating a new machine directory as a fresh Windows installation looks.
#pragma once

#include <string>

struct SimMachineOptions {
  bool x64 = true;
  std::string user_name = "User";
  std::string computer_name = "SIMHOST-PC";
};

// Creates machine.db, drives/c with the usual folders, the environment and the
// base registry keys, and selects the new machine for this process.
bool SimCreateMachine(const std::string& dir, const SimMachineOptions& options,
                      std::string* error);
