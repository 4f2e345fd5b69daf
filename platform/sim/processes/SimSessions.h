// Users, terminal sessions and the identity of the machine's processes.
//
// A process inside the machine runs in a session, as a user, with a token of
// one kind. The layer hands these to every process it starts through the
// environment variables below; a process started without them (by a test or
// by `simhost run`) is the interactive user's elevated program in session 1.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/types.h"

class SimMachine;

#define SIMHOST_SESSION_VAR "SIMHOST_SESSION"
#define SIMHOST_USER_SID_VAR "SIMHOST_USER_SID"
#define SIMHOST_TOKEN_VAR "SIMHOST_TOKEN"
// The id of the process that started it, kept when that one ends.
#define SIMHOST_PARENT_PID_VAR "SIMHOST_PARENT_PID"

// elevated: an administrator's full token; limited: the filtered token of an
// administrator under UAC; standard: the only token of a standard user.
enum class SimTokenKind { kElevated, kLimited, kStandard };
const char* SimTokenKindName(SimTokenKind kind);
bool SimParseTokenKind(const std::string& text, SimTokenKind* kind);

struct SimUser {
  std::string name;
  std::string sid;
  bool admin = false;
  bool split_token = false;  // an administrator with a limited token linked to an elevated one
};

struct SimSession {
  DWORD id = 0;
  std::string station;
  int state = 0;     // WTS_CONNECTSTATE_CLASS
  std::string user;  // empty: nobody logged on
};

struct SimIdentity {
  DWORD session = 1;
  std::string user_sid;
  SimTokenKind kind = SimTokenKind::kElevated;
};

// LocalSystem as a service's process has it: session 0, S-1-5-18.
SimIdentity SimSystemIdentity();
bool SimIsSystemIdentity(const SimIdentity& identity);

// "Active", "Disconnected" ... (WTS_CONNECTSTATE_CLASS without its prefix).
const char* SimSessionStateName(int state);

std::vector<SimUser> SimListUsers(SimMachine& machine);
bool SimFindUserBySid(SimMachine& machine, const std::string& sid, SimUser* user);
bool SimFindUserByName(SimMachine& machine, const std::string& name, SimUser* user);
std::vector<SimSession> SimListSessions(SimMachine& machine);

// The token kind a user's first token has: limited for a split-token
// administrator, elevated for another administrator, standard otherwise.
SimTokenKind SimLogonKind(const SimUser& user);

// The interactive user's elevated program in session 1.
SimIdentity SimDefaultIdentity(SimMachine* machine);
// This process's identity (taken once, at first use).
SimIdentity SimOwnIdentity();
// Another process's identity, from the environment it was started with;
// false when it cannot be read.
bool SimIdentityOfProcess(pid_t pid, SimIdentity* identity);
// "NAME=value" entries that give a new process the identity.
std::vector<std::string> SimIdentityEnvironment(const SimIdentity& identity);
// Whether an environment entry ("NAME=value") is one the layer sets itself
// when it starts a process (machine, identity, command line, start-up data).
bool SimIsHostVariable(const char* entry);

// Hands wtsapi32.dll's and userenv.dll's entry points to GetProcAddress
// (also done at start-up wherever the session functions are linked in).
void SimRegisterSessionEntryPoints();

// Starts the shell of the interactive user (C:\Windows\explorer.exe) on its
// own, so that it outlives the caller; false when session 1 has no user or
// the program is missing.
bool SimStartExplorer(SimMachine& machine);
