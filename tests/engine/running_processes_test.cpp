// Ending the product's running programs by their image path, end to end with
// real processes inside a machine; and the debug privilege.
#include <string>
#include <vector>

#include "engine/ZRunningProcesses.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "platform/sim/text/SimUnicode.h"
#include "tests/support/SimTestSupport.h"

namespace {

const std::u16string kProductDir = u"C:\\Program Files\\Sample Product";
const std::u16string kAppPath = kProductDir + u"\\SampleApp.exe";

class RunningProcessesTest : public MachineTest {
 protected:
  // Starts simproc from the Windows path (copied there first) and waits until it runs.
  void Start(ChildProcess* child, const std::u16string& windows_path) {
    size_t cut = windows_path.rfind(u'\\');
    std::string real =
        InstallHelper(windows_path.substr(0, cut), SimToUtf8(windows_path.substr(cut + 1)));
    ASSERT_TRUE(StartInMachine(child, real, {"sleep"}));
    ASSERT_EQ(child->ReadLine(), "ready");
  }
  // Starts simproc from the Windows path as another identity ("SIMHOST_..." entries).
  void StartAs(ChildProcess* child, const std::u16string& windows_path,
               std::vector<std::string> identity) {
    size_t cut = windows_path.rfind(u'\\');
    std::string real =
        InstallHelper(windows_path.substr(0, cut), SimToUtf8(windows_path.substr(cut + 1)));
    identity.push_back("SIMHOST_MACHINE=" + MachineDir());
    ASSERT_TRUE(child->Start(real, {"sleep"}, identity));
    ASSERT_EQ(child->ReadLine(), "ready");
  }
  static void ExpectKilled(ChildProcess* child) { EXPECT_EQ(child->Wait(10000), 128 + 9); }
  static void SetFact(const std::string& name, const std::string& value) {
    ASSERT_TRUE(SimHost::Machine()->SetFact(name, value));
  }
};

// ---- what is terminated ------------------------------------------------------

TEST_F(RunningProcessesTest, EveryProcessOfTheFileEndsAndOthersSurvive) {
  ChildProcess first, second, same_name_elsewhere, other_program;
  Start(&first, kAppPath);
  Start(&second, kAppPath);
  Start(&same_name_elsewhere, u"C:\\Other Product\\SampleApp.exe");
  Start(&other_program, kProductDir + u"\\Helper.exe");

  uint32_t count = 99;
  EXPECT_EQ(TerminateProcessesByImage(kAppPath.c_str(), &count), S_OK);
  EXPECT_EQ(count, 2u);
  ExpectKilled(&first);
  ExpectKilled(&second);
  EXPECT_TRUE(same_name_elsewhere.Running());
  EXPECT_TRUE(other_program.Running());

  // Nothing of that file is left to end.
  count = 99;
  EXPECT_EQ(TerminateProcessesByImage(kAppPath.c_str(), &count), E_FAIL);
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(same_name_elsewhere.Running());
}

TEST_F(RunningProcessesTest, SystemFolderPathsMeanWhatThis32BitProgramReaches) {
  // This test program is a 32-bit program on the x64 machine: "System32" in a
  // path it is given reaches SysWOW64, never a program of the real System32.
  ChildProcess native_tool, wow_tool, shared_tool;
  Start(&native_tool, u"C:\\Windows\\System32\\tool.exe");
  Start(&wow_tool, u"C:\\Windows\\SysWOW64\\tool.exe");
  Start(&shared_tool, u"C:\\Windows\\System32\\spool\\tool.exe");
  uint32_t count = 0;
  EXPECT_EQ(TerminateProcessesByImage(u"C:\\Windows\\System32\\tool.exe", &count), S_OK);
  EXPECT_EQ(count, 1u);
  ExpectKilled(&wow_tool);
  EXPECT_TRUE(native_tool.Running());
  // Sysnative and the folders both kinds share name the real files.
  EXPECT_EQ(TerminateProcessesByImage(u"C:\\Windows\\System32\\spool\\tool.exe", &count), S_OK);
  ExpectKilled(&shared_tool);
  EXPECT_EQ(TerminateProcessesByImage(u"C:\\Windows\\Sysnative\\tool.exe", &count), S_OK);
  ExpectKilled(&native_tool);
}

TEST_F(RunningProcessesTest, LetterCaseOfThePathDoesNotMatter) {
  ChildProcess app;
  Start(&app, kAppPath);
  uint32_t count = 0;
  EXPECT_EQ(TerminateProcessesByImage(u"c:\\PROGRAM FILES\\sample product\\sampleapp.EXE", &count),
            S_OK);
  EXPECT_EQ(count, 1u);
  ExpectKilled(&app);
}

TEST_F(RunningProcessesTest, WithoutAMatchNothingEnds) {
  ChildProcess app;
  Start(&app, kAppPath);
  uint32_t count = 99;
  EXPECT_EQ(TerminateProcessesByImage(u"C:\\Program Files\\Sample Product\\Missing.exe", &count),
            E_FAIL);
  EXPECT_EQ(count, 0u);
  // A folder of the image, or the name alone, is not the image.
  EXPECT_EQ(TerminateProcessesByImage(kProductDir.c_str()), E_FAIL);
  EXPECT_EQ(TerminateProcessesByImage(u"SampleApp.exe"), E_FAIL);
  EXPECT_TRUE(app.Running());
}

TEST_F(RunningProcessesTest, NoPathIsAnInvalidArgument) {
  ChildProcess app;
  Start(&app, kAppPath);
  uint32_t count = 99;
  EXPECT_EQ(TerminateProcessesByImage(nullptr, &count), E_INVALIDARG);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(TerminateProcessesByImage(nullptr), E_INVALIDARG);
  // An empty path names no file, not every process whose image is unknown.
  EXPECT_EQ(TerminateProcessesByImage(u"", &count), E_FAIL);
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(app.Running());
}

TEST_F(RunningProcessesTest, ARenamedRunningProgramIsFoundUnderItsNewPath) {
  ChildProcess app;
  Start(&app, kAppPath);
  const std::u16string renamed = kProductDir + u"\\SampleApp.old";
  ASSERT_TRUE(MoveFileExW(kAppPath.c_str(), renamed.c_str(), 0));
  EXPECT_EQ(TerminateProcessesByImage(kAppPath.c_str()), E_FAIL);
  EXPECT_TRUE(app.Running());
  uint32_t count = 0;
  EXPECT_EQ(TerminateProcessesByImage(renamed.c_str(), &count), S_OK);
  EXPECT_EQ(count, 1u);
  ExpectKilled(&app);
}

// ---- device paths ------------------------------------------------------------------

TEST_F(RunningProcessesTest, AnImageOnAVolumeWithoutDriveLetterMatchesNothing) {
  ChildProcess app;
  Start(&app, kAppPath);
  // The volume keeps its device but loses its letter: the image path stays in
  // device form and is no drive path.
  ASSERT_TRUE(SimHost::Machine()->Db().Exec("DELETE FROM volumes WHERE letter='C'"));
  uint32_t count = 99;
  EXPECT_EQ(TerminateProcessesByImage(kAppPath.c_str(), &count), E_FAIL);
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(app.Running());
}

TEST_F(RunningProcessesTest, DeviceNamesAreTranslatedThroughTheMachinesVolumes) {
  ChildProcess app;
  Start(&app, kAppPath);
  ASSERT_TRUE(SimHost::Machine()->Db().Exec(
      "UPDATE volumes SET device='\\Device\\HarddiskVolume11' WHERE letter='C'"));
  uint32_t count = 0;
  EXPECT_EQ(TerminateProcessesByImage(kAppPath.c_str(), &count), S_OK);
  EXPECT_EQ(count, 1u);
  ExpectKilled(&app);
}

// ---- the library it needs --------------------------------------------------------

TEST_F(RunningProcessesTest, WithoutPsapiNothingCanBeListed) {
  ChildProcess app;
  Start(&app, kAppPath);
  SetFact("missing_libraries", "psapi.dll");
  uint32_t count = 99;
  EXPECT_EQ(TerminateProcessesByImage(kAppPath.c_str(), &count), E_FAIL);
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(app.Running());

  SetFact("missing_libraries", "");
  SetFact("missing_entry_points", "psapi.dll!EnumProcesses");
  count = 99;
  EXPECT_EQ(TerminateProcessesByImage(kAppPath.c_str(), &count), E_FAIL);
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(app.Running());
}

TEST_F(RunningProcessesTest, EachPsapiFunctionIsNeededOnlyForItsOwnCall) {
  ChildProcess app;
  Start(&app, kAppPath);
  // The image path cannot be read: no process matches.
  SetFact("missing_entry_points", "psapi.dll!GetProcessImageFileNameW");
  EXPECT_EQ(TerminateProcessesByImage(kAppPath.c_str()), E_FAIL);
  EXPECT_TRUE(app.Running());
  // Module functions it does not call may be missing.
  SetFact("missing_entry_points",
          "psapi.dll!EnumProcessModules,psapi.dll!GetModuleBaseNameW,psapi.dll!GetModuleFileNameExW");
  uint32_t count = 0;
  EXPECT_EQ(TerminateProcessesByImage(kAppPath.c_str(), &count), S_OK);
  EXPECT_EQ(count, 1u);
  ExpectKilled(&app);
}

// ---- debug privilege ----------------------------------------------------------------

TEST_F(RunningProcessesTest, EnableDebugPrivilegeEnablesItInTheProcessToken) {
  EXPECT_EQ(EnableDebugPrivilege(), 1);
  // Switching it off again shows it was on.
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
  TOKEN_PRIVILEGES off = {};
  off.PrivilegeCount = 1;
  ASSERT_TRUE(LookupPrivilegeValueW(nullptr, u"SeDebugPrivilege", &off.Privileges[0].Luid));
  TOKEN_PRIVILEGES previous = {};
  DWORD length = 0;
  ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &off, sizeof(previous), &previous, &length));
  ASSERT_EQ(previous.PrivilegeCount, 1u);
  EXPECT_EQ(previous.Privileges[0].Luid.LowPart, off.Privileges[0].Luid.LowPart);
  EXPECT_TRUE(previous.Privileges[0].Attributes & SE_PRIVILEGE_ENABLED);
  CloseHandle(token);
  EXPECT_EQ(EnableDebugPrivilege(), 1);
}

// ---- whose programs ---------------------------------------------------------------

const std::vector<std::string> kSystem = {"SIMHOST_SESSION=0", "SIMHOST_USER_SID=S-1-5-18",
                                          "SIMHOST_TOKEN=elevated"};
const std::vector<std::string> kOtherUser = {
    "SIMHOST_SESSION=2", "SIMHOST_USER_SID=S-1-5-21-1004336348-1177238915-682003330-1002",
    "SIMHOST_TOKEN=standard"};

// An elevated administrator gets the debug privilege, which opens every
// process: the product's file is ended whoever runs it.
TEST_F(RunningProcessesTest, WithTheDebugPrivilegeEveryUsersProgramOfTheFileEnds) {
  ChildProcess own, other_user, system, elsewhere;
  Start(&own, kAppPath);
  StartAs(&other_user, kAppPath, kOtherUser);
  StartAs(&system, kAppPath, kSystem);
  StartAs(&elsewhere, u"C:\\Other Product\\SampleApp.exe", kSystem);
  uint32_t count = 0;
  EXPECT_EQ(TerminateProcessesByImage(kAppPath.c_str(), &count), S_OK);
  EXPECT_EQ(count, 3u);
  ExpectKilled(&own);
  ExpectKilled(&other_user);
  ExpectKilled(&system);
  EXPECT_TRUE(elsewhere.Running());
}

// A standard user cannot enable it: its own programs end, other users' and
// the system's are left alone (they cannot even be read), and nothing is
// counted for them.
TEST_F(RunningProcessesTest, WithoutTheDebugPrivilegeOnlyTheUsersOwnProgramsEnd) {
  SimMachineOptions options;
  options.standard_user = true;
  RecreateMachine(options);
  EXPECT_EQ(EnableDebugPrivilege(), 0);
  ChildProcess own, other_user, system;
  Start(&own, kAppPath);
  StartAs(&other_user, kAppPath, kOtherUser);
  StartAs(&system, kAppPath, kSystem);
  uint32_t count = 0;
  EXPECT_EQ(TerminateProcessesByImage(kAppPath.c_str(), &count), S_OK);
  EXPECT_EQ(count, 1u);
  ExpectKilled(&own);
  EXPECT_TRUE(other_user.Running());
  EXPECT_TRUE(system.Running());
  count = 9;
  EXPECT_EQ(TerminateProcessesByImage(kAppPath.c_str(), &count), E_FAIL);
  EXPECT_EQ(count, 0u);
}

}  // namespace
