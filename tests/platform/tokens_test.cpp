// What a token lets its program do, for the three ways the uninstaller runs:
// an elevated administrator, a standard user, LocalSystem (a service's
// process). Session tokens, session changes, linked tokens and starting a
// program with another's token need the system's privileges.
#include <unistd.h>

#include <map>
#include <sstream>
#include <string>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sessions.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "platform/sim/text/SimUnicode.h"
#include "tests/support/SimTestSupport.h"

namespace {

constexpr DWORD kCreateToken = 2, kAssignPrimary = 3, kTcb = 7, kDebug = 20;
const char kUserSid[] = "S-1-5-21-1004336348-1177238915-682003330-1001";

class TokenRulesTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    Make(false);
  }

  void Make(bool standard_user) {
    SimMachineOptions options;
    options.standard_user = standard_user;
    options.explorer_program = kSimprocPath;
    RecreateMachine(options);
    InstallHelper(u"C:\\Tools", "p.exe");
  }

  // Sets the privilege's enabled state in this program's token; the last
  // error after the call, and the attributes it had when it changed.
  static DWORD Adjust(DWORD luid, bool enable, DWORD* changed_from = nullptr) {
    HANDLE token = nullptr;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    TOKEN_PRIVILEGES wanted = {};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Luid.LowPart = luid;
    wanted.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    TOKEN_PRIVILEGES previous = {};
    DWORD length = 0;
    EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &wanted, sizeof(previous), &previous, &length));
    const DWORD error = GetLastError();
    if (changed_from) *changed_from = previous.PrivilegeCount ? previous.Privileges[0].Attributes : ~0u;
    CloseHandle(token);
    return error;
  }

  // The token of the user's shell, opened as the launchers open it.
  static HANDLE ShellToken() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    DWORD pid = 0;
    for (BOOL ok = Process32FirstW(snapshot, &entry); ok && !pid; ok = Process32NextW(snapshot, &entry))
      if (SimToUtf8(entry.szExeFile) == "explorer.exe") pid = entry.th32ProcessID;
    CloseHandle(snapshot);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    EXPECT_NE(process, nullptr) << GetLastError();
    HANDLE token = nullptr;
    EXPECT_TRUE(OpenProcessToken(process, TOKEN_ALL_ACCESS, &token));
    CloseHandle(process);
    return token;
  }

  static HANDLE OwnDuplicate() {
    HANDLE own = nullptr, duplicate = nullptr;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &own));
    EXPECT_TRUE(DuplicateTokenEx(own, MAXIMUM_ALLOWED, nullptr, SecurityIdentification,
                                 TokenPrimary, &duplicate));
    CloseHandle(own);
    return duplicate;
  }

  static TOKEN_TYPE TypeOf(HANDLE token) {
    TOKEN_TYPE type = TokenPrimary;
    DWORD size = 0;
    EXPECT_TRUE(GetTokenInformation(token, TokenType, &type, sizeof(type), &size));
    return type;
  }

  // Starts the helper with the token to report itself to C:\id.txt; the
  // report, or an empty one (and the last error in *error) when it did not start.
  std::map<std::string, std::string> StartAs(HANDLE token, DWORD* error = nullptr) {
    unlink(Real("Tools/id.txt").c_str());
    std::u16string line = u"C:\\Tools\\p.exe identity C:\\Tools\\id.txt exit 0";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::map<std::string, std::string> out;
    if (!CreateProcessAsUserW(token, nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info)) {
      if (error) *error = GetLastError();
      return out;
    }
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 20000), WAIT_OBJECT_0);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    std::istringstream in(ReadTextFile(Real("Tools/id.txt")));
    std::string text;
    while (std::getline(in, text)) {
      size_t space = text.find(' ');
      if (space != std::string::npos) out[text.substr(0, space)] = text.substr(space + 1);
    }
    return out;
  }
};

TEST_F(TokenRulesTest, AnElevatedAdministratorLacksWhatOnlyTheSystemHolds) {
  EXPECT_EQ(Adjust(kTcb, true), static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
  EXPECT_EQ(Adjust(kAssignPrimary, true), static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
  HANDLE token = nullptr;
  EXPECT_FALSE(WTSQueryUserToken(1, &token));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));

  // Its own token may go to a new program, but not to another session.
  HANDLE own = OwnDuplicate();
  DWORD session = 2, size = 0;
  EXPECT_FALSE(SetTokenInformation(own, TokenSessionId, &session, sizeof(session)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));
  ASSERT_TRUE(GetTokenInformation(own, TokenSessionId, &session, sizeof(session), &size));
  EXPECT_EQ(session, 1u);
  auto report = StartAs(own);
  EXPECT_EQ(report["elevation"], "2");
  EXPECT_EQ(report["user"], kUserSid);

  // The shell's token is the same user's, yet not its own: refused. Its
  // linked token comes for identification only and cannot become a primary one.
  HANDLE shell = ShellToken();
  DWORD error = 0;
  EXPECT_TRUE(StartAs(shell, &error).empty());
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));
  TOKEN_LINKED_TOKEN linked = {};
  ASSERT_TRUE(GetTokenInformation(shell, TokenLinkedToken, &linked, sizeof(linked), &size));
  EXPECT_EQ(TypeOf(linked.LinkedToken), TokenImpersonation);
  EXPECT_TRUE(StartAs(linked.LinkedToken, &error).empty());
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_BAD_TOKEN_TYPE));
  HANDLE primary = nullptr;
  EXPECT_FALSE(DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation,
                                TokenPrimary, &primary));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_IMPERSONATION_LEVEL));
  for (HANDLE h : {own, shell, linked.LinkedToken}) CloseHandle(h);
}

TEST_F(TokenRulesTest, AStandardUserCanNeitherDebugNorTakeSessionTokens) {
  Make(true);
  EXPECT_EQ(Adjust(kDebug, true), static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
  HANDLE token = nullptr;
  EXPECT_FALSE(WTSQueryUserToken(1, &token));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));
  HANDLE own = OwnDuplicate();
  auto report = StartAs(own);
  EXPECT_EQ(report["elevated"], "0");
  EXPECT_EQ(report["session"], "1");
  CloseHandle(own);
}

TEST_F(TokenRulesTest, LocalSystemHoldsTheServicePrivilegesInTheirDefaultStates) {
  if (!RunThisTestAsSystem()) return;
  DWORD was = 0;
  // Enabled from the start: nothing changes.
  for (DWORD luid : {kTcb, kDebug}) {
    EXPECT_EQ(Adjust(luid, true, &was), static_cast<DWORD>(ERROR_SUCCESS)) << luid;
    EXPECT_EQ(was, ~0u) << luid;
  }
  // Held, disabled until asked for.
  EXPECT_EQ(Adjust(kAssignPrimary, true, &was), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(was, 0u);
  // Not even the system's programs hold it.
  EXPECT_EQ(Adjust(kCreateToken, true), static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));

  HANDLE own = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own));
  DWORD session = 5, size = 0;
  ASSERT_TRUE(GetTokenInformation(own, TokenSessionId, &session, sizeof(session), &size));
  EXPECT_EQ(session, 0u);
  CloseHandle(own);

  // The session's token, its linked token as a primary one, both start programs.
  HANDLE user = nullptr;
  ASSERT_TRUE(WTSQueryUserToken(1, &user)) << GetLastError();
  auto report = StartAs(user);
  EXPECT_EQ(report["elevation"], "3");
  EXPECT_EQ(report["session"], "1");
  TOKEN_LINKED_TOKEN linked = {};
  ASSERT_TRUE(GetTokenInformation(user, TokenLinkedToken, &linked, sizeof(linked), &size));
  EXPECT_EQ(TypeOf(linked.LinkedToken), TokenPrimary);
  report = StartAs(linked.LinkedToken);
  EXPECT_EQ(report["elevation"], "2");
  EXPECT_EQ(report["user"], kUserSid);
  HANDLE moved = OwnDuplicate();
  session = 1;
  EXPECT_TRUE(SetTokenInformation(moved, TokenSessionId, &session, sizeof(session)));
  report = StartAs(moved);
  EXPECT_EQ(report["session"], "1");
  EXPECT_EQ(report["user"], "S-1-5-18");

  // What counts is the enabled state: without SeTcbPrivilege enabled, no
  // session token and no usable linked token.
  ASSERT_EQ(Adjust(kTcb, false), static_cast<DWORD>(ERROR_SUCCESS));
  HANDLE again = nullptr;
  EXPECT_FALSE(WTSQueryUserToken(1, &again));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));
  TOKEN_LINKED_TOKEN identification = {};
  ASSERT_TRUE(GetTokenInformation(user, TokenLinkedToken, &identification, sizeof(identification), &size));
  EXPECT_EQ(TypeOf(identification.LinkedToken), TokenImpersonation);
  for (HANDLE h : {user, linked.LinkedToken, moved, identification.LinkedToken}) CloseHandle(h);
}

TEST_F(TokenRulesTest, SimhostStartsAProgramAsAServiceWould) {
  auto run = RunCommand({kSimhostPath, "run", MachineDir(), "--as-system", "C:\\Tools\\p.exe",
                         "identity", "C:\\Tools\\id.txt", "exit", "4"});
  EXPECT_EQ(run.exit_code, 4) << run.err;
  const std::string report = ReadTextFile(Real("Tools/id.txt"));
  EXPECT_NE(report.find("session 0\n"), std::string::npos) << report;
  EXPECT_NE(report.find("user S-1-5-18\n"), std::string::npos) << report;
  EXPECT_NE(report.find("elevated 1\n"), std::string::npos) << report;
}

}  // namespace
