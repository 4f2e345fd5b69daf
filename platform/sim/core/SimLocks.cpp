#include "platform/sim/core/SimLocks.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/sim/core/SimHost.h"

namespace {

struct flock Range(short type, off_t first, off_t count) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = kSimLockBase + first;
  lock.l_len = count;
  lock.l_pid = 0;
  return lock;
}

}  // namespace

bool SimLockTaken(int fd, off_t first, off_t count) {
  struct flock lock = Range(F_WRLCK, first, count);
  if (fcntl(fd, F_OFD_GETLK, &lock) != 0) return false;
  return lock.l_type != F_UNLCK;
}

bool SimLockShared(int fd, off_t byte) {
  struct flock lock = Range(F_RDLCK, byte, 1);
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool SimLockExclusive(int fd, off_t byte, bool wait) {
  struct flock lock = Range(F_WRLCK, byte, 1);
  while (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) != 0) {
    if (!(wait && errno == EINTR)) return false;
  }
  return true;
}

void SimUnlock(int fd, off_t byte) {
  struct flock lock = Range(F_UNLCK, byte, 1);
  fcntl(fd, F_OFD_SETLK, &lock);
}

int SimRunGateFd() {
  auto machine = SimHost::Machine();
  if (!machine) return -1;
  static std::mutex mutex;
  static auto* fds = new std::map<std::string, int>;  // one per machine, kept open
  std::lock_guard<std::mutex> guard(mutex);
  auto it = fds->find(machine->Dir());
  if (it != fds->end()) return it->second;
  mkdir(machine->RunDir().c_str(), 0755);
  int fd = open((machine->RunDir() + "/gate").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) (*fds)[machine->Dir()] = fd;
  return fd;
}
