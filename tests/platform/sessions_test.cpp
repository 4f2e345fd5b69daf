// Sessions, users' tokens, SIDs and environment blocks of the simulated host.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/sessions.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "platform/system_info.h"
#include "tests/support/SimTestSupport.h"

namespace {

struct SessionRow {
  DWORD id;
  std::u16string station;
  WTS_CONNECTSTATE_CLASS state;
};

std::vector<SessionRow> Sessions() {
  PWTS_SESSION_INFOW list = nullptr;
  DWORD count = 0;
  EXPECT_TRUE(WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &list, &count));
  std::vector<SessionRow> rows;
  for (DWORD i = 0; i < count; ++i)
    rows.push_back({list[i].SessionId, list[i].pWinStationName, list[i].State});
  WTSFreeMemory(list);
  return rows;
}

template <class T>
T Query(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
  T value{};
  DWORD size = 0;
  EXPECT_TRUE(GetTokenInformation(token, kind, &value, sizeof(value), &size)) << kind;
  EXPECT_EQ(size, sizeof(T));
  return value;
}

// The token's groups by their binary SID, with their attributes.
std::vector<std::pair<std::string, DWORD>> Groups(HANDLE token) {
  DWORD size = 0;
  EXPECT_FALSE(GetTokenInformation(token, TokenGroups, nullptr, 0, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<BYTE> buffer(size);
  DWORD short_size = 0;
  EXPECT_FALSE(GetTokenInformation(token, TokenGroups, buffer.data(), size - 1, &short_size));
  EXPECT_EQ(short_size, size);
  EXPECT_TRUE(GetTokenInformation(token, TokenGroups, buffer.data(), size, &size));
  auto* groups = reinterpret_cast<TOKEN_GROUPS*>(buffer.data());
  std::vector<std::pair<std::string, DWORD>> out;
  const SID_AND_ATTRIBUTES* entries = groups->Groups;
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    auto* sid = static_cast<BYTE*>(entries[i].Sid);
    // The SIDs live in the caller's buffer, as on Windows.
    EXPECT_TRUE(sid >= buffer.data() && sid + GetLengthSid(sid) <= buffer.data() + buffer.size());
    out.push_back({std::string(reinterpret_cast<char*>(sid), GetLengthSid(sid)), entries[i].Attributes});
  }
  return out;
}

std::string BuiltinSid(DWORD rid) {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  EXPECT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, rid, 0, 0, 0, 0, 0, 0, &sid));
  std::string bytes(static_cast<char*>(sid), GetLengthSid(sid));
  FreeSid(sid);
  return bytes;
}

// Attributes of the group, or -1 when the token lacks it.
long long GroupAttributes(HANDLE token, const std::string& sid) {
  for (const auto& [group, attributes] : Groups(token))
    if (group == sid) return attributes;
  return -1;
}

HANDLE UserToken(ULONG session) {
  HANDLE token = nullptr;
  EXPECT_TRUE(WTSQueryUserToken(session, &token)) << GetLastError();
  return token;
}

HANDLE Linked(HANDLE token) {
  TOKEN_LINKED_TOKEN linked = {};
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenLinkedToken, &linked, sizeof(linked), &size)) return nullptr;
  return linked.LinkedToken;
}

class SessionsTest : public MachineTest {
 protected:
  void Recreate(bool active_session, bool standard_user) {
    SimMachineOptions options;
    options.active_session = active_session;
    options.standard_user = standard_user;
    RecreateMachine(options);
  }
};

TEST_F(SessionsTest, NewMachineHasServicesAndActiveConsoleSessions) {
  auto rows = Sessions();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].id, 0u);
  EXPECT_EQ(rows[0].station, u"Services");
  EXPECT_EQ(rows[0].state, WTSDisconnected);
  EXPECT_EQ(rows[1].id, 1u);
  EXPECT_EQ(rows[1].station, u"Console");
  EXPECT_EQ(rows[1].state, WTSActive);

  PWTS_SESSION_INFOW list = nullptr;
  DWORD count = 0;
  EXPECT_FALSE(WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 2, &list, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(WTSEnumerateSessionsW(reinterpret_cast<HANDLE>(0x40), 0, 1, &list, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SessionsTest, NobodyLoggedOnGivesNoToken) {
  // Session tokens are LocalSystem's to take: the checks run in a service-like child.
  if (!RunThisTestAsSystem()) return;
  Recreate(/*active_session=*/false, false);
  auto rows = Sessions();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].state, WTSConnected);
  HANDLE token = nullptr;
  for (ULONG session : {0u, 1u}) {
    EXPECT_FALSE(WTSQueryUserToken(session, &token));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_TOKEN)) << session;
  }
  EXPECT_FALSE(WTSQueryUserToken(5, &token));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(SessionsTest, AdministratorsSessionTokenIsLimitedAndLinkedToElevatedOne) {
  // Session tokens are LocalSystem's to take: the checks run in a service-like child.
  if (!RunThisTestAsSystem()) return;
  HANDLE limited = UserToken(1);
  EXPECT_EQ(Query<DWORD>(limited, TokenSessionId), 1u);
  EXPECT_EQ(Query<TOKEN_TYPE>(limited, TokenType), TokenPrimary);
  EXPECT_EQ(Query<TOKEN_ELEVATION_TYPE>(limited, TokenElevationType), TokenElevationTypeLimited);
  EXPECT_EQ(Query<TOKEN_ELEVATION>(limited, TokenElevation).TokenIsElevated, 0u);
  const std::string admins = BuiltinSid(DOMAIN_ALIAS_RID_ADMINS);
  const std::string users = BuiltinSid(DOMAIN_ALIAS_RID_USERS);
  EXPECT_EQ(GroupAttributes(limited, admins), SE_GROUP_USE_FOR_DENY_ONLY);
  EXPECT_TRUE(GroupAttributes(limited, users) & SE_GROUP_ENABLED);

  HANDLE elevated = Linked(limited);
  ASSERT_NE(elevated, nullptr);
  EXPECT_EQ(Query<TOKEN_ELEVATION_TYPE>(elevated, TokenElevationType), TokenElevationTypeFull);
  EXPECT_EQ(Query<TOKEN_ELEVATION>(elevated, TokenElevation).TokenIsElevated, 1u);
  EXPECT_TRUE(GroupAttributes(elevated, admins) & SE_GROUP_ENABLED);
  EXPECT_FALSE(GroupAttributes(elevated, admins) & SE_GROUP_USE_FOR_DENY_ONLY);
  HANDLE back = Linked(elevated);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(Query<TOKEN_ELEVATION_TYPE>(back, TokenElevationType), TokenElevationTypeLimited);

  // Both name the same user: the machine's interactive user.
  std::vector<BYTE> a(256), b(256);
  DWORD size = 0;
  ASSERT_TRUE(GetTokenInformation(limited, TokenUser, a.data(), 256, &size));
  ASSERT_TRUE(GetTokenInformation(elevated, TokenUser, b.data(), 256, &size));
  PSID user = reinterpret_cast<TOKEN_USER*>(a.data())->User.Sid;
  EXPECT_TRUE(EqualSid(user, reinterpret_cast<TOKEN_USER*>(b.data())->User.Sid));
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID expected = nullptr;  // S-1-5-21-1004336348-1177238915-682003330-1001
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 5, 21, 1004336348u, 1177238915u, 682003330u, 1001, 0,
                                       0, 0, &expected));
  EXPECT_TRUE(EqualSid(user, expected));
  FreeSid(expected);
  for (HANDLE h : {limited, elevated, back}) CloseHandle(h);
}

TEST_F(SessionsTest, StandardUserHasOneTokenWithoutAdministrators) {
  Recreate(true, /*standard_user=*/true);
  if (!IsTestChild()) {
    // The uninstaller itself runs with the standard token too.
    HANDLE own = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own));
    EXPECT_EQ(Query<TOKEN_ELEVATION>(own, TokenElevation).TokenIsElevated, 0u);
    CloseHandle(own);
  }
  // Session tokens are LocalSystem's to take: the checks run in a service-like child.
  if (!RunThisTestAsSystem()) return;
  HANDLE token = UserToken(1);
  EXPECT_EQ(Query<TOKEN_ELEVATION_TYPE>(token, TokenElevationType), TokenElevationTypeDefault);
  EXPECT_EQ(Query<TOKEN_ELEVATION>(token, TokenElevation).TokenIsElevated, 0u);
  EXPECT_EQ(GroupAttributes(token, BuiltinSid(DOMAIN_ALIAS_RID_ADMINS)), -1);
  EXPECT_NE(GroupAttributes(token, BuiltinSid(DOMAIN_ALIAS_RID_USERS)), -1);
  EXPECT_EQ(Linked(token), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_LOGON_SESSION));
  CloseHandle(token);
}

TEST_F(SessionsTest, OwnTokenIsTheInteractiveUsersElevatedOne) {
  HANDLE own = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own));
  EXPECT_EQ(Query<DWORD>(own, TokenSessionId), 1u);
  EXPECT_EQ(Query<TOKEN_ELEVATION_TYPE>(own, TokenElevationType), TokenElevationTypeFull);
  HANDLE query_only = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &query_only));
  DWORD session = 0, size = 0;
  EXPECT_FALSE(GetTokenInformation(query_only, TokenSessionId, &session, sizeof(session), &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(query_only);
  CloseHandle(own);
}

TEST_F(SessionsTest, DuplicateIsASeparateTokenOfTheAskedType) {
  // Session tokens are LocalSystem's to take: the checks run in a service-like child.
  if (!RunThisTestAsSystem()) return;
  HANDLE token = UserToken(1);
  HANDLE primary = nullptr, impersonation = nullptr;
  ASSERT_TRUE(DuplicateTokenEx(token, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation,
                               TokenPrimary, &primary));
  ASSERT_TRUE(DuplicateTokenEx(token, 0, nullptr, SecurityIdentification, TokenImpersonation,
                               &impersonation));
  EXPECT_EQ(Query<TOKEN_TYPE>(primary, TokenType), TokenPrimary);
  EXPECT_EQ(Query<TOKEN_TYPE>(impersonation, TokenType), TokenImpersonation);
  // An identification token cannot be made into a better impersonation one.
  HANDLE better = nullptr;
  EXPECT_FALSE(DuplicateTokenEx(impersonation, 0, nullptr, SecurityDelegation, TokenImpersonation,
                                &better));

  DWORD session = 2;
  ASSERT_TRUE(SetTokenInformation(primary, TokenSessionId, &session, sizeof(session)));
  EXPECT_EQ(Query<DWORD>(primary, TokenSessionId), 2u);
  EXPECT_EQ(Query<DWORD>(token, TokenSessionId), 1u);

  HANDLE read_only = nullptr;
  ASSERT_TRUE(DuplicateTokenEx(token, TOKEN_QUERY, nullptr, SecurityAnonymous, TokenPrimary, &read_only));
  EXPECT_FALSE(SetTokenInformation(read_only, TokenSessionId, &session, sizeof(session)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(DuplicateTokenEx(read_only, 0, nullptr, SecurityAnonymous, TokenPrimary, &better));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  for (HANDLE h : {token, primary, impersonation, read_only}) CloseHandle(h);
}

TEST(Sids, BinaryLayoutAndComparison) {
  const std::string admins = BuiltinSid(DOMAIN_ALIAS_RID_ADMINS);
  ASSERT_EQ(admins.size(), 16u);
  const unsigned char expected[16] = {1, 2, 0, 0, 0, 0, 0, 5, 0x20, 0, 0, 0, 0x20, 2, 0, 0};
  EXPECT_EQ(std::memcmp(admins.data(), expected, 16), 0);

  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID a = nullptr, b = nullptr, c = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                       0, 0, 0, 0, 0, 0, &a));
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                       0, 0, 0, 0, 0, 0, &b));
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS,
                                       0, 0, 0, 0, 0, 0, &c));
  EXPECT_TRUE(IsValidSid(a));
  EXPECT_TRUE(EqualSid(a, b));
  EXPECT_FALSE(EqualSid(a, c));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  PSID none = nullptr;
  EXPECT_FALSE(AllocateAndInitializeSid(&nt, 0, 0, 0, 0, 0, 0, 0, 0, 0, &none));
  EXPECT_FALSE(AllocateAndInitializeSid(&nt, 9, 0, 0, 0, 0, 0, 0, 0, 0, &none));
  EXPECT_EQ(FreeSid(a), nullptr);
  FreeSid(b);
  FreeSid(c);
}

// "NAME=value" strings of a block, in order.
std::vector<std::u16string> BlockEntries(const void* block) {
  std::vector<std::u16string> out;
  for (auto* p = static_cast<const char16_t*>(block); *p; p += out.back().size() + 1)
    out.push_back(p);
  return out;
}

TEST_F(SessionsTest, EnvironmentBlockHoldsTheMachineAndTheUsersVariablesSorted) {
  // Session tokens are LocalSystem's to take: the checks run in a service-like child.
  if (!RunThisTestAsSystem()) return;
  HANDLE token = UserToken(1);
  LPVOID block = nullptr;
  ASSERT_TRUE(CreateEnvironmentBlock(&block, token, FALSE));
  auto entries = BlockEntries(block);
  EXPECT_NE(std::find(entries.begin(), entries.end(), u"USERNAME=User"), entries.end());
  EXPECT_NE(std::find(entries.begin(), entries.end(), u"USERPROFILE=C:\\Users\\User"), entries.end());
  EXPECT_NE(std::find(entries.begin(), entries.end(), u"SystemRoot=C:\\Windows"), entries.end());
  for (size_t i = 1; i < entries.size(); ++i) {  // by name, regardless of case
    std::u16string a = entries[i - 1].substr(0, entries[i - 1].find(u'=', 1));
    std::u16string b = entries[i].substr(0, entries[i].find(u'=', 1));
    for (auto* s : {&a, &b})
      for (auto& ch : *s)
        if (ch >= u'a' && ch <= u'z') ch = static_cast<char16_t>(ch - 32);
    EXPECT_LT(a, b);
  }
  EXPECT_TRUE(DestroyEnvironmentBlock(block));
  CloseHandle(token);
}

TEST_F(SessionsTest, EntryPointsAreFoundByAnyCaseAndCanBeTakenAway) {
  HMODULE wtsapi = LoadLibraryW(u"WTSAPI32.DLL");
  ASSERT_NE(wtsapi, nullptr);
  auto same = [](FARPROC found, auto* function) {
    return reinterpret_cast<void (*)()>(found) == reinterpret_cast<void (*)()>(function);
  };
  EXPECT_TRUE(same(GetProcAddress(wtsapi, "WTSQueryUserToken"), &WTSQueryUserToken));
  HMODULE userenv = LoadLibraryW(u"UserEnv");
  ASSERT_NE(userenv, nullptr);
  EXPECT_TRUE(same(GetProcAddress(userenv, "CreateEnvironmentBlock"), &CreateEnvironmentBlock));
  EXPECT_TRUE(same(GetProcAddress(userenv, "DestroyEnvironmentBlock"), &DestroyEnvironmentBlock));

  auto machine = SimHost::Machine();
  ASSERT_TRUE(machine->SetFact("missing_libraries", "wtsapi32.dll"));
  ASSERT_TRUE(machine->SetFact("missing_entry_points", "userenv.dll!CreateEnvironmentBlock"));
  EXPECT_EQ(LoadLibraryW(u"wtsapi32.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(userenv, "CreateEnvironmentBlock"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_NE(GetProcAddress(userenv, "DestroyEnvironmentBlock"), nullptr);
}

}  // namespace
