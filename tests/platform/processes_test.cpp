// Processes of a machine: listing, opening with exact rights, image paths in
// device and drive form, ending them and waiting for their end, the basic
// information ntdll gives, the entry points GetProcAddress hands out, and the
// privileges of the program's token.
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/system_info.h"
#include "tests/support/SimTestSupport.h"

namespace {

const std::u16string kProductDir = u"C:\\Program Files\\Sample Product";
const std::u16string kAppPath = kProductDir + u"\\SampleApp.exe";

std::vector<DWORD> ListedIds() {
  std::vector<DWORD> ids(1024);
  DWORD returned = 0;
  EXPECT_TRUE(EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &returned));
  ids.resize(returned / sizeof(DWORD));
  return ids;
}

bool Listed(pid_t pid) {
  std::vector<DWORD> ids = ListedIds();
  return std::find(ids.begin(), ids.end(), static_cast<DWORD>(pid)) != ids.end();
}

std::u16string ImageFileName(HANDLE process) {
  char16_t buffer[MAX_PATH] = {};
  DWORD length = GetProcessImageFileNameW(process, buffer, MAX_PATH);
  return std::u16string(buffer, length);
}

std::u16string ModuleFileName(HANDLE process) {
  char16_t buffer[MAX_PATH] = {};
  DWORD length = GetModuleFileNameExW(process, nullptr, buffer, MAX_PATH);
  return std::u16string(buffer, length);
}

class ProcessesTest : public MachineTest {
 protected:
  // Starts simproc from the Windows path (copied there first) and waits until it runs.
  void Start(ChildProcess* child, const std::u16string& windows_path) {
    size_t cut = windows_path.rfind(u'\\');
    std::string real = InstallHelper(windows_path.substr(0, cut), SimToUtf8(windows_path.substr(cut + 1)));
    ASSERT_TRUE(StartInMachine(child, real, {"sleep"}));
    ASSERT_EQ(child->ReadLine(), "ready");
  }
  static HANDLE Open(const ChildProcess& child, DWORD access) {
    return OpenProcess(access, FALSE, static_cast<DWORD>(child.Pid()));
  }
};

// ---- listing and opening ---------------------------------------------------

TEST_F(ProcessesTest, EnumProcessesListsTheMachinesLiveProcessesByRealId) {
  ChildProcess first, second;
  Start(&first, kAppPath);
  Start(&second, u"C:\\Tools\\other.exe");
  EXPECT_TRUE(Listed(first.Pid()));
  EXPECT_TRUE(Listed(second.Pid()));
  EXPECT_FALSE(Listed(getpid()));  // this test program does not run inside the machine

  // A buffer with room for one id takes one and says so.
  DWORD one[1] = {};
  DWORD returned = 99;
  ASSERT_TRUE(EnumProcesses(one, sizeof(one), &returned));
  EXPECT_EQ(returned, sizeof(DWORD));
  EXPECT_FALSE(EnumProcesses(one, sizeof(one), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOACCESS));

  first.Kill(9);
  ASSERT_EQ(first.Wait(), 128 + 9);
  EXPECT_FALSE(Listed(first.Pid()));
  EXPECT_TRUE(Listed(second.Pid()));
}

TEST_F(ProcessesTest, OpenProcessRefusesWhatIsNoLiveProcessOfTheMachine) {
  EXPECT_EQ(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  // A real process, but not one inside the machine.
  ChildProcess outside;
  ASSERT_TRUE(outside.Start(kSimprocPath, {"sleep"}, {"SIMHOST_MACHINE=" + MachineDir()}));
  ASSERT_EQ(outside.ReadLine(), "ready");
  EXPECT_EQ(Open(outside, PROCESS_QUERY_INFORMATION), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  ChildProcess ended;
  Start(&ended, kAppPath);
  const DWORD pid = static_cast<DWORD>(ended.Pid());
  ended.Kill(9);
  ASSERT_EQ(ended.Wait(), 128 + 9);
  EXPECT_EQ(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  // The program itself may always be opened.
  HANDLE self = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, GetCurrentProcessId());
  ASSERT_NE(self, nullptr);
  EXPECT_TRUE(CloseHandle(self));
}

TEST_F(ProcessesTest, AHandleAllowsOnlyTheRightsAskedFor) {
  ChildProcess app;
  Start(&app, kAppPath);

  HANDLE limited = Open(app, PROCESS_QUERY_LIMITED_INFORMATION);
  ASSERT_NE(limited, nullptr);
  EXPECT_EQ(ImageFileName(limited), u"\\Device\\HarddiskVolume2\\Program Files\\Sample Product\\SampleApp.exe");
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(limited, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(ModuleFileName(limited), u"");  // reading its modules needs PROCESS_VM_READ
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(TerminateProcess(limited, 1));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(WaitForSingleObject(limited, 0), WAIT_FAILED);  // no SYNCHRONIZE
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(limited);

  HANDLE terminate_only = Open(app, PROCESS_TERMINATE);
  ASSERT_NE(terminate_only, nullptr);
  EXPECT_EQ(ImageFileName(terminate_only), u"");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(GetExitCodeProcess(terminate_only, &code));
  CloseHandle(terminate_only);
  EXPECT_TRUE(app.Running());

  HANDLE none = Open(app, 0);
  ASSERT_NE(none, nullptr);
  PROCESS_BASIC_INFORMATION info = {};
  EXPECT_EQ(NtQueryInformationProcess(none, ProcessBasicInformation, &info, sizeof(info), nullptr),
            static_cast<NTSTATUS>(0xC0000022u));
  CloseHandle(none);
}

// ---- image paths -------------------------------------------------------------

TEST_F(ProcessesTest, ImagePathIsReportedInDeviceFormAndModulePathsInDriveForm) {
  ChildProcess app;
  Start(&app, kAppPath);
  HANDLE process = Open(app, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
  ASSERT_NE(process, nullptr);

  EXPECT_EQ(ImageFileName(process), u"\\Device\\HarddiskVolume2\\Program Files\\Sample Product\\SampleApp.exe");
  EXPECT_EQ(ModuleFileName(process), kAppPath);
  char16_t name[MAX_PATH] = {};
  EXPECT_EQ(GetModuleBaseNameW(process, nullptr, name, MAX_PATH), 13u);
  EXPECT_EQ(std::u16string(name), u"SampleApp.exe");

  // One module, the image; it names the same file as null does.
  HMODULE modules[4] = {};
  DWORD needed = 0;
  ASSERT_TRUE(EnumProcessModules(process, modules, sizeof(modules), &needed));
  ASSERT_EQ(needed, sizeof(HMODULE));
  char16_t by_module[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameExW(process, modules[0], by_module, MAX_PATH), 0u);
  EXPECT_EQ(std::u16string(by_module), kAppPath);
  EXPECT_EQ(GetModuleFileNameExW(process, reinterpret_cast<HMODULE>(0x1234000), by_module, MAX_PATH), 0u);

  // Too small a buffer: the image path is not cut, the module path is.
  char16_t small[8] = {};
  EXPECT_EQ(GetProcessImageFileNameW(process, small, 8), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(GetModuleFileNameExW(process, nullptr, small, 8), 7u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::u16string(small), u"C:\\Prog");
  CloseHandle(process);
}

TEST_F(ProcessesTest, DeviceNamesComeFromTheMachinesVolumes) {
  ChildProcess app;
  Start(&app, kAppPath);
  auto machine = SimHost::Machine();
  ASSERT_TRUE(machine->Db().Exec("UPDATE volumes SET device='\\Device\\HarddiskVolume7' WHERE letter='C'"));
  HANDLE process = Open(app, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(ImageFileName(process), u"\\Device\\HarddiskVolume7\\Program Files\\Sample Product\\SampleApp.exe");

  // Without a drive letter the volume still has a device, and no drive path.
  ASSERT_TRUE(machine->Db().Exec("DELETE FROM volumes WHERE letter='C'"));
  std::u16string device = ImageFileName(process);
  EXPECT_EQ(device.rfind(u"\\Device\\HarddiskVolume", 0), 0u);
  EXPECT_EQ(device.find(u"HarddiskVolume7"), std::u16string::npos);
  EXPECT_NE(device.find(u"\\Program Files\\Sample Product\\SampleApp.exe"), std::u16string::npos);
  EXPECT_EQ(ModuleFileName(process), u"\\\\?\\GLOBALROOT" + device);
  CloseHandle(process);
}

TEST_F(ProcessesTest, ARenamedRunningProgramReportsItsNewPath) {
  ChildProcess app;
  Start(&app, kAppPath);
  HANDLE process = Open(app, PROCESS_QUERY_LIMITED_INFORMATION);
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(MoveFileExW(kAppPath.c_str(), (kProductDir + u"\\Renamed.exe").c_str(), 0));
  EXPECT_EQ(ImageFileName(process), u"\\Device\\HarddiskVolume2\\Program Files\\Sample Product\\Renamed.exe");
  CloseHandle(process);
}

// ---- ending, waiting, exit codes ------------------------------------------------

TEST_F(ProcessesTest, TerminateProcessEndsTheRealProcessAndSignalsItsHandles) {
  ChildProcess app, bystander;
  Start(&app, kAppPath);
  Start(&bystander, kAppPath);
  HANDLE process = Open(app, PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION);
  HANDLE watcher = Open(app, SYNCHRONIZE);
  ASSERT_NE(process, nullptr);
  ASSERT_NE(watcher, nullptr);
  EXPECT_EQ(WaitForSingleObject(watcher, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(watcher, 30), WAIT_TIMEOUT);

  ASSERT_TRUE(TerminateProcess(process, 7));
  EXPECT_EQ(WaitForSingleObject(watcher, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_EQ(app.Wait(), 128 + 9);
  // Still the same, ended process after its id was released.
  EXPECT_EQ(WaitForSingleObject(watcher, 0), WAIT_OBJECT_0);
  EXPECT_EQ(ImageFileName(process), u"\\Device\\HarddiskVolume2\\Program Files\\Sample Product\\SampleApp.exe");
  EXPECT_FALSE(TerminateProcess(process, 1));  // ended already
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(bystander.Running());

  CloseHandle(process);
  CloseHandle(watcher);
  EXPECT_FALSE(CloseHandle(watcher));
  EXPECT_EQ(WaitForSingleObject(watcher, 0), WAIT_FAILED);
}

TEST_F(ProcessesTest, AWaitEndsWhenTheProcessLeavesByItself) {
  ChildProcess app;
  Start(&app, kAppPath);
  HANDLE process = Open(app, SYNCHRONIZE | PROCESS_QUERY_INFORMATION);
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(app.WriteLine("exit"));
  EXPECT_EQ(WaitForSingleObject(process, INFINITE), WAIT_OBJECT_0);
  DWORD code = STILL_ACTIVE;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(app.Wait(), 0);
  CloseHandle(process);
}

// ---- ntdll and GetProcAddress ------------------------------------------------------

TEST_F(ProcessesTest, BasicInformationNamesTheProcessAndItsParent) {
  ChildProcess app;
  Start(&app, kAppPath);
  HANDLE process = Open(app, PROCESS_QUERY_LIMITED_INFORMATION);
  ASSERT_NE(process, nullptr);
  PROCESS_BASIC_INFORMATION info = {};
  ULONG returned = 0;
  ASSERT_EQ(NtQueryInformationProcess(process, ProcessBasicInformation, &info, sizeof(info), &returned), 0);
  EXPECT_EQ(returned, sizeof(info));
  EXPECT_EQ(info.UniqueProcessId, static_cast<ULONG_PTR>(app.Pid()));
  EXPECT_EQ(info.InheritedFromUniqueProcessId, static_cast<ULONG_PTR>(getpid()));
  EXPECT_EQ(info.ExitStatus, STILL_ACTIVE);

  EXPECT_EQ(NtQueryInformationProcess(process, ProcessBasicInformation, &info, sizeof(info) - 1, nullptr),
            static_cast<NTSTATUS>(0xC0000004u));
  EXPECT_EQ(NtQueryInformationProcess(process, static_cast<PROCESSINFOCLASS>(7), &info, sizeof(info), nullptr),
            static_cast<NTSTATUS>(0xC0000003u));
  EXPECT_EQ(NtQueryInformationProcess(reinterpret_cast<HANDLE>(0x7770), ProcessBasicInformation, &info,
                                      sizeof(info), nullptr),
            static_cast<NTSTATUS>(0xC0000008u));
  CloseHandle(process);
}

TEST_F(ProcessesTest, GetProcAddressHandsOutTheseFunctions) {
  HMODULE psapi = LoadLibraryW(u"PSAPI.DLL");
  ASSERT_NE(psapi, nullptr);
  auto same = [](FARPROC found, auto* function) {
    return reinterpret_cast<void (*)()>(found) == reinterpret_cast<void (*)()>(function);
  };
  EXPECT_TRUE(same(GetProcAddress(psapi, "EnumProcesses"), &EnumProcesses));
  EXPECT_TRUE(same(GetProcAddress(psapi, "EnumProcessModules"), &EnumProcessModules));
  EXPECT_TRUE(same(GetProcAddress(psapi, "GetModuleBaseNameW"), &GetModuleBaseNameW));
  EXPECT_TRUE(same(GetProcAddress(psapi, "GetModuleFileNameExW"), &GetModuleFileNameExW));
  EXPECT_TRUE(same(GetProcAddress(psapi, "GetProcessImageFileNameW"), &GetProcessImageFileNameW));
  HMODULE ntdll = LoadLibraryW(u"ntdll.dll");
  ASSERT_NE(ntdll, nullptr);
  EXPECT_TRUE(same(GetProcAddress(ntdll, "NtQueryInformationProcess"), &NtQueryInformationProcess));

  // Reached that way, they work as well.
  ChildProcess app;
  Start(&app, kAppPath);
  typedef DWORD (*ImageFn)(HANDLE, char16_t*, DWORD);
  auto image = reinterpret_cast<ImageFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(psapi, "GetProcessImageFileNameW")));
  HANDLE process = Open(app, PROCESS_QUERY_INFORMATION);
  char16_t buffer[MAX_PATH] = {};
  EXPECT_GT(image(process, buffer, MAX_PATH), 0u);
  EXPECT_EQ(std::u16string(buffer), u"\\Device\\HarddiskVolume2\\Program Files\\Sample Product\\SampleApp.exe");
  CloseHandle(process);
  FreeLibrary(psapi);
  FreeLibrary(ntdll);
}

// ---- token privileges ------------------------------------------------------------

TEST_F(ProcessesTest, PrivilegesAreLookedUpByNameOnTheLocalSystem) {
  LUID luid = {};
  ASSERT_TRUE(LookupPrivilegeValueW(nullptr, u"SeDebugPrivilege", &luid));
  EXPECT_EQ(luid.LowPart, 20u);
  EXPECT_EQ(luid.HighPart, 0);
  LUID lower = {};
  ASSERT_TRUE(LookupPrivilegeValueW(u"", u"sedebugprivilege", &lower));
  EXPECT_EQ(lower.LowPart, 20u);
  ASSERT_TRUE(LookupPrivilegeValueW(nullptr, u"SeShutdownPrivilege", &luid));
  EXPECT_EQ(luid.LowPart, 19u);

  EXPECT_FALSE(LookupPrivilegeValueW(nullptr, u"SeNoSuchPrivilege", &luid));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE));
  EXPECT_FALSE(LookupPrivilegeValueW(u"\\\\ELSEWHERE", u"SeDebugPrivilege", &luid));
  EXPECT_NE(GetLastError(), 0u);
}

TEST_F(ProcessesTest, AdjustTokenPrivilegesEnablesWhatTheTokenHolds) {
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
  TOKEN_PRIVILEGES wanted = {};
  wanted.PrivilegeCount = 1;
  ASSERT_TRUE(LookupPrivilegeValueW(nullptr, u"SeDebugPrivilege", &wanted.Privileges[0].Luid));
  wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  SetLastError(1234);
  ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &wanted, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), 0u);

  // Disabling it again reports it as enabled before; another token of this
  // process sees the same state.
  HANDLE second = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &second));
  wanted.Privileges[0].Attributes = 0;
  TOKEN_PRIVILEGES previous = {};
  DWORD length = 0;
  ASSERT_TRUE(AdjustTokenPrivileges(second, FALSE, &wanted, sizeof(previous), &previous, &length));
  EXPECT_EQ(length, sizeof(previous));
  ASSERT_EQ(previous.PrivilegeCount, 1u);
  EXPECT_EQ(previous.Privileges[0].Luid.LowPart, 20u);
  EXPECT_TRUE(previous.Privileges[0].Attributes & SE_PRIVILEGE_ENABLED);
  ASSERT_TRUE(AdjustTokenPrivileges(second, FALSE, &wanted, sizeof(previous), &previous, &length));
  EXPECT_EQ(previous.PrivilegeCount, 0u);  // nothing changed this time

  // A privilege the token does not hold: success, but not all assigned.
  ASSERT_TRUE(LookupPrivilegeValueW(nullptr, u"SeTcbPrivilege", &wanted.Privileges[0].Luid));
  wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &wanted, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
  CloseHandle(second);
  CloseHandle(token);

  // A token opened for queries only may not be adjusted.
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &wanted, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(token);
}

}  // namespace
