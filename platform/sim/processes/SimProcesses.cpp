#include "platform/sim/processes/SimProcesses.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

std::vector<SimProcessInfo> SimListMachineProcesses(const std::string& machine_dir) {
  std::vector<SimProcessInfo> out;
  const std::string drives = machine_dir + "/drives/";
  DIR* proc = opendir("/proc");
  if (!proc) return out;
  while (dirent* e = readdir(proc)) {
    char* end = nullptr;
    long pid = strtol(e->d_name, &end, 10);
    if (pid <= 0 || *end) continue;
    char buffer[PATH_MAX];
    std::string link = std::string("/proc/") + e->d_name + "/exe";
    ssize_t n = readlink(link.c_str(), buffer, sizeof(buffer) - 1);
    if (n <= 0) continue;
    std::string image(buffer, static_cast<size_t>(n));
    const std::string deleted = " (deleted)";
    if (image.size() > deleted.size() &&
        image.compare(image.size() - deleted.size(), deleted.size(), deleted) == 0)
      image.resize(image.size() - deleted.size());
    if (image.compare(0, drives.size(), drives) != 0) continue;
    out.push_back({static_cast<pid_t>(pid), image});
  }
  closedir(proc);
  std::sort(out.begin(), out.end(),
            [](const SimProcessInfo& a, const SimProcessInfo& b) { return a.pid < b.pid; });
  return out;
}

bool SimReadProcFile(pid_t pid, const char* name, std::string* text) {
  const std::string path = pid ? "/proc/" + std::to_string(pid) + "/" + name : std::string(name);
  text->clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof(buffer))) > 0) text->append(buffer, static_cast<size_t>(n));
  close(fd);
  return n == 0;
}
