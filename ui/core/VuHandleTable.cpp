#include "ui/core/VuHandleTable.h"

VuHandleTable& VuHandleTable::Instance() {
  static VuHandleTable* table = new VuHandleTable;  // elements may outlive static destruction
  return *table;
}

VUHANDLE VuHandleTable::Register(CVuWindow* element) {
  std::lock_guard<std::mutex> guard(mutex_);
  // 32 bits of handles: a process would have to make four billion elements
  // to wrap, and then skips every handle still in use and 0.
  do ++last_;
  while (last_ == 0 || elements_.count(last_));
  elements_[last_] = element;
  return last_;
}

void VuHandleTable::Unregister(VUHANDLE handle) {
  std::lock_guard<std::mutex> guard(mutex_);
  elements_.erase(handle);
}

CVuWindow* VuHandleTable::Lookup(VUHANDLE handle) const {
  std::lock_guard<std::mutex> guard(mutex_);
  auto it = elements_.find(handle);
  return it == elements_.end() ? nullptr : it->second;
}

size_t VuHandleTable::Count() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return elements_.size();
}
