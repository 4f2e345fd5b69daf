// The three launchers and their token sources on machines with and without an
// active session, an explorer, an administrator user and the run-time entry
// points; run by an elevated administrator, a standard user and LocalSystem.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <sstream>
#include <string>
#include <tuple>

#include "engine/ZRunningProcesses.h"
#include "engine/ZSessionLauncher.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "platform/system_info.h"
#include "report/ZEnvironmentFacts.h"
#include "tests/support/SimTestSupport.h"

namespace {

const char kUserSid[] = "S-1-5-21-1004336348-1177238915-682003330-1001";
const std::u16string kProgram = u"C:\\Tools\\p.exe";

class SessionLauncherTest : public MachineTest {
 protected:
  void Machine(bool explorer, bool active_session = true, int os_major = 10, int os_minor = 0,
               bool standard_user = false) {
    SimMachineOptions options;
    options.standard_user = standard_user;
    options.explorer_program = kSimprocPath;
    options.start_explorer = explorer;
    options.active_session = active_session;
    options.os_major = os_major;
    options.os_minor = os_minor;
    options.os_build = SimDefaultBuild(2, os_major, os_minor);
    RecreateMachine(options);
    InstallHelper(u"C:\\Tools", "p.exe");
  }

  // What the started helper wrote about itself; empty when nothing started.
  std::map<std::string, std::string> Started(int wait_ms = 5000) {
    std::map<std::string, std::string> out;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    std::string text;
    while ((text = ReadTextFile(Real("Tools/id.txt"))).find("cmdline ") == std::string::npos &&
           std::chrono::steady_clock::now() < until)
      Sleep(20);
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      size_t space = line.find(' ');
      if (space != std::string::npos) out[line.substr(0, space)] = line.substr(space + 1);
    }
    return out;
  }

  // Arguments that make the helper report itself and then exit with code.
  static std::u16string Report(int code) {
    return u"identity C:\\Tools\\id.txt exit " + std::u16string(1, static_cast<char16_t>(u'0' + code));
  }
};

TEST_F(SessionLauncherTest, DirectRunsAsTheUninstallerWithTheQuotedCommandLine) {
  Machine(false);
  DWORD code = 77;
  ASSERT_EQ(LaunchDirect(kProgram, Report(3), true, 10000, &code), 1);
  EXPECT_EQ(code, 3u);
  auto report = Started();
  EXPECT_EQ(report["cmdline"], "\"C:\\Tools\\p.exe\" identity C:\\Tools\\id.txt exit 3");
  EXPECT_EQ(report["session"], "1");
  EXPECT_EQ(report["show"], "10");  // SW_SHOWDEFAULT

  // Empty arguments: the blank after the quote stays. Without a wait the
  // exit code is never touched.
  code = 77;
  setenv("SIMPROC_IDENTITY", "C:\\Tools\\id2.txt", 1);
  ASSERT_EQ(LaunchDirect(kProgram, u"", false, 0, &code), 1);
  unsetenv("SIMPROC_IDENTITY");
  EXPECT_EQ(code, 77u);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  std::string text;
  while ((text = ReadTextFile(Real("Tools/id2.txt"))).find("cmdline") == std::string::npos &&
         std::chrono::steady_clock::now() < until)
    Sleep(20);
  EXPECT_NE(text.find("cmdline \"C:\\Tools\\p.exe\" \n"), std::string::npos) << text;
  EXPECT_NE(text.find("show 0\n"), std::string::npos) << text;

  EXPECT_EQ(LaunchDirect(u"C:\\Tools\\missing.exe", u"", false, 1000, &code), 0);
}

TEST_F(SessionLauncherTest, AWaitThatRunsOutLeavesTheExitCodeAsItWas) {
  Machine(false);
  DWORD code = 0xFFFFFFFFu;
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(LaunchDirect(kProgram, u"sleep", false, 300, &code), 1);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(250));
  EXPECT_EQ(code, 0xFFFFFFFFu);
}

TEST_F(SessionLauncherTest, SessionLaunchersUseTheActiveUsersTokens) {
  if (!RunThisTestAsSystem()) return;  // session tokens are LocalSystem's to take
  Machine(false);
  DWORD session = 0;
  EXPECT_EQ(GetActiveSessionId(&session), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(session, 1u);

  DWORD code = 77;
  ASSERT_EQ(LaunchAsSessionUser(kProgram, Report(0), false, 10000, &code), 1);
  EXPECT_EQ(code, 0u);
  auto report = Started();
  EXPECT_EQ(report["session"], "1");
  EXPECT_EQ(report["user"], kUserSid);
  EXPECT_EQ(report["elevated"], "0");
  EXPECT_EQ(report["show"], "0");
  EXPECT_EQ(report["desktop"], "Winsta0\\Default");

  // The administrator launcher takes the user's linked, elevated token.
  ASSERT_TRUE(DeleteFileW(u"C:\\Tools\\id.txt"));
  ASSERT_EQ(LaunchAsSessionAdmin(kProgram, Report(0), true, 10000, &code), 1);
  report = Started();
  EXPECT_EQ(report["elevated"], "1");
  EXPECT_EQ(report["user"], kUserSid);
  EXPECT_EQ(report["show"], "5");
  EXPECT_EQ(LaunchAsSessionAdmin(u"", Report(0), true, 10000, &code), 0);
  EXPECT_EQ(LaunchAsSessionUser(u"", Report(0), true, 10000, &code), 0);
}

// Every system with UAC (6.0 on, Windows 10 and 11 reporting 10.0) takes the
// linked token; Windows XP has none and keeps the user's own.
TEST_F(SessionLauncherTest, SystemsWithUacTakeTheLinkedTokenForTheAdministratorLauncher) {
  if (!RunThisTestAsSystem()) return;  // session tokens are LocalSystem's to take
  for (const auto& [major, minor, elevated] :
       {std::tuple{10, 0, "1"}, std::tuple{6, 1, "1"}, std::tuple{5, 1, "0"}}) {
    SCOPED_TRACE(std::to_string(major) + "." + std::to_string(minor));
    Machine(false, true, major, minor);
    DWORD code = 77;
    ASSERT_EQ(LaunchAsSessionAdmin(kProgram, Report(0), false, 10000, &code), 1);
    auto report = Started();
    EXPECT_EQ(report["elevated"], elevated);
    EXPECT_EQ(report["user"], kUserSid);
    EXPECT_EQ(report["session"], "1");
  }
}

TEST_F(SessionLauncherTest, WithoutTheSessionTokenQueryTheExplorerLendsItsToken) {
  if (!RunThisTestAsSystem()) return;  // session tokens are LocalSystem's to take
  Machine(true);
  ASSERT_TRUE(SimHost::Machine()->SetFact("missing_entry_points", "wtsapi32.dll!WTSQueryUserToken"));
  HANDLE token = nullptr;
  ASSERT_EQ(GetExplorerToken(&token), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(token);
  DWORD code = 77;
  ASSERT_EQ(LaunchAsSessionUser(kProgram, Report(0), false, 10000, &code), 1);
  auto report = Started();
  EXPECT_EQ(report["user"], kUserSid);
  EXPECT_EQ(report["session"], "1");
  EXPECT_EQ(code, 0u);
}

TEST_F(SessionLauncherTest, NoSessionUserAndNoExplorerStartNothing) {
  Machine(false, false);
  DWORD session = 5;
  EXPECT_EQ(GetActiveSessionId(&session), static_cast<DWORD>(ERROR_NOT_FOUND));
  HANDLE token = nullptr;
  EXPECT_NE(GetInteractiveUserToken(&token), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(token, nullptr);
  DWORD code = 77;
  EXPECT_EQ(LaunchAsSessionAdmin(kProgram, Report(0), false, 1000, &code), 0);
  EXPECT_EQ(LaunchAsSessionUser(kProgram, Report(0), false, 1000, &code), 0);
  EXPECT_EQ(code, 77u);
  EXPECT_FALSE(PathExists(Real("Tools/id.txt")));
  // The uninstaller itself can still start it.
  EXPECT_EQ(LaunchDirect(kProgram, Report(0), false, 10000, &code), 1);
  EXPECT_EQ(code, 0u);
}

TEST_F(SessionLauncherTest, MissingLibrariesFallBackToTheExplorerAndNoEnvironmentBlock) {
  if (!RunThisTestAsSystem()) return;  // session tokens are LocalSystem's to take
  Machine(true);
  ASSERT_TRUE(SimHost::Machine()->SetFact("missing_libraries", "wtsapi32.dll, userenv.dll"));
  DWORD code = 77;
  ASSERT_EQ(LaunchAsSessionUser(kProgram, Report(0), false, 10000, &code), 1);
  EXPECT_EQ(code, 0u);
  auto report = Started();
  EXPECT_EQ(report["user"], kUserSid);
  EXPECT_EQ(report["session"], "1");
}

// Every library the launchers, the process handling and the system facts
// load comes from the system folder by its full path, never by bare name.
TEST_F(SessionLauncherTest, LibrariesComeFromTheSystemFolderByPath) {
  if (!RunThisTestAsSystem()) return;  // session tokens are LocalSystem's to take
  Machine(true);
  const DWORD bare = SimBareNameLibraryLoads();
  const DWORD system = SimSystemPathLibraryLoads();
  DWORD code = 77;
  ASSERT_EQ(LaunchAsSessionAdmin(kProgram, Report(0), false, 10000, &code), 1);
  ASSERT_EQ(LaunchAsSessionUser(kProgram, Report(0), false, 10000, &code), 1);
  uint32_t ended = 0;
  TerminateProcessesByImage(u"C:\\Tools\\none.exe", &ended);
  EXPECT_NE(ComputeOsKind(), 0);
  ComputeNative64Bit();
  std::vector<std::u16string> parents;
  GetParentProcessPath(GetCurrentProcessId(), 0, &parents);
  EXPECT_EQ(SimBareNameLibraryLoads(), bare);
  // wtsapi32 and userenv twice each, PSAPI, ntdll, kernel32 at least.
  EXPECT_GE(SimSystemPathLibraryLoads(), system + 7);
}

// An elevated administrator holds neither SeTcbPrivilege nor
// SeAssignPrimaryTokenPrivilege: no session token, an identification-only
// linked token, and the shell's token refused. Only the direct launch runs.
TEST_F(SessionLauncherTest, FromAnElevatedAdministratorOnlyTheDirectLaunchRuns) {
  Machine(true);
  HANDLE token = nullptr;
  ASSERT_EQ(GetExplorerToken(&token), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(token);
  DWORD code = 77;
  EXPECT_EQ(LaunchAsSessionAdmin(kProgram, Report(0), false, 10000, &code), 0);
  EXPECT_EQ(LaunchAsSessionUser(kProgram, Report(0), false, 10000, &code), 0);
  EXPECT_EQ(code, 77u);
  EXPECT_FALSE(PathExists(Real("Tools/id.txt")));
  ASSERT_EQ(LaunchDirect(kProgram, Report(0), false, 10000, &code), 1);
  EXPECT_EQ(code, 0u);
  auto report = Started();
  EXPECT_EQ(report["session"], "1");
  EXPECT_EQ(report["elevated"], "1");
}

// A standard user's shell token has no administrators: the administrator
// launcher takes the uninstaller's own token (its session cannot be changed
// without SeTcbPrivilege, and it is the active one already); the user
// launcher may not assign the shell's token.
TEST_F(SessionLauncherTest, AStandardUsersAdministratorLaunchRunsWithItsOwnToken) {
  Machine(true, true, 10, 0, /*standard_user=*/true);
  DWORD code = 77;
  ASSERT_EQ(LaunchAsSessionAdmin(kProgram, Report(0), false, 10000, &code), 1);
  EXPECT_EQ(code, 0u);
  auto report = Started();
  EXPECT_EQ(report["session"], "1");
  EXPECT_EQ(report["user"], kUserSid);
  EXPECT_EQ(report["elevated"], "0");
  ASSERT_TRUE(DeleteFileW(u"C:\\Tools\\id.txt"));
  code = 77;
  EXPECT_EQ(LaunchAsSessionUser(kProgram, Report(0), false, 10000, &code), 0);
  EXPECT_EQ(code, 77u);
}

}  // namespace
