// What a token lets its process do: LocalSystem's privileges, and the checks
// that calls needing SeTcbPrivilege or SeAssignPrimaryTokenPrivilege make.
#include <mutex>

#include "platform/processes.h"
#include "platform/sim/processes/SimTokens.h"

namespace {

constexpr DWORD kOn = SE_PRIVILEGE_ENABLED | SE_PRIVILEGE_ENABLED_BY_DEFAULT;

struct SystemPrivilege {
  DWORD luid;
  DWORD attributes;
};

// LocalSystem's token as a service's process gets it: SeCreateTokenPrivilege
// stays with the security subsystem; the rest as Windows sets them.
const SystemPrivilege kSystemPrivileges[] = {
    {3, 0},    // SeAssignPrimaryTokenPrivilege
    {4, kOn},  // SeLockMemoryPrivilege
    {5, 0},    // SeIncreaseQuotaPrivilege
    {7, kOn},  // SeTcbPrivilege
    {8, 0},    // SeSecurityPrivilege
    {9, 0},    // SeTakeOwnershipPrivilege
    {10, 0},   // SeLoadDriverPrivilege
    {11, kOn}, // SeSystemProfilePrivilege
    {12, 0},   // SeSystemtimePrivilege
    {13, kOn}, // SeProfileSingleProcessPrivilege
    {14, kOn}, // SeIncreaseBasePriorityPrivilege
    {15, kOn}, // SeCreatePagefilePrivilege
    {16, kOn}, // SeCreatePermanentPrivilege
    {17, 0},   // SeBackupPrivilege
    {18, 0},   // SeRestorePrivilege
    {19, 0},   // SeShutdownPrivilege
    {20, kOn}, // SeDebugPrivilege
    {21, kOn}, // SeAuditPrivilege
    {22, 0},   // SeSystemEnvironmentPrivilege
    {23, kOn}, // SeChangeNotifyPrivilege
    {25, 0},   // SeUndockPrivilege
    {28, 0},   // SeManageVolumePrivilege
    {29, kOn}, // SeImpersonatePrivilege
    {30, kOn}, // SeCreateGlobalPrivilege
    {33, kOn}, // SeIncreaseWorkingSetPrivilege
    {34, kOn}, // SeTimeZonePrivilege
    {35, kOn}, // SeCreateSymbolicLinkPrivilege
};

DWORD OwnAttributes(DWORD luid, bool* held) {
  std::shared_ptr<SimToken> own = SimOwnToken();
  std::lock_guard<std::mutex> guard(own->mutex);
  auto it = own->held.find(luid);
  *held = it != own->held.end();
  return *held ? it->second : 0;
}

}  // namespace

void SimFillSystemPrivileges(SimToken* token) {
  for (const auto& p : kSystemPrivileges) token->held[p.luid] = p.attributes;
}

bool SimOwnTokenHolds(DWORD luid) {
  bool held = false;
  OwnAttributes(luid, &held);
  return held;
}

bool SimOwnTokenEnables(DWORD luid) {
  bool held = false;
  return (OwnAttributes(luid, &held) & SE_PRIVILEGE_ENABLED) != 0;
}

DWORD SimCheckAssignPrimary(const SimToken& token) {
  std::shared_ptr<SimToken> own = SimOwnToken();
  if (&token == own.get() || token.lineage == own.get()) return ERROR_SUCCESS;
  // CreateProcessAsUserW enables the privilege itself when the token holds it.
  return SimOwnTokenHolds(kSimAssignPrimaryTokenLuid) ? static_cast<DWORD>(ERROR_SUCCESS)
                                                       : static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD);
}
