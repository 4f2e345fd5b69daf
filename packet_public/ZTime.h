// A point in time as whole seconds since 1970-01-01 00:00:00 UTC, and the
// difference of two.
#pragma once

#include <cstdint>

class ZTimeSpan {
 public:
  explicit ZTimeSpan(int64_t seconds) : seconds_(seconds) {}
  virtual ~ZTimeSpan() = default;
  ZTimeSpan(const ZTimeSpan&) = default;
  ZTimeSpan& operator=(const ZTimeSpan&) = default;

  int64_t Seconds() const { return seconds_; }
  // Whole days, truncated toward zero.
  int64_t Days() const { return seconds_ / 86400; }

 private:
  int64_t seconds_;
};

class ZTime {
 public:
  // The latest time kept as given: 3000-12-31 23:59:58 UTC.
  static constexpr int64_t kLatest = 32535244798;

  // A time from 0 to kLatest is kept; any other stands for "unknown" and is
  // replaced by 2000-01-01 00:00:00 local time (without daylight saving).
  explicit ZTime(int64_t seconds);
  virtual ~ZTime() = default;
  ZTime(const ZTime&) = default;
  ZTime& operator=(const ZTime&) = default;

  // The current time (the system clock, UTC).
  static ZTime Now();

  int64_t Seconds() const { return seconds_; }
  ZTimeSpan operator-(const ZTime& earlier) const { return ZTimeSpan(seconds_ - earlier.seconds_); }

 private:
  int64_t seconds_;
};
