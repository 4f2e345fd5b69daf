// Opening another program's process: the rights its user, its elevation and
// the caller's debug privilege allow; and the parent id a process keeps.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/processes/SimProcesses.h"
#include "report/ZEnvironmentFacts.h"
#include "tests/support/SimTestSupport.h"

namespace {

const char kOtherSid[] = "S-1-5-21-1004336348-1177238915-682003330-1002";
const char kUserSid[] = "S-1-5-21-1004336348-1177238915-682003330-1001";

class ProcessAccessTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    helper_ = InstallHelper(u"C:\\Tools", "p.exe");
  }

  // Starts the helper as the identity ("SIMHOST_..." entries) and waits until it runs.
  pid_t StartAs(ChildProcess* child, const std::vector<std::string>& identity) {
    std::vector<std::string> env = identity;
    env.push_back("SIMHOST_MACHINE=" + MachineDir());
    EXPECT_TRUE(child->Start(helper_, {"sleep"}, env));
    EXPECT_EQ(child->ReadLine(), "ready");
    return child->Pid();
  }

  // Whether this program can open pid with the rights (closing what it got).
  static bool CanOpen(pid_t pid, DWORD access) {
    HANDLE process = OpenProcess(access, FALSE, static_cast<DWORD>(pid));
    if (!process) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
      return false;
    }
    CloseHandle(process);
    return true;
  }

  static void EnableDebug(DWORD expected_error) {
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
    TOKEN_PRIVILEGES wanted = {};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Luid.LowPart = 20;  // SeDebugPrivilege
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &wanted, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), expected_error);
    CloseHandle(token);
  }

  pid_t StartOrphan(DWORD* parent_id);

  std::string helper_;
};

const std::vector<std::string> kSystem = {"SIMHOST_SESSION=0", "SIMHOST_USER_SID=S-1-5-18",
                                          "SIMHOST_TOKEN=elevated"};
const std::vector<std::string> kOtherUser = {"SIMHOST_SESSION=2",
                                             std::string("SIMHOST_USER_SID=") + kOtherSid,
                                             "SIMHOST_TOKEN=standard"};

TEST_F(ProcessAccessTest, AnotherUsersOrTheSystemsProcessNeedsTheDebugPrivilege) {
  ChildProcess system, other, own;
  const pid_t system_pid = StartAs(&system, kSystem);
  const pid_t other_pid = StartAs(&other, kOtherUser);
  const pid_t own_pid = StartAs(&own, {});
  for (pid_t pid : {system_pid, other_pid}) {
    EXPECT_FALSE(CanOpen(pid, PROCESS_TERMINATE)) << pid;
    EXPECT_FALSE(CanOpen(pid, PROCESS_QUERY_INFORMATION)) << pid;
    EXPECT_FALSE(CanOpen(pid, PROCESS_ALL_ACCESS)) << pid;
    // What Task Manager shows of it stays open to an administrator.
    EXPECT_TRUE(CanOpen(pid, PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE)) << pid;
  }
  EXPECT_TRUE(CanOpen(own_pid, PROCESS_ALL_ACCESS));

  EnableDebug(ERROR_SUCCESS);
  for (pid_t pid : {system_pid, other_pid}) EXPECT_TRUE(CanOpen(pid, PROCESS_ALL_ACCESS)) << pid;
}

TEST_F(ProcessAccessTest, AStandardUserOpensOnlyItsOwnProcesses) {
  SimMachineOptions options;
  options.standard_user = true;
  RecreateMachine(options);
  helper_ = InstallHelper(u"C:\\Tools", "p.exe");
  ChildProcess system, own;
  const pid_t system_pid = StartAs(&system, kSystem);
  const pid_t own_pid = StartAs(&own, {});
  EnableDebug(ERROR_NOT_ALL_ASSIGNED);
  EXPECT_FALSE(CanOpen(system_pid, PROCESS_QUERY_LIMITED_INFORMATION));
  EXPECT_FALSE(CanOpen(system_pid, PROCESS_TERMINATE));
  EXPECT_TRUE(CanOpen(own_pid, PROCESS_ALL_ACCESS));
}

// Run by the test below with the administrator's limited token.
TEST(ProcessAccessChild, LimitedTokenOpensItsUsersElevatedProgram) {
  if (!IsTestChild()) return;
  const pid_t pid = static_cast<pid_t>(std::atol(getenv("UNINST_TARGET_PID")));
  for (DWORD access : {static_cast<DWORD>(PROCESS_TERMINATE), static_cast<DWORD>(PROCESS_VM_READ),
                       static_cast<DWORD>(PROCESS_QUERY_LIMITED_INFORMATION)}) {
    HANDLE process = OpenProcess(access, FALSE, static_cast<DWORD>(pid));
    std::printf("access 0x%x %s\n", static_cast<unsigned>(access), process ? "granted" : "denied");
    if (process) CloseHandle(process);
  }
}

TEST_F(ProcessAccessTest, ANonElevatedTokenSeesItsUsersElevatedProgramOnlyFromOutside) {
  ChildProcess elevated;
  const pid_t pid = StartAs(&elevated, {});
  auto child = RunTestChild({"SIMHOST_MACHINE=" + MachineDir(), "SIMHOST_SESSION=1",
                             std::string("SIMHOST_USER_SID=") + kUserSid, "SIMHOST_TOKEN=limited",
                             "UNINST_TARGET_PID=" + std::to_string(pid)},
                            "ProcessAccessChild.*");
  EXPECT_EQ(child.exit_code, 0) << child.out;
  EXPECT_NE(child.out.find("access 0x1 denied"), std::string::npos) << child.out;
  EXPECT_NE(child.out.find("access 0x10 denied"), std::string::npos) << child.out;
  EXPECT_NE(child.out.find("access 0x1000 granted"), std::string::npos) << child.out;
}

// Whether pid runs the helper's "sleep" (a process being started is a copy of
// its starter for a moment, with the starter's arguments and environment).
bool IsSleeper(pid_t pid) {
  const std::string cmdline = ReadTextFile("/proc/" + std::to_string(pid) + "/cmdline");
  const size_t end = cmdline.find('\0');
  return end != std::string::npos && cmdline.compare(end + 1, 6, std::string("sleep\0", 6)) == 0;
}

// A program started by another one that has ended since: its id; the
// parent's id in *parent_id.
pid_t ProcessAccessTest::StartOrphan(DWORD* parent_id) {
  std::u16string line = u"C:\\Tools\\p.exe start \"C:\\Tools\\p.exe sleep\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION parent = {};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &parent)) {
    ADD_FAILURE() << GetLastError();
    return 0;
  }
  pid_t child_pid = 0;
  for (int i = 0; i < 500 && !child_pid; ++i) {
    for (const auto& p : SimListMachineProcesses(MachineDir()))
      if (p.pid != static_cast<pid_t>(parent.dwProcessId) && p.real_image == helper_ &&
          IsSleeper(p.pid))
        child_pid = p.pid;
    if (!child_pid) Sleep(10);
  }
  EXPECT_NE(child_pid, 0);
  EXPECT_TRUE(TerminateProcess(parent.hProcess, 0));
  EXPECT_EQ(WaitForSingleObject(parent.hProcess, 10000), WAIT_OBJECT_0);
  CloseHandle(parent.hThread);
  CloseHandle(parent.hProcess);  // the last handle: the ended parent is reaped, its id free
  *parent_id = parent.dwProcessId;
  return child_pid;
}

// Windows keeps the id of the creator: once it has ended, the id names no
// process, or another one.
TEST_F(ProcessAccessTest, AProcessKeepsItsParentsIdAfterTheParentEnds) {
  PROCESS_INFORMATION parent = {};
  const pid_t child_pid = StartOrphan(&parent.dwProcessId);
  ASSERT_NE(child_pid, 0);

  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(child_pid));
  ASSERT_NE(process, nullptr);
  PROCESS_BASIC_INFORMATION info = {};
  ASSERT_EQ(NtQueryInformationProcess(process, ProcessBasicInformation, &info, sizeof(info), nullptr), 0);
  EXPECT_EQ(info.InheritedFromUniqueProcessId, static_cast<ULONG_PTR>(parent.dwProcessId));
  CloseHandle(process);
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  DWORD listed_parent = 0;
  for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry))
    if (entry.th32ProcessID == static_cast<DWORD>(child_pid)) listed_parent = entry.th32ParentProcessID;
  CloseHandle(snapshot);
  EXPECT_EQ(listed_parent, parent.dwProcessId);

  // The parent path then finds no process of that id.
  std::vector<std::u16string> parents;
  EXPECT_FALSE(GetParentProcessPath(static_cast<DWORD>(child_pid), 0, &parents));
  EXPECT_TRUE(parents.empty());
  kill(child_pid, SIGKILL);
}

// Makes the kernel give the id after `last` to the next process; false where
// a test may not.
bool SetLastPid(pid_t last) {
  FILE* file = std::fopen("/proc/sys/kernel/ns_last_pid", "w");
  if (!file) return false;
  const bool written = std::fprintf(file, "%d", static_cast<int>(last)) > 0;
  return std::fclose(file) == 0 && written;
}

TEST_F(ProcessAccessTest, AnIdReusedByANewerProgramIsNoParent) {
  DWORD old_parent = 0;
  const pid_t child_pid = StartOrphan(&old_parent);
  ASSERT_NE(child_pid, 0);
  const std::string newer = InstallHelper(u"C:\\Other", "newer.exe");
  ChildProcess taker;
  for (int attempt = 0; attempt < 50 && taker.Pid() != static_cast<pid_t>(old_parent); ++attempt) {
    taker = ChildProcess();
    if (!SetLastPid(static_cast<pid_t>(old_parent) - 1))
      GTEST_SKIP() << "the next process id cannot be chosen here";
    ASSERT_TRUE(taker.Start(newer, {"sleep"}, {"SIMHOST_MACHINE=" + MachineDir()}));
  }
  if (taker.Pid() != static_cast<pid_t>(old_parent)) GTEST_SKIP() << "other programs took the id first";
  ASSERT_EQ(taker.ReadLine(), "ready");
  EXPECT_EQ(GetParentProcessId(static_cast<DWORD>(child_pid)), old_parent);
  std::vector<std::u16string> parents;
  EXPECT_FALSE(GetParentProcessPath(static_cast<DWORD>(child_pid), 0, &parents));
  EXPECT_TRUE(parents.empty()) << SimToUtf8(parents.empty() ? u"" : parents[0]);
  kill(child_pid, SIGKILL);
}

}  // namespace
