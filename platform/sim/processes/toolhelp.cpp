// Process snapshots (CreateToolhelp32Snapshot): the machine's live processes
// at the moment of the call.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sessions.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/processes/SimProcesses.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

struct Entry {
  DWORD pid;
  DWORD parent;
  std::u16string file_name;
};

class SnapshotObject : public SimObject {
 public:
  explicit SnapshotObject(std::vector<Entry> entries) : entries_(std::move(entries)) {}

  // The entry at the cursor (restarted by first), or false at the end.
  bool Next(bool first, Entry* entry) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (first) next_ = 0;
    if (next_ >= entries_.size()) return false;
    *entry = entries_[next_++];
    return true;
  }

 private:
  std::mutex mutex_;
  std::vector<Entry> entries_;
  size_t next_ = 0;
};

BOOL Walk(HANDLE snapshot, LPPROCESSENTRY32W entry, bool first) {
  auto object = SimHandles::GetAs<SnapshotObject>(snapshot);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (!entry || entry->dwSize < sizeof(PROCESSENTRY32W)) return SimFail(ERROR_BAD_LENGTH);
  Entry next;
  if (!object->Next(first, &next)) return SimFail(ERROR_NO_MORE_FILES);
  const DWORD size = entry->dwSize;
  std::memset(entry, 0, sizeof(PROCESSENTRY32W));
  entry->dwSize = size;
  entry->cntUsage = 0;
  entry->th32ProcessID = next.pid;
  entry->cntThreads = 1;
  entry->th32ParentProcessID = next.parent;
  entry->pcPriClassBase = 8;  // normal priority
  size_t length = std::min<size_t>(next.file_name.size(), MAX_PATH - 1);
  std::memcpy(entry->szExeFile, next.file_name.data(), length * sizeof(char16_t));
  entry->szExeFile[length] = 0;
  return TRUE;
}

}  // namespace

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD) {
  if (!(flags & TH32CS_SNAPPROCESS)) return SimFailWith<HANDLE>(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  std::vector<Entry> entries;
  if (auto machine = SimHost::Machine()) {
    for (const auto& process : SimListMachineProcesses(machine->Dir())) {
      std::u16string path = SimWinPathFromReal(process.real_image);
      size_t cut = path.find_last_of(u'\\');
      entries.push_back({static_cast<DWORD>(process.pid), static_cast<DWORD>(SimParentPid(process.pid)),
                         cut == std::u16string::npos ? path : path.substr(cut + 1)});
    }
  }
  return SimHandles::Add(std::make_shared<SnapshotObject>(std::move(entries)));
}

BOOL Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry) { return Walk(snapshot, entry, true); }

BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry) { return Walk(snapshot, entry, false); }
