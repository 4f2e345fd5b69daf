// Directory links on the simulated host: real links whose target is a folder,
// and junctions made inside a machine.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/sim/files/SimFiles.h"
#include "platform/sim/files/SimPath.h"

bool SimIsDirectoryLink(int dir_fd, const char* name) {
  char target[PATH_MAX];
  ssize_t n = readlinkat(dir_fd, name, target, sizeof(target));
  if (n <= 0) return false;  // not a link
  if (target[n - 1] == '/') return true;
  struct stat st;
  return fstatat(dir_fd, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

bool SimIsDirectoryLinkAt(const SimLocation& at) {
  if (at.IsRoot()) return false;
  int parent = SimOpenParent(at);
  if (parent < 0) return false;
  bool result = SimIsDirectoryLink(parent, at.Leaf().c_str());
  close(parent);
  return result;
}

DWORD SimCreateJunction(const char16_t* link, const char16_t* target) {
  if (!link || !target) return ERROR_INVALID_PARAMETER;
  SimWinPath link_path, target_path;
  if (DWORD error = SimParsePath(link, &link_path)) return error;
  if (DWORD error = SimParsePath(target, &target_path)) return error;
  if (link_path.parts.empty()) return ERROR_ACCESS_DENIED;
  // Across drives the link would have to leave its drive's folder.
  if (link_path.drive != target_path.drive) return ERROR_NOT_SAME_DEVICE;
  SimLocation to;
  if (DWORD error = SimLocateExisting(target_path, &to)) return error;
  int target_fd = SimOpenBeneath(to, O_PATH | O_DIRECTORY);
  if (target_fd < 0) return errno == ENOTDIR ? ERROR_DIRECTORY : SimPathError(errno);
  close(target_fd);
  SimLocation at;
  bool exists = false;
  if (DWORD error = SimLocateForCreate(link_path, &at, &exists)) return error;
  if (exists) return ERROR_ALREADY_EXISTS;

  // "../" for every folder above the link, then the target from the root.
  std::string text;
  const std::string parent = at.ParentRel();
  if (parent != ".") {
    text += "../";
    for (char c : parent)
      if (c == '/') text += "../";
  }
  if (!to.IsRoot()) text += to.rel;
  if (text.empty()) text = ".";  // never an absolute link
  text += '/';
  int dir = SimOpenParent(at);
  if (dir < 0) return SimPathError(errno);
  int rc = symlinkat(text.c_str(), dir, at.Leaf().c_str());
  int saved = errno;
  close(dir);
  return rc == 0 ? 0 : SimPathError(saved);
}
