// Facts about the machine the program runs on: the kind of Windows, whether it
// is a 64-bit system, device paths as drive paths, and the chain of parent
// processes. The process-wide facts are worked out once and cached.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"

// Kinds of Windows, as GetOsKind reports them (0: unknown).
enum ZOsKind {
  kOsUnknown = 0,
  kOsWin9x = 1,          // 95 and 98
  kOsWinMe = 2,
  kOsWin2000 = 3,
  kOsWinNt4 = 4,         // NT 4 and older
  kOsWin2003 = 5,        // 5.2 (XP x64 and Server 2003)
  kOsWinXp = 6,
  kOsWinVista = 7,
  kOsWin7 = 8,
  kOsWinServer2008 = 9,  // 6.0 and 6.1 servers
  kOsWin8 = 10,
  kOsWin81 = 11,
  kOsWin10 = 12,
};

// The kind of Windows; cached after the first non-zero result.
int GetOsKind();
// The same, worked out anew on every call.
int ComputeOsKind();
// How often GetOsKind has filled its cache (once at most, for diagnostics).
int OsKindCacheFills();

// 2 on a 64-bit system, 1 otherwise (and when that cannot be told); cached.
int IsNative64Bit();
int ComputeNative64Bit();

// NT device names ("\Device\HarddiskVolume2") and the drives they are mounted
// on ("C:"), for turning the image paths Windows reports into drive paths.
class DevicePathMap {
 public:
  enum BuildStatus { kNotBuilt, kBuilt, kFailed };

  // Reads the drives and their devices; a drive without a device is left out.
  // Failing to list the drives marks the map failed. Only the first call reads.
  void Build();
  // Replaces a leading device name with its drive; false (and path unchanged)
  // when no device matches or the map failed. An unbuilt map builds itself.
  bool ToDrivePath(std::u16string* path);

  BuildStatus Status() const { return status_; }
  const std::vector<std::pair<std::u16string, std::u16string>>& Pairs() const { return pairs_; }

 private:
  std::vector<std::pair<std::u16string, std::u16string>> pairs_;  // (device, "X:")
  BuildStatus status_ = kNotBuilt;
  std::once_flag build_once_;
};

// The map shared by the whole process, built on its first conversion, once.
DevicePathMap& ProcessDevicePathMap();

// Image paths of the parent of pid and of up to extra_ancestors more ancestors,
// nearest first. False when not even the parent's path is known.
bool GetParentProcessPath(DWORD pid, int extra_ancestors, std::vector<std::u16string>* list);

// Image path of a process (drive form), empty when it cannot be read.
std::u16string GetProcessImagePath(DWORD pid);
// Parent process id, 0xFFFFFFFF when it cannot be read.
DWORD GetParentProcessId(DWORD pid);
