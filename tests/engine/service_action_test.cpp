// The "service" action: stop, wait for the stop, then delete, against the
// machine's service control manager.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine/actions/ZExecService.h"
#include "engine/actions/ZServiceAction.h"
#include "engine/ZRemoval.h"
#include "platform/files.h"
#include "platform/services.h"
#include "platform/sim/services/SimServices.h"
#include "platform/xml.h"
#include "tests/support/SimTestSupport.h"

namespace {

class ServiceUndoTest : public MachineTest {
 protected:
  // A running service of the helper program that takes stop_ms to stop.
  void CreateRunning(const std::u16string& name, int64_t stop_ms, int64_t start_ms = 0,
                     const char16_t* dependencies = nullptr) {
    InstallHelper(u"C:\\Program Files\\P", "svc.exe");
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE service = CreateServiceW(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_NORMAL, u"\"C:\\Program Files\\P\\svc.exe\" sleep",
                                       nullptr, nullptr, dependencies, nullptr, nullptr);
    ASSERT_NE(service, nullptr);
    ASSERT_TRUE(SimSetServiceStopMs(name, stop_ms));
    ASSERT_TRUE(SimSetServiceStartMs(name, start_ms));
    ASSERT_TRUE(StartServiceW(service, 0, nullptr));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
  }
  static void Undo(const std::string& attributes) {
    ZXmlDocument document;
    ASSERT_TRUE(document.Parse(("<config mode=\"service\" " + attributes + "/>").c_str()));
    ZServiceAction action(u"C:\\Program Files\\P\\svc.exe");
    action.LoadFromXml(document.FirstChildElement());
    action.Uninstall(6);
  }
  static std::vector<std::string> Events(const std::u16string& name) {
    return SimServiceEvents(name);
  }
  static int Stop(const std::u16string& name) {
    ZExecService exec;
    exec.SetService(name, u"", u"", u"", u"", u"");
    exec.ExecMode = ZExecService::kStop;
    return exec.Run();
  }
  static DWORD State(const std::u16string& name) {
    SimServiceInfo info;
    return SimFindService(name, &info) ? info.state : 0;
  }
};

TEST_F(ServiceUndoTest, StopsWaitsThenDeletesAndOnlyTheNamedService) {
  CreateRunning(u"Slow", 400);
  CreateRunning(u"Other", 0);
  const auto started = std::chrono::steady_clock::now();
  Undo(R"(name="slow")");  // names compare without regard to case
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(350));
  EXPECT_EQ(Events(u"Slow"), (std::vector<std::string>{"created", "started", "stop-requested",
                                                        "stopped", "delete-marked", "removed"}));
  SimServiceInfo info;
  EXPECT_FALSE(SimFindService(u"Slow", &info));
  ASSERT_TRUE(SimFindService(u"Other", &info));
  EXPECT_EQ(info.state, static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(ServiceUndoTest, AStoppedServiceIsStillDeletedAndAnEmptyNameTouchesNothing) {
  CreateRunning(u"Idle", 0);
  ZExecService stop;
  stop.SetService(u"Idle", u"", u"", u"", u"", u"");
  stop.ExecMode = ZExecService::kStop;
  EXPECT_EQ(stop.Run(), 1);
  EXPECT_EQ(stop.Run(), 0) << "a stopped service refuses the stop";

  Undo(R"(name="")");
  Undo("");
  SimServiceInfo info;
  EXPECT_TRUE(SimFindService(u"Idle", &info));

  Undo(R"(name="Idle")");  // the other attributes are missing
  EXPECT_FALSE(SimFindService(u"Idle", &info));
  Undo(R"(name="Idle")");  // not installed any more: nothing happens
  Undo(R"(name="Never Installed")");
}

TEST_F(ServiceUndoTest, ModesOfTheInstallerSideDoNothing) {
  CreateRunning(u"Kept", 0);
  ZExecService exec;
  exec.SetService(u"Kept", u"C:\\Program Files\\P\\svc.exe", u"", u"Kept", u"", u"");
  for (int32_t mode : {0, 1, 3, 5}) {
    exec.ExecMode = mode;
    EXPECT_EQ(exec.Run(), 0) << mode;
  }
  SimServiceInfo info;
  ASSERT_TRUE(SimFindService(u"Kept", &info));
  EXPECT_EQ(info.state, static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(ServiceUndoTest, AServiceStillStartingIsStoppedOnceItRuns) {
  CreateRunning(u"Late", 0, 600);
  ASSERT_EQ(State(u"Late"), static_cast<DWORD>(SERVICE_START_PENDING));
  EXPECT_EQ(Stop(u"Late"), 1);
  EXPECT_EQ(Events(u"Late"), (std::vector<std::string>{"created", "started", "running",
                                                        "stop-requested", "stopped"}));
}

TEST_F(ServiceUndoTest, AStopAnotherProgramAskedForIsWaitedFor) {
  CreateRunning(u"Stopping", 400);
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = OpenServiceW(manager, u"Stopping", SERVICE_STOP);
  SERVICE_STATUS status = {};
  ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  EXPECT_EQ(Stop(u"Stopping"), 1);
  EXPECT_EQ(State(u"Stopping"), static_cast<DWORD>(SERVICE_STOPPED));
}

TEST_F(ServiceUndoTest, RefusedStopsFailAndTheServiceIsOnlyMarked) {
  CreateRunning(u"Stubborn", 0);
  ASSERT_TRUE(SimSetServiceAcceptsStop(u"Stubborn", false));
  CreateRunning(u"Base", 0);
  CreateRunning(u"Client", 0, 0, u"Base\0");
  EXPECT_EQ(Stop(u"Stubborn"), 0);
  EXPECT_EQ(Stop(u"Base"), 0);
  // The action goes on to mark them; they stay until they stop.
  Undo(R"(name="Base")");
  SimServiceInfo info;
  ASSERT_TRUE(SimFindService(u"Base", &info));
  EXPECT_EQ(info.state, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(info.delete_pending);
  EXPECT_EQ(State(u"Client"), static_cast<DWORD>(SERVICE_RUNNING));  // not ours to stop
  EXPECT_EQ(State(u"Stubborn"), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(ServiceUndoTest, AStoppedServicesProgramIsRemovedNotLeftForTheRestart) {
  CreateRunning(u"Quick", 0);
  Undo(R"(name="Quick")");
  // Its process may still hold the image for a moment after the stop.
  RemoveRecordPath(u"C:\\Program Files\\P\\svc.exe", false, nullptr);
  EXPECT_EQ(GetFileAttributesW(u"C:\\Program Files\\P\\svc.exe"), INVALID_FILE_ATTRIBUTES);
  WIN32_FIND_DATAW found = {};
  HANDLE search = FindFirstFileW(u"C:\\Program Files\\P\\svc.exe_*", &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

}  // namespace
