// Starting programs of the machine (CreateProcessW, CreateProcessAsUserW) and
// process snapshots. The started helper program reports what it received to
// a file of the machine.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sessions.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "platform/sim/text/SimUnicode.h"
#include "tests/support/SimTestSupport.h"

namespace {

class ProcessCreateTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    InstallHelper(u"C:\\Tools", "p.exe");
  }

  // Starts the command line (as a token's user when one is given) and waits
  // for its end; the exit code, or -1 when it could not start.
  long long Run(const std::u16string& command_line, HANDLE token = nullptr,
                STARTUPINFOW* startup = nullptr, LPVOID environment = nullptr) {
    STARTUPINFOW plain = {};
    plain.cb = sizeof(plain);
    std::u16string line = command_line;
    PROCESS_INFORMATION info = {};
    BOOL ok = token ? CreateProcessAsUserW(token, nullptr, line.data(), nullptr, nullptr, FALSE,
                                           CREATE_UNICODE_ENVIRONMENT, environment, nullptr,
                                           startup ? startup : &plain, &info)
                    : CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE,
                                     CREATE_UNICODE_ENVIRONMENT, environment, nullptr,
                                     startup ? startup : &plain, &info);
    if (!ok) return -1;
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return code;
  }

  // The "name value" lines the helper wrote to C:\Tools\out.txt.
  std::map<std::string, std::string> Report() {
    std::map<std::string, std::string> out;
    std::istringstream in(ReadTextFile(Real("Tools/out.txt")));
    std::string line;
    while (std::getline(in, line)) {
      size_t space = line.find(' ');
      out[line.substr(0, space)] = space == std::string::npos ? "" : line.substr(space + 1);
    }
    return out;
  }

  HANDLE SessionToken() {
    HANDLE token = nullptr;
    EXPECT_TRUE(WTSQueryUserToken(1, &token));
    return token;
  }
};

const char kUserSid[] = "S-1-5-21-1004336348-1177238915-682003330-1001";

TEST_F(ProcessCreateTest, AsUserRunsWithTheTokensIdentityAndStartupInformation) {
  // Session tokens are LocalSystem's to take: the checks run in a service-like child.
  if (!RunThisTestAsSystem()) return;
  HANDLE limited = SessionToken();
  std::u16string desktop = u"winsta0\\default";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.lpDesktop = desktop.data();
  ASSERT_EQ(Run(u"C:\\Tools\\p.exe identity C:\\Tools\\out.txt exit 3", limited, &startup), 3);
  auto report = Report();
  EXPECT_EQ(report["session"], "1");
  EXPECT_EQ(report["user"], kUserSid);
  EXPECT_EQ(report["elevation"], "3");  // TokenElevationTypeLimited
  EXPECT_EQ(report["elevated"], "0");
  EXPECT_EQ(report["show"], "0");
  EXPECT_EQ(report["desktop"], "winsta0\\default");

  // The elevated token, moved to another session.
  TOKEN_LINKED_TOKEN linked = {};
  DWORD size = 0;
  ASSERT_TRUE(GetTokenInformation(limited, TokenLinkedToken, &linked, sizeof(linked), &size));
  HANDLE moved = nullptr;
  ASSERT_TRUE(DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation,
                               TokenPrimary, &moved));
  DWORD session = 2;
  ASSERT_TRUE(SetTokenInformation(moved, TokenSessionId, &session, sizeof(session)));
  unlink(Real("Tools/out.txt").c_str());
  ASSERT_EQ(Run(u"C:\\Tools\\p.exe identity C:\\Tools\\out.txt exit 0", moved), 0);
  report = Report();
  EXPECT_EQ(report["session"], "2");
  EXPECT_EQ(report["elevation"], "2");  // TokenElevationTypeFull
  EXPECT_EQ(report["elevated"], "1");
  EXPECT_EQ(report["show"], "10");  // no show flag given: SW_SHOWDEFAULT

  // Only a primary token with the rights to start a program will do.
  HANDLE impersonation = nullptr, query_only = nullptr;
  ASSERT_TRUE(DuplicateTokenEx(limited, 0, nullptr, SecurityImpersonation, TokenImpersonation,
                               &impersonation));
  ASSERT_TRUE(DuplicateTokenEx(limited, TOKEN_QUERY, nullptr, SecurityAnonymous, TokenPrimary,
                               &query_only));
  EXPECT_EQ(Run(u"C:\\Tools\\p.exe exit 0", impersonation), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_TOKEN_TYPE));
  EXPECT_EQ(Run(u"C:\\Tools\\p.exe exit 0", query_only), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  for (HANDLE h : {limited, linked.LinkedToken, moved, impersonation, query_only}) CloseHandle(h);
}

TEST_F(ProcessCreateTest, CreateProcessKeepsTheCallersIdentity) {
  // From this process: the interactive user's elevated program.
  ASSERT_EQ(Run(u"C:\\Tools\\p.exe identity C:\\Tools\\out.txt exit 0"), 0);
  if (!IsTestChild()) {
    EXPECT_EQ(Report()["elevation"], "2");
  }
  unlink(Real("Tools/out.txt").c_str());
  // Session tokens are LocalSystem's to take: the checks run in a service-like child.
  if (!RunThisTestAsSystem()) return;
  // From a program started with the limited token: limited too.
  HANDLE limited = SessionToken();
  ASSERT_EQ(Run(u"C:\\Tools\\p.exe start \"C:\\Tools\\p.exe identity C:\\Tools\\out.txt exit 0\" exit 0",
                limited),
            0);
  auto report = Report();
  EXPECT_EQ(report["elevation"], "3");
  EXPECT_EQ(report["session"], "1");
  EXPECT_EQ(report["cmdline"], "C:\\Tools\\p.exe identity C:\\Tools\\out.txt exit 0");
  CloseHandle(limited);
}

TEST_F(ProcessCreateTest, TheCommandLineReachesTheProgramUnchanged) {
  const std::u16string lines[] = {
      u"\"C:\\Tools\\p.exe\" ",  // an empty tail stays
      u"  C:\\Tools\\p   exit  0 \"a \\\"b\\\" c\" ",
      u"\"C:\\Tools\\P.EXE\"exit 0",
  };
  for (const auto& line : lines) {
    unlink(Real("Tools/out.txt").c_str());
    setenv("SIMPROC_IDENTITY", "C:\\Tools\\out.txt", 1);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::u16string writable = line;
    BOOL ok = CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &info);
    unsetenv("SIMPROC_IDENTITY");
    ASSERT_TRUE(ok) << SimToUtf8(line) << " " << GetLastError();
    // Without "exit" the helper waits; its report is written first.
    for (int i = 0; i < 1000 && Report()["cmdline"].empty(); ++i) Sleep(10);
    TerminateProcess(info.hProcess, 1);
    EXPECT_EQ(Report()["cmdline"], SimToUtf8(line));
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
}

TEST_F(ProcessCreateTest, WaitTimesOutWhileRunningAndTheExitCodeOutlivesTheProcess) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::u16string line = u"C:\\Tools\\p.exe sleep";
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &info));
  EXPECT_NE(info.dwProcessId, 0u);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 50), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForSingleObject(info.hThread, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  ASSERT_TRUE(TerminateProcess(info.hProcess, 9));
  EXPECT_EQ(WaitForSingleObject(info.hThread, 5000), WAIT_OBJECT_0);
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 9u);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);

  line = u"C:\\Tools\\p.exe exit 7";
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &info));
  const std::string proc = "/proc/" + std::to_string(info.dwProcessId);
  EXPECT_EQ(WaitForSingleObject(info.hThread, 20000), WAIT_OBJECT_0);
  Sleep(50);  // ended a while ago: its status is still ours to read
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 7u);
  CloseHandle(info.hThread);
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 7u);
  CloseHandle(info.hProcess);
  // With the last handle gone, nothing is left of it (no zombie).
  EXPECT_FALSE(PathExists(proc));
}

TEST_F(ProcessCreateTest, ProgramsAreFoundAsWindowsFindsThemOrNotAtAll) {
  std::u16string missing = u"C:\\Tools\\missing.exe";
  std::u16string relative = u"nothere /x";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  EXPECT_FALSE(CreateProcessW(nullptr, missing.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(CreateProcessW(nullptr, relative.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  std::u16string folder = u"C:\\Tools";
  EXPECT_FALSE(CreateProcessW(folder.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info));

  // A bare name is looked for in the system folder; ".exe" is added. This
  // 32-bit program's system folder is SysWOW64 on the x64 machine.
  InstallHelper(u"C:\\Windows\\SysWOW64", "systool.exe");
  EXPECT_EQ(Run(u"SysTool identity C:\\Tools\\out.txt exit 4"), 4);
  EXPECT_EQ(Report()["cmdline"], "SysTool identity C:\\Tools\\out.txt exit 4");
  // An unquoted path with blanks is tried word by word.
  InstallHelper(u"C:\\Program Files\\My Tool", "run it.exe");
  unlink(Real("Tools/out.txt").c_str());
  setenv("SIMPROC_IDENTITY", "C:\\Tools\\out.txt", 1);
  // The helper itself rejects "Files\My" as a command (exit 2), as a Windows
  // program splitting this line would.
  EXPECT_EQ(Run(u"C:\\Program Files\\My Tool\\run it exit 6"), 2);
  unsetenv("SIMPROC_IDENTITY");
  EXPECT_EQ(Report()["cmdline"], "C:\\Program Files\\My Tool\\run it exit 6");
  // The application name wins over the command line's first word.
  std::u16string line = u"whatever exit 5";
  ASSERT_TRUE(CreateProcessW(u"C:\\Tools\\p.exe", line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &info));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 20000), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 5u);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
}

TEST_F(ProcessCreateTest, AnEnvironmentBlockIsAllTheProgramSees) {
  // Session tokens are LocalSystem's to take: the checks run in a service-like child.
  if (!RunThisTestAsSystem()) return;
  HANDLE token = SessionToken();
  LPVOID block = nullptr;
  ASSERT_TRUE(CreateEnvironmentBlock(&block, token, FALSE));
  ASSERT_EQ(Run(u"C:\\Tools\\p.exe print-env C:\\Tools\\out.txt USERPROFILE exit 0", token, nullptr, block), 0);
  DestroyEnvironmentBlock(block);

  std::u16string own = u"ONLY=here";
  own += u'\0';
  own += u"Second=2";
  own += u'\0';
  own += u'\0';
  ASSERT_EQ(Run(u"C:\\Tools\\p.exe print-env C:\\Tools\\out.txt only print-env C:\\Tools\\out.txt SystemRoot "
                u"exit 0",
                token, nullptr, own.data()),
            0);
  EXPECT_EQ(ReadTextFile(Real("Tools/out.txt")),
            "env USERPROFILE=C:\\Users\\User\nenv only=here\nenv SystemRoot missing\n");
  CloseHandle(token);
}

struct SnapshotRow {
  DWORD pid;
  DWORD parent;
  std::string name;
};

std::vector<SnapshotRow> Snapshot() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  EXPECT_NE(snapshot, INVALID_HANDLE_VALUE);
  std::vector<SnapshotRow> rows;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry))
    rows.push_back({entry.th32ProcessID, entry.th32ParentProcessID, SimToUtf8(entry.szExeFile)});
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  entry.dwSize = 8;
  EXPECT_FALSE(Process32FirstW(snapshot, &entry));
  CloseHandle(snapshot);
  return rows;
}

TEST_F(ProcessCreateTest, SnapshotListsTheShellAndStartedPrograms) {
  SimMachineOptions options;
  options.explorer_program = kSimprocPath;
  RecreateMachine(options);
  InstallHelper(u"C:\\Tools", "p.exe");
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::u16string line = u"C:\\Tools\\p.exe sleep";
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &info));
  auto rows = Snapshot();
  DWORD explorer = 0;
  bool child_seen = false;
  for (const auto& row : rows) {
    if (row.name == "explorer.exe") explorer = row.pid;
    if (row.pid == info.dwProcessId) {
      child_seen = true;
      EXPECT_EQ(row.name, "p.exe");
      EXPECT_EQ(row.parent, GetCurrentProcessId());
    }
  }
  EXPECT_TRUE(child_seen);
  ASSERT_NE(explorer, 0u);

  // The shell runs with the interactive user's limited token in session 1.
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, explorer);
  ASSERT_NE(process, nullptr);
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(process, TOKEN_QUERY, &token));
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD session = 0, size = 0;
  ASSERT_TRUE(GetTokenInformation(token, TokenElevationType, &type, sizeof(type), &size));
  ASSERT_TRUE(GetTokenInformation(token, TokenSessionId, &session, sizeof(session), &size));
  EXPECT_EQ(type, TokenElevationTypeLimited);
  EXPECT_EQ(session, 1u);
  CloseHandle(token);
  CloseHandle(process);
  TerminateProcess(info.hProcess, 0);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
}

}  // namespace
