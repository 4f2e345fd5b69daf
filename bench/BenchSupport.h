// Baselines the benchmarks measure the layer against.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

// Deletes path with the system's own `rm -rf`, in a child process.
inline bool RunRmRf(const std::string& path) {
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    execl("/bin/rm", "rm", "-rf", path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Deletes files with one `rm -f`, in a child process.
inline bool RunRm(const std::vector<std::string>& files) {
  std::vector<char*> argv = {const_cast<char*>("rm"), const_cast<char*>("-f")};
  for (const auto& file : files) argv.push_back(const_cast<char*>(file.c_str()));
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    execv("/bin/rm", argv.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

inline double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
