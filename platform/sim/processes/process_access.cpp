// Who may open which process: the rights a process's default security and
// integrity level give another process of the machine.
#include <unistd.h>

#include <cctype>
#include <string>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sim/processes/SimProcesses.h"
#include "platform/sim/processes/SimSessions.h"
#include "platform/sim/processes/SimTokens.h"

namespace {

constexpr DWORD kMaximumAllowed = 0x02000000;
// What an administrator may still do to a process it cannot fully open
// (Task Manager's view of it).
constexpr DWORD kLimitedRights = PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;

bool SameSid(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

DWORD GrantedRights(const SimIdentity& own, const SimIdentity& target) {
  const bool own_elevated = own.kind == SimTokenKind::kElevated;
  if (SameSid(own.user_sid, target.user_sid)) {
    // A medium-integrity token cannot read or end a high-integrity process.
    const bool target_elevated = target.kind == SimTokenKind::kElevated;
    return target_elevated && !own_elevated ? kLimitedRights : ~0u;
  }
  // Another user's or LocalSystem's process grants its own user and SYSTEM;
  // an administrator sees it only from outside.
  return own_elevated ? kLimitedRights : 0u;
}

}  // namespace

DWORD SimProcessAccessError(pid_t pid, DWORD desired_access) {
  // An enabled debug privilege opens every process.
  if (SimOwnTokenEnables(kSimDebugLuid)) return ERROR_SUCCESS;
  SimIdentity target;
  if (!SimIdentityOfProcess(pid, &target)) return ERROR_ACCESS_DENIED;
  const DWORD granted = GrantedRights(SimOwnIdentity(), target);
  if (desired_access & kMaximumAllowed) return granted ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
  return (desired_access & ~granted) == 0 ? ERROR_SUCCESS : static_cast<DWORD>(ERROR_ACCESS_DENIED);
}
