// The process's handle table: HANDLE values name shared in-process objects.
#pragma once

#include <memory>

#include "platform/types.h"

class SimObject {
 public:
  virtual ~SimObject() = default;
  // WaitForSingleObject on this object; objects that cannot be waited on fail.
  virtual DWORD Wait(DWORD milliseconds);
};

class SimHandles {
 public:
  static HANDLE Add(std::shared_ptr<SimObject> object);
  static std::shared_ptr<SimObject> Get(HANDLE handle);
  template <class T>
  static std::shared_ptr<T> GetAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(Get(handle));
  }
  // Removes the handle; the object lives on while others still refer to it.
  static bool Remove(HANDLE handle);
};

// Sets the thread's last error and returns FALSE / the given value.
BOOL SimFail(DWORD error);
template <class T>
T SimFailWith(DWORD error, T result) {
  SimFail(error);
  return result;
}
