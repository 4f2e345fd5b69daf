// A machine of its own for a benchmark program: made in a temporary folder
// when the program starts and removed, with the process's hold on it, when
// the program ends.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "tests/support/SimTestSupport.h"

class BenchMachine {
 public:
  // name says which program failed to make one.
  explicit BenchMachine(const char* name);
  ~BenchMachine();
  BenchMachine(const BenchMachine&) = delete;
  BenchMachine& operator=(const BenchMachine&) = delete;
  bool Ready() const { return ready_; }

 private:
  TempDir dir_;
  bool ready_ = false;
};

// Runs the registered benchmarks when ready, then prints the targets line;
// the program's exit status. (Here, not in the support library, which the
// test suites link without the benchmark library.)
inline int RunBenchmarks(bool ready, int* argc, char** argv, const char* targets) {
  if (!ready) return 1;
  benchmark::Initialize(argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("%s\n", targets);
  return 0;
}
