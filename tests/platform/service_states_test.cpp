// Services that take time to start, refuse a stop, have dependents or crash,
// and the moment a stopped service's process still holds its image.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/services.h"
#include "platform/sim/processes/SimProcesses.h"
#include "platform/sim/services/SimServices.h"
#include "platform/sim/text/SimUnicode.h"
#include "tests/support/SimTestSupport.h"

namespace {

const std::u16string kServiceDir = u"C:\\Program Files\\Sample Service";
const std::u16string kProgram = kServiceDir + u"\\svc.exe";
const std::u16string kImage = u"\"" + kProgram + u"\" sleep";

// Polls until done() holds, for at most about five seconds.
template <class F>
bool Eventually(F done) {
  for (int i = 0; i < 1000; ++i) {
    if (done()) return true;
    usleep(5000);
  }
  return done();
}

class ServiceStatesTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    InstallHelper(kServiceDir, "svc.exe");
    manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager_, nullptr);
  }
  void TearDown() override {
    for (SC_HANDLE h : handles_) CloseServiceHandle(h);
    if (manager_) CloseServiceHandle(manager_);
    for (const auto& p : SimListMachineProcesses(MachineDir())) kill(p.pid, SIGKILL);
    MachineTest::TearDown();
  }

  SC_HANDLE Create(const std::u16string& name, const char16_t* dependencies = nullptr) {
    SC_HANDLE service = CreateServiceW(manager_, name.c_str(), nullptr, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_NORMAL, kImage.c_str(), nullptr, nullptr,
                                       dependencies, nullptr, nullptr);
    EXPECT_NE(service, nullptr) << GetLastError();
    handles_.push_back(service);
    return service;
  }
  static SERVICE_STATUS Status(SC_HANDLE service) {
    SERVICE_STATUS status = {};
    EXPECT_TRUE(QueryServiceStatus(service, &status)) << GetLastError();
    return status;
  }
  static DWORD State(SC_HANDLE service) { return Status(service).dwCurrentState; }
  static int64_t Pid(const std::u16string& name) {
    SimServiceInfo info;
    EXPECT_TRUE(SimFindService(name, &info));
    return info.pid;
  }
  // ControlService(STOP): the error (0 on success) and the status it filled.
  static DWORD Stop(SC_HANDLE service, SERVICE_STATUS* status) {
    *status = {};
    return ControlService(service, SERVICE_CONTROL_STOP, status) ? 0 : GetLastError();
  }

  SC_HANDLE manager_ = nullptr;
  std::vector<SC_HANDLE> handles_;
};

TEST_F(ServiceStatesTest, SlowStartIsPendingWithProgressAndTakesNoStopUntilItRuns) {
  SC_HANDLE slow = Create(u"Slow");
  ASSERT_TRUE(SimSetServiceStartMs(u"Slow", 500));
  ASSERT_TRUE(StartServiceW(slow, 0, nullptr)) << GetLastError();
  const int64_t pid = Pid(u"Slow");
  EXPECT_TRUE(ProcessListed(pid));  // the process runs while the service starts

  SERVICE_STATUS first = Status(slow), second = Status(slow);
  EXPECT_EQ(first.dwCurrentState, static_cast<DWORD>(SERVICE_START_PENDING));
  EXPECT_EQ(first.dwControlsAccepted, 0u);
  EXPECT_GT(first.dwWaitHint, 0u);
  EXPECT_GT(second.dwCheckPoint, first.dwCheckPoint);

  SERVICE_STATUS status;
  EXPECT_EQ(Stop(slow, &status), static_cast<DWORD>(ERROR_SERVICE_CANNOT_ACCEPT_CTRL));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_START_PENDING));
  EXPECT_FALSE(StartServiceW(slow, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));

  ASSERT_TRUE(Eventually([&] { return State(slow) == SERVICE_RUNNING; }));
  EXPECT_EQ(Status(slow).dwCheckPoint, 0u);
  EXPECT_EQ(Stop(slow, &status), 0u);
  EXPECT_EQ(SimServiceEvents(u"Slow"),
            (std::vector<std::string>{"created", "started", "running", "stop-requested",
                                      "stopped"}));

  // One that never finishes starting stays pending; a crash then stops it.
  SC_HANDLE hung = Create(u"Hung");
  ASSERT_TRUE(SimSetServiceStartMs(u"Hung", kSimServiceNeverStops));
  ASSERT_TRUE(StartServiceW(hung, 0, nullptr));
  usleep(100 * 1000);
  EXPECT_EQ(State(hung), static_cast<DWORD>(SERVICE_START_PENDING));
  ASSERT_TRUE(SimCrashService(u"Hung"));
  EXPECT_EQ(Status(hung).dwWin32ExitCode, static_cast<DWORD>(ERROR_PROCESS_ABORTED));
}

TEST_F(ServiceStatesTest, ServiceThatRefusesStopKeepsRunning) {
  SC_HANDLE service = Create(u"Stubborn");
  ASSERT_TRUE(SimSetServiceAcceptsStop(u"Stubborn", false));
  ASSERT_TRUE(StartServiceW(service, 0, nullptr));
  EXPECT_EQ(Status(service).dwControlsAccepted, 0u);
  SERVICE_STATUS status;
  EXPECT_EQ(Stop(service, &status), static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(State(service), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(ProcessListed(Pid(u"Stubborn")));

  ASSERT_TRUE(SimSetServiceAcceptsStop(u"Stubborn", true));
  EXPECT_EQ(Status(service).dwControlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP));
  EXPECT_EQ(Stop(service, &status), 0u);
}

TEST_F(ServiceStatesTest, RunningDependentsBlockTheStopAndDependenciesStartFirst) {
  SC_HANDLE base = Create(u"Base");
  SC_HANDLE user = Create(u"User", u"base\0+SomeGroup\0");
  // Starting the dependent starts what it needs first.
  ASSERT_TRUE(StartServiceW(user, 0, nullptr)) << GetLastError();
  EXPECT_EQ(State(base), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(State(user), static_cast<DWORD>(SERVICE_RUNNING));

  std::vector<DWORD> buffer(1024);
  auto* config = reinterpret_cast<LPQUERY_SERVICE_CONFIGW>(buffer.data());
  DWORD needed = 0;
  ASSERT_TRUE(QueryServiceConfigW(user, config, 4096, &needed));
  const std::u16string dependencies(config->lpDependencies, 6);
  EXPECT_EQ(dependencies, std::u16string(u"base\0\0", 6));  // groups are not services

  SERVICE_STATUS status;
  EXPECT_EQ(Stop(base, &status), static_cast<DWORD>(ERROR_DEPENDENT_SERVICES_RUNNING));
  EXPECT_EQ(State(base), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(Stop(user, &status), 0u);
  EXPECT_EQ(Stop(base, &status), 0u);

  // A dependency that does not exist keeps the service from starting.
  SC_HANDLE orphan = Create(u"Orphan", u"Nowhere\0");
  EXPECT_FALSE(StartServiceW(orphan, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DEPENDENCY_DELETED));
  EXPECT_EQ(State(orphan), static_cast<DWORD>(SERVICE_STOPPED));
}

TEST_F(ServiceStatesTest, CrashedServiceIsStoppedWithProcessAbortedAndItsProcessIsGone) {
  SC_HANDLE service = Create(u"Fragile");
  ASSERT_TRUE(StartServiceW(service, 0, nullptr));
  const int64_t pid = Pid(u"Fragile");
  ASSERT_TRUE(SimCrashService(u"Fragile"));
  SERVICE_STATUS status = Status(service);
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(ERROR_PROCESS_ABORTED));
  EXPECT_FALSE(ProcessListed(pid));
  EXPECT_FALSE(SimCrashService(u"Fragile"));  // nothing left to crash
  EXPECT_EQ(Stop(service, &status), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));

  // Started again it runs clean; a stop it reports leaves no error behind.
  ASSERT_TRUE(StartServiceW(service, 0, nullptr));
  EXPECT_EQ(Status(service).dwWin32ExitCode, 0u);
  EXPECT_EQ(Stop(service, &status), 0u);
  EXPECT_EQ(Status(service).dwWin32ExitCode, 0u);
}

TEST_F(ServiceStatesTest, StoppedServiceHoldsItsImageAMomentThenLetsGo) {
  SC_HANDLE service = Create(u"Quick");
  ASSERT_TRUE(StartServiceW(service, 0, nullptr));
  const int64_t pid = Pid(u"Quick");
  SERVICE_STATUS status;
  ASSERT_EQ(Stop(service, &status), 0u);
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(status.dwWin32ExitCode, 0u);
  // Reported stopped, its process has not ended yet: the image is in use.
  EXPECT_TRUE(ProcessListed(pid));
  EXPECT_FALSE(DeleteFileW(kProgram.c_str()));
  // Whatever ends it later is no program of the machine.
  const auto listed = SimListMachineProcesses(MachineDir());
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].pid, static_cast<pid_t>(pid));
  // It ends on its own, without anyone looking at the service.
  EXPECT_TRUE(Eventually([&] { return !ProcessListed(pid); }));
  EXPECT_TRUE(Eventually([&] { return DeleteFileW(kProgram.c_str()) != FALSE; }));
}

}  // namespace
