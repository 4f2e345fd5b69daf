// A loaded library holds the image byte of its file on a descriptor of this
// process, as a running program holds its own: the kernel lets go at exit.
#include "platform/sim/processes/SimMachineLibraries.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/kernel.h"
#include "platform/sim/core/SimLocks.h"
#include "platform/sim/files/SimFiles.h"
#include "platform/sim/files/SimPath.h"

namespace {

struct MachineLibrary {
  int fd = -1;
  int loads = 0;
};

struct Table {
  std::mutex mutex;
  std::map<std::pair<dev_t, ino_t>, std::unique_ptr<MachineLibrary>> by_file;
};

Table& Libraries() {
  static Table* table = new Table;  // outlives static destructors
  return *table;
}

HMODULE Fail(DWORD error) {
  SetLastError(error);
  return nullptr;
}

// Opens the file for the loader: read and execute access, sharing read and
// delete but not write.
int OpenImage(const char16_t* path, DWORD* error) {
  SimWinPath parsed;
  SimLocation at;
  *error = SimParsePath(path, &parsed);
  if (!*error) *error = SimLocateExisting(parsed, &at);
  if (*error) {
    *error = ERROR_MOD_NOT_FOUND;
    return -1;
  }
  int fd = SimOpenBeneath(at, O_RDONLY | O_NONBLOCK);
  if (fd < 0) {
    *error = SimPathError(errno);
    if (*error == ERROR_FILE_NOT_FOUND || *error == ERROR_PATH_NOT_FOUND)
      *error = ERROR_MOD_NOT_FOUND;
    return -1;
  }
  struct stat st;
  char magic[2] = {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    *error = ERROR_ACCESS_DENIED;
  } else if (!S_ISREG(st.st_mode) || pread(fd, magic, 2, 0) != 2 || magic[0] != 'M' ||
             magic[1] != 'Z') {
    *error = ERROR_BAD_EXE_FORMAT;
  }
  if (*error) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

HMODULE SimLoadMachineLibrary(const char16_t* path) {
  if (!path || !*path) return Fail(ERROR_INVALID_PARAMETER);
  DWORD error = 0;
  int fd = OpenImage(path, &error);
  if (fd < 0) return Fail(error);
  struct stat st;
  fstat(fd, &st);
  Table& table = Libraries();
  std::lock_guard<std::mutex> guard(table.mutex);
  auto& entry = table.by_file[{st.st_dev, st.st_ino}];
  if (entry) {
    close(fd);
    ++entry->loads;
    SetLastError(ERROR_SUCCESS);
    return reinterpret_cast<HMODULE>(entry.get());
  }
  {
    SimGateLock gate(SimRunGateFd());
    bool conflict = SimLockTaken(fd, kSimDenyRead) || SimLockTaken(fd, kSimHasWrite);
    if (conflict || !SimLockShared(fd, kSimImage)) {
      close(fd);
      table.by_file.erase({st.st_dev, st.st_ino});
      return Fail(ERROR_SHARING_VIOLATION);
    }
  }
  entry = std::make_unique<MachineLibrary>();
  entry->fd = fd;
  entry->loads = 1;
  SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<HMODULE>(entry.get());
}

bool SimIsMachineLibrary(HMODULE module) {
  Table& table = Libraries();
  std::lock_guard<std::mutex> guard(table.mutex);
  for (const auto& [file, library] : table.by_file)
    if (reinterpret_cast<HMODULE>(library.get()) == module) return true;
  return false;
}

bool SimFreeMachineLibrary(HMODULE module) {
  Table& table = Libraries();
  std::lock_guard<std::mutex> guard(table.mutex);
  for (auto it = table.by_file.begin(); it != table.by_file.end(); ++it) {
    if (reinterpret_cast<HMODULE>(it->second.get()) != module) continue;
    if (--it->second->loads == 0) {
      close(it->second->fd);  // the image byte goes with the descriptor
      table.by_file.erase(it);
    }
    return true;
  }
  return false;
}
