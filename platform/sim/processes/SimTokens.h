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
// The token object of this process (one per machine, so that tests on fresh
// machines start from a fresh token).
std::shared_ptr<SimToken> SimOwnToken();
