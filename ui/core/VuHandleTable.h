// The process-wide table of live elements by handle, guarded by one lock.
// Handles are never reused; a lookup of a handle whose element is gone
// yields nothing.
#pragma once

#include <mutex>
#include <unordered_map>

#include "ui/core/VuTypes.h"

class CVuWindow;

class VuHandleTable {
 public:
  static VuHandleTable& Instance();

  // A new handle for element (called by its constructor).
  VUHANDLE Register(CVuWindow* element);
  // Called by the element's destructor.
  void Unregister(VUHANDLE handle);
  // The live element, or null.
  CVuWindow* Lookup(VUHANDLE handle) const;
  size_t Count() const;

 private:
  VuHandleTable() = default;
  mutable std::mutex mutex_;
  std::unordered_map<VUHANDLE, CVuWindow*> elements_;
  VUHANDLE last_ = 0;
};
