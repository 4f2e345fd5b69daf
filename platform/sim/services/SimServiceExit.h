// A stopped service's process ends a moment after the service reported
// SERVICE_STOPPED, not before: until then its image is still in use.
#pragma once

#include <cstdint>

// How long a service's process outlives its reported stop.
constexpr int kSimServiceExitDelayMs = 150;

// Ends the process (known by its pid and start time) delay_ms from now, by a
// small detached process of the host, so that nobody has to look at the
// service for it to happen. Ends it at once (and waits) when that cannot be
// arranged.
void SimEndServiceProcessLater(int64_t pid, int64_t start_time, int delay_ms);

// Ends the process now and waits until it is gone.
void SimEndServiceProcessNow(int64_t pid, int64_t start_time);

// Start time of a live process (field 22 of /proc/PID/stat); -1 for one that
// ended, zombies included. With the pid it names one process for good.
int64_t SimProcessStartTime(int64_t pid);
