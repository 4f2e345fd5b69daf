#include "platform/sim/core/SimHandles.h"

#include <mutex>
#include <unordered_map>

#include "platform/kernel.h"

namespace {

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<uintptr_t, std::shared_ptr<SimObject>> objects;
  uintptr_t next = 0x100;
};

HandleTable& Table() {
  static HandleTable* table = new HandleTable;  // outlives static destructors
  return *table;
}

}  // namespace

DWORD SimObject::Wait(DWORD) {
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}

HANDLE SimHandles::Add(std::shared_ptr<SimObject> object) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.mutex);
  uintptr_t value = table.next;
  table.next += 4;  // handle values are multiples of four, as on Windows
  table.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<SimObject> SimHandles::Get(HANDLE handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.mutex);
  auto it = table.objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == table.objects.end() ? nullptr : it->second;
}

bool SimHandles::Remove(HANDLE handle) {
  std::shared_ptr<SimObject> doomed;  // destroyed outside the lock
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.mutex);
  auto it = table.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == table.objects.end()) return false;
  doomed = std::move(it->second);
  table.objects.erase(it);
  return true;
}

BOOL SimFail(DWORD error) {
  SetLastError(error);
  return FALSE;
}
