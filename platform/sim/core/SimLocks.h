// Open-file-description locks that carry Windows sharing rules and kernel
// object lifetimes across processes: the kernel drops them when the holder
// process ends, however it ends, so a killed process leaves nothing behind.
#pragma once

#include <sys/types.h>

#include <mutex>

// Lock bytes, far beyond any real content of a file.
constexpr off_t kSimLockBase = off_t(1) << 60;
enum SimLockByte : off_t {
  kSimGate = 0,          // held exclusively while a sharing check is made
  kSimHasRead = 1,       // an open handle has read access
  kSimHasWrite = 2,      // ... write access
  kSimHasDelete = 3,     // ... delete access
  kSimDenyRead = 4,      // an open handle does not share read
  kSimDenyWrite = 5,     // ... write
  kSimDenyDelete = 6,    // ... delete
  kSimImage = 7,         // a live process runs from this file
  kSimHolder = 8,        // kernel objects: a handle of a live process refers to it
  kSimOwner = 9,         // kernel objects: mutex ownership
};

// True when another open file description holds a lock on any byte of the
// range [first, first + count).
bool SimLockTaken(int fd, off_t first, off_t count = 1);
// Takes a shared lock on one byte (never blocks); false when that is refused.
bool SimLockShared(int fd, off_t byte);
// Takes an exclusive lock on one byte; waits when wait is true.
bool SimLockExclusive(int fd, off_t byte, bool wait);
void SimUnlock(int fd, off_t byte);

// The machine's gate file (run/gate), opened once per process and machine:
// sharing checks and kernel-object creation hold its gate byte so that a check
// and the lock that follows it are one step for every process. -1 without a machine.
int SimRunGateFd();

// Holds the gate byte of a file exclusively for one scope. Threads of one
// process share the gate's file description, and an OFD lock does not exclude
// its own description, so they also take turns on a process-wide mutex.
class SimGateLock {
 public:
  explicit SimGateLock(int fd) : threads_(ThreadMutex()), fd_(fd) {
    SimLockExclusive(fd_, kSimGate, true);
  }
  ~SimGateLock() { SimUnlock(fd_, kSimGate); }
  SimGateLock(const SimGateLock&) = delete;
  SimGateLock& operator=(const SimGateLock&) = delete;

 private:
  static std::recursive_mutex& ThreadMutex() {
    static std::recursive_mutex* mutex = new std::recursive_mutex;  // outlives static destructors
    return *mutex;
  }
  std::lock_guard<std::recursive_mutex> threads_;
  int fd_;
};
