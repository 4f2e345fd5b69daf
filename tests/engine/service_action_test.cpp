// The "service" action: stop, wait for the stop, then delete, against the
// machine's service control manager.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine/actions/ZExecService.h"
#include "engine/actions/ZServiceAction.h"
#include "platform/services.h"
#include "platform/sim/services/SimServices.h"
#include "platform/xml.h"
#include "tests/support/SimTestSupport.h"

namespace {

class ServiceUndoTest : public MachineTest {
 protected:
  // A running service of the helper program that takes stop_ms to stop.
  void CreateRunning(const std::u16string& name, int64_t stop_ms) {
    InstallHelper(u"C:\\Program Files\\P", "svc.exe");
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE service = CreateServiceW(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_NORMAL, u"\"C:\\Program Files\\P\\svc.exe\" sleep",
                                       nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(service, nullptr);
    ASSERT_TRUE(SimSetServiceStopMs(name, stop_ms));
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

}  // namespace
