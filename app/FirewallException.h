// Puts the program's own file into the Windows Firewall's authorised
// applications for the length of a run. Every operation returns one of the
// codes below; callers ignore them.
#pragma once

#include "platform/firewall.h"

class FirewallException {
 public:
  enum Code : int {
    kOk = 0,
    kNotOpened = 1,            // also: COM not initialised, or a profile already held
    kNoManager = 2,
    kNoLocalPolicy = 3,
    kNoCurrentProfile = 4,
    kMissingArgument = 7,
    kNoApplicationList = 8,
    kNoEnabledState = 9,
    kNoApplicationObject = 10,
    kEmptyString = 11,
    kImageNameNotSet = 12,
    kEntryNameNotSet = 13,
    kAddFailed = 14,
    kRemoveFailed = 15,
  };

  FirewallException() = default;
  ~FirewallException();
  FirewallException(const FirewallException&) = delete;
  FirewallException& operator=(const FirewallException&) = delete;

  int Open();
  // enabled is true when path is an authorised application that is enabled.
  int IsEnabled(const char16_t* path, bool* enabled);
  int Add(const char16_t* path, const char16_t* name);
  int Remove(const char16_t* path);
  void Close();

 private:
  INetFwProfile* profile_ = nullptr;
  bool com_initialised_ = false;
};

// The program entry's use: add the entry for path at the start of a run and
// remove it at the end. Failures are ignored.
void AddFirewallException(const char16_t* path, const char16_t* name);
void RemoveFirewallException(const char16_t* path);
