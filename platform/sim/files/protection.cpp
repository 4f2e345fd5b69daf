// SfcIsFileProtected on the simulated host: the operating-system mark of an
// entry (see SimIsOsFile).
#include "platform/protection.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/files/SimFiles.h"
#include "platform/sim/files/SimPath.h"

BOOL SfcIsFileProtected(HANDLE, LPCWSTR path) {
  if (!path) return SimFail(ERROR_INVALID_PARAMETER);
  SimWinPath parsed;
  SimLocation at;
  if (SimParsePath(path, &parsed) != 0 || SimLocateExisting(parsed, &at) != 0)
    return SimFail(ERROR_FILE_NOT_FOUND);
  int fd = SimOpenBeneath(at, O_PATH | O_NOFOLLOW);
  struct stat st;
  bool marked = fd >= 0 && fstat(fd, &st) == 0 && SimIsOsFile(st.st_mode, fd);
  if (fd >= 0) close(fd);
  if (!marked) return SimFail(ERROR_FILE_NOT_FOUND);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
