// Process times from the kernel's accounting: the start in clock ticks after
// boot, the boot time, and the processor times of /proc/PID/stat.
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sim/processes/SimProcesses.h"

namespace {

constexpr uint64_t kEpochDifference = 116444736000000000ull;  // 1601 to 1970 in 100 ns

std::string ReadSmallFile(const std::string& path) {
  std::string text;
  SimReadProcFile(0, path.c_str(), &text);
  return text;
}

uint64_t BootSeconds() {
  static const uint64_t boot = [] {
    const std::string text = ReadSmallFile("/proc/stat");
    size_t at = text.find("\nbtime ");
    return at == std::string::npos ? 0ull : std::strtoull(text.c_str() + at + 7, nullptr, 10);
  }();
  return boot;
}

FILETIME FromValue(uint64_t value) {
  return {static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

uint64_t TicksTo100ns(uint64_t ticks) {
  const long per_second = sysconf(_SC_CLK_TCK);
  return ticks * 10000000ull / static_cast<uint64_t>(per_second > 0 ? per_second : 100);
}

}  // namespace

SimProcessTimes SimTimesOf(pid_t pid, long long start_ticks, bool alive) {
  SimProcessTimes times;
  if (start_ticks >= 0)
    times.creation = FromValue(BootSeconds() * 10000000ull + TicksTo100ns(static_cast<uint64_t>(start_ticks)) +
                               kEpochDifference);
  if (!alive) {
    // The end was not watched: the moment it is first asked for stands for it.
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    times.exit = FromValue(static_cast<uint64_t>(now.tv_sec) * 10000000ull +
                           static_cast<uint64_t>(now.tv_nsec) / 100 + kEpochDifference);
    return times;
  }
  // Fields 14 and 15 of /proc/PID/stat, after the command name in parentheses.
  const std::string text = ReadSmallFile("/proc/" + std::to_string(pid) + "/stat");
  size_t pos = text.rfind(')');
  std::vector<uint64_t> fields;
  while (pos != std::string::npos && pos < text.size() && fields.size() < 13) {
    pos = text.find(' ', pos + 1);
    if (pos == std::string::npos) break;
    fields.push_back(std::strtoull(text.c_str() + pos + 1, nullptr, 10));
  }
  if (fields.size() >= 13) {
    times.user = FromValue(TicksTo100ns(fields[11]));
    times.kernel = FromValue(TicksTo100ns(fields[12]));
  }
  return times;
}
