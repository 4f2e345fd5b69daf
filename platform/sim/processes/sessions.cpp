// Terminal sessions and user environment blocks on the simulated host: the
// machine's sessions and users tables.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/sessions.h"
#include "platform/sim/core/SimEnvironment.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/processes/SimTokens.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/system_info.h"

namespace {

// The variables that name a user rather than the machine.
SimEnvironmentList UserVariables(SimMachine& machine, const SimIdentity& identity) {
  SimUser user;
  if (!SimFindUserBySid(machine, identity.user_sid, &user)) return {};
  const std::u16string name = SimToUtf16(user.name);
  const std::u16string computer = SimToUtf16(machine.Fact("computer_name"));
  const bool system = user.sid == "S-1-5-18";
  const std::u16string profile =
      system ? u"C:\\Windows\\system32\\config\\systemprofile" : u"C:\\Users\\" + name;
  const std::u16string temp = system ? u"C:\\Windows\\TEMP" : profile + u"\\AppData\\Local\\Temp";
  return {
      {u"USERNAME", system ? computer + u"$" : name},
      {u"USERDOMAIN", computer},
      {u"USERPROFILE", profile},
      {u"HOMEDRIVE", u"C:"},
      {u"HOMEPATH", profile.substr(2)},
      {u"APPDATA", profile + u"\\AppData\\Roaming"},
      {u"LOCALAPPDATA", profile + u"\\AppData\\Local"},
      {u"TEMP", temp},
      {u"TMP", temp},
  };
}

template <class F>
FARPROC EntryPoint(F* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

const bool kEntryPointsRegistered = [] {
  SimRegisterSessionEntryPoints();
  return true;
}();

}  // namespace

void SimRegisterSessionEntryPoints() {
  SimRegisterEntryPoint("wtsapi32.dll", "WTSQueryUserToken", EntryPoint(&WTSQueryUserToken));
  SimRegisterEntryPoint("wtsapi32.dll", "WTSEnumerateSessionsW", EntryPoint(&WTSEnumerateSessionsW));
  SimRegisterEntryPoint("wtsapi32.dll", "WTSFreeMemory", EntryPoint(&WTSFreeMemory));
  SimRegisterEntryPoint("userenv.dll", "CreateEnvironmentBlock", EntryPoint(&CreateEnvironmentBlock));
  SimRegisterEntryPoint("userenv.dll", "DestroyEnvironmentBlock",
                        EntryPoint(&DestroyEnvironmentBlock));
}

BOOL WTSEnumerateSessionsW(HANDLE server, DWORD reserved, DWORD version,
                           PWTS_SESSION_INFOW* sessions, DWORD* count) {
  if (server != WTS_CURRENT_SERVER_HANDLE) return SimFail(ERROR_INVALID_HANDLE);
  if (reserved != 0 || version != 1 || !sessions || !count) return SimFail(ERROR_INVALID_PARAMETER);
  auto machine = SimHost::Machine();
  std::vector<SimSession> list;
  if (machine) list = SimListSessions(*machine);
  // One allocation: the array, then the station names it points to.
  size_t size = list.size() * sizeof(WTS_SESSION_INFOW);
  std::vector<std::u16string> names;
  for (const auto& s : list) {
    names.push_back(SimToUtf16(s.station));
    size += (names.back().size() + 1) * sizeof(char16_t);
  }
  auto* memory = static_cast<BYTE*>(std::malloc(size ? size : 1));
  if (!memory) return SimFail(ERROR_NOT_ENOUGH_MEMORY);
  auto* array = reinterpret_cast<WTS_SESSION_INFOW*>(memory);
  auto* text = reinterpret_cast<char16_t*>(memory + list.size() * sizeof(WTS_SESSION_INFOW));
  for (size_t i = 0; i < list.size(); ++i) {
    std::memcpy(text, names[i].c_str(), (names[i].size() + 1) * sizeof(char16_t));
    array[i].SessionId = list[i].id;
    array[i].pWinStationName = text;
    array[i].State = static_cast<WTS_CONNECTSTATE_CLASS>(list[i].state);
    text += names[i].size() + 1;
  }
  *sessions = array;
  *count = static_cast<DWORD>(list.size());
  return TRUE;
}

void WTSFreeMemory(PVOID memory) { std::free(memory); }

BOOL WTSQueryUserToken(ULONG session_id, PHANDLE token) {
  (void)kEntryPointsRegistered;
  if (!token) return SimFail(ERROR_INVALID_PARAMETER);
  auto machine = SimHost::Machine();
  if (!machine) return SimFail(ERROR_FILE_NOT_FOUND);
  // Only LocalSystem's programs (services) hold the privilege, enabled.
  if (!SimOwnTokenEnables(kSimTcbLuid)) return SimFail(ERROR_PRIVILEGE_NOT_HELD);
  for (const auto& session : SimListSessions(*machine)) {
    if (session.id != session_id) continue;
    SimUser user;
    if (session.user.empty() || !SimFindUserByName(*machine, session.user, &user))
      return SimFail(ERROR_NO_TOKEN);
    // A split-token administrator's session token is the limited one; its
    // linked token is the elevated one.
    SimIdentity identity;
    identity.session = session.id;
    identity.user_sid = user.sid;
    identity.kind = SimLogonKind(user);
    *token = SimHandles::Add(
        std::make_shared<SimTokenObject>(SimNewToken(identity), TOKEN_ALL_ACCESS));
    return TRUE;
  }
  return SimFail(ERROR_FILE_NOT_FOUND);
}

BOOL CreateEnvironmentBlock(LPVOID* environment, HANDLE token, BOOL inherit) {
  if (!environment) return SimFail(ERROR_INVALID_PARAMETER);
  auto machine = SimHost::Machine();
  if (!machine) return SimFail(ERROR_FILE_NOT_FOUND);
  SimEnvironmentList list = inherit ? SimProcessEnvironment() : SimMachineEnvironment();
  if (token) {
    auto object = SimHandles::GetAs<SimTokenObject>(token);
    if (!object) return SimFail(ERROR_INVALID_HANDLE);
    if (!object->Allows(TOKEN_QUERY)) return SimFail(ERROR_ACCESS_DENIED);
    SimIdentity identity;
    {
      std::lock_guard<std::mutex> guard(object->State().mutex);
      identity = object->State().identity;
    }
    for (auto& entry : UserVariables(*machine, identity)) list.push_back(entry);
  }
  list = SimSortedEnvironment(list);
  std::u16string block;
  for (const auto& [name, value] : list) {
    block += name + u"=" + value;
    block += u'\0';
  }
  block += u'\0';
  if (list.empty()) block += u'\0';  // an empty block is two zeros
  auto* memory = static_cast<char16_t*>(std::malloc(block.size() * sizeof(char16_t)));
  if (!memory) return SimFail(ERROR_NOT_ENOUGH_MEMORY);
  std::memcpy(memory, block.data(), block.size() * sizeof(char16_t));
  *environment = memory;
  return TRUE;
}

BOOL DestroyEnvironmentBlock(LPVOID environment) {
  if (!environment) return SimFail(ERROR_INVALID_PARAMETER);
  std::free(environment);
  return TRUE;
}
