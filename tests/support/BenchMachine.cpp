#include "tests/support/BenchMachine.h"

#include <cstdio>

#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimMachineSetup.h"

BenchMachine::BenchMachine(const char* name) {
  std::string error;
  ready_ = SimCreateMachine(dir_.Path() + "/machine", SimMachineOptions(), &error);
  if (!ready_) std::fprintf(stderr, "%s: no machine: %s\n", name, error.c_str());
}

BenchMachine::~BenchMachine() { SimHost::ForgetMachine(); }
