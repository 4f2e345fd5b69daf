// The handle Windows keeps on a process's current directory shares read and
// write but not delete; here a shared lock on the deny-delete byte of an open
// descriptor of the folder plays that part, dropped by the kernel at exit.
#include "platform/sim/files/SimCurrentDirectory.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <mutex>
#include <string>

#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimLocks.h"

namespace {

std::mutex g_mutex;
int g_held = -1;

}  // namespace

void SimHoldCurrentDirectory(int dir_fd) {
  if (dir_fd >= 0) SimLockShared(dir_fd, kSimDenyDelete);
  std::lock_guard<std::mutex> guard(g_mutex);
  if (g_held >= 0) close(g_held);  // the lock goes with the descriptor
  g_held = dir_fd;
}

void SimHoldStartDirectory() {
  auto machine = SimHost::Machine();
  if (!machine) return;
  char buffer[PATH_MAX];
  if (!getcwd(buffer, sizeof(buffer))) return;
  const std::string drives = machine->DrivesDir() + "/";
  const std::string cwd = buffer;
  if (cwd.compare(0, drives.size(), drives) != 0) return;
  SimHoldCurrentDirectory(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}
