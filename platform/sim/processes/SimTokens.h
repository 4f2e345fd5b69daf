// Access tokens of the simulated host: the kernel object behind a token
// handle. Handles to one token share it (a session change or an enabled
// privilege shows through all of them); DuplicateTokenEx makes a new one.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/sessions.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/processes/SimSessions.h"

struct SimToken {
  std::mutex mutex;
  std::map<DWORD, DWORD> held;  // privileges by LUID, with their attributes
  SimIdentity identity;
  TOKEN_TYPE type = TokenPrimary;
  SECURITY_IMPERSONATION_LEVEL level = SecurityAnonymous;
  // The process token this one was duplicated from (itself for a process's
  // own token): a process may assign such a token without SeAssignPrimaryTokenPrivilege.
  const SimToken* lineage = nullptr;
};

class SimTokenObject : public SimObject {
 public:
  SimTokenObject(std::shared_ptr<SimToken> token, DWORD access)
      : token_(std::move(token)), access_(access) {}
  SimToken& State() { return *token_; }
  const std::shared_ptr<SimToken>& Token() const { return token_; }
  bool Allows(DWORD rights) const { return (access_ & rights) == rights; }
  DWORD Access() const { return access_; }

 private:
  std::shared_ptr<SimToken> token_;
  DWORD access_;
};

// A primary token for the identity, holding the privileges of its kind.
std::shared_ptr<SimToken> SimNewToken(const SimIdentity& identity);
// Gives a new token the privileges its kind holds (defined with the privilege table).
void SimFillPrivileges(SimToken* token);
// The privileges LocalSystem's token holds, with their default states.
void SimFillSystemPrivileges(SimToken* token);
// Whether this process's own token holds the privilege (by LUID), and whether
// it is enabled there: Windows checks the enabled state.
bool SimOwnTokenHolds(DWORD luid);
bool SimOwnTokenEnables(DWORD luid);
// ERROR_SUCCESS when this process may start a program with the token (its own
// token or a duplicate of it, or with SeAssignPrimaryTokenPrivilege held);
// ERROR_PRIVILEGE_NOT_HELD otherwise.
DWORD SimCheckAssignPrimary(const SimToken& token);

constexpr DWORD kSimAssignPrimaryTokenLuid = 3;
constexpr DWORD kSimTcbLuid = 7;
constexpr DWORD kSimDebugLuid = 20;

// The token object of this process (one per machine, so that tests on fresh
// machines start from a fresh token).
std::shared_ptr<SimToken> SimOwnToken();
