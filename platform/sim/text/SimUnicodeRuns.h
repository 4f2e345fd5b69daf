// The generated upper-case table (platform/sim/text/upcase_runs.cpp): runs of
// units that map to unit + delta, every step-th unit from first to last.
#pragma once

struct SimUpcaseRun {
  unsigned short first;
  unsigned short last;
  unsigned char step;
  int delta;
};

extern const SimUpcaseRun kSimUpcaseRuns[];
extern const unsigned kSimUpcaseRunCount;
