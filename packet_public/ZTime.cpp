#include "packet_public/ZTime.h"

#include <ctime>

#include "platform/kernel.h"

namespace {

// 100-nanosecond intervals from 1601-01-01 to 1970-01-01.
constexpr uint64_t kFileTimeUnixEpoch = 116444736000000000ull;

int64_t Year2000LocalSeconds() {
  std::tm tm = {};
  tm.tm_year = 100;
  tm.tm_mon = 0;
  tm.tm_mday = 1;
  tm.tm_isdst = 0;
  return static_cast<int64_t>(std::mktime(&tm));
}

}  // namespace

ZTime::ZTime(int64_t seconds)
    : seconds_(seconds >= 0 && seconds <= kLatest ? seconds : Year2000LocalSeconds()) {}

ZTime ZTime::Now() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return ZTime(static_cast<int64_t>((ticks - kFileTimeUnixEpoch) / 10000000ull));
}
