// The real uninstaller on a machine where the sample's service starts slowly,
// refuses to stop, has a running dependent, or has crashed: what goes, what
// the log says, and that the run ends with exit code 0 without hanging.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/SimTestSupport.h"

namespace {

const char* const kProduct = "Program Files/Sample Product/";
const char* const kService = "SampleProductService";

class ServiceCasesFlowTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    auto installed = RunCommand({kSimhostPath, "install-sample", MachineDir()});
    ASSERT_EQ(installed.exit_code, 0) << installed.err;
  }
  CommandResult Svc(std::vector<std::string> args) {
    args.insert(args.begin(), {kSimhostPath, "svc", MachineDir()});
    return RunCommand(args);
  }
  CommandResult Uninstall() {
    return RunCommand({Real(std::string(kProduct) + "uninst.exe"), "/at"},
                      {"SIMHOST_MACHINE=" + MachineDir()});
  }
  std::string Events(const std::string& name) { return Svc({"events", name}).out; }
  std::vector<std::string> Warnings() {
    return LogMessages(Real(std::string(kProduct) + "log/uninst.exe.log"), "WARNING");
  }
  bool Warned(const std::string& part) {
    for (const auto& warning : Warnings())
      if (warning.find(part) != std::string::npos) return true;
    return false;
  }
  // The service is gone and so is its program file, not left for a restart.
  void ExpectServiceAndProgramGone() {
    EXPECT_NE(Svc({"query", kService}).exit_code, 0);
    EXPECT_FALSE(PathExists(Real(std::string(kProduct) + "SampleService.exe")));
    auto dump = RunCommand({kSimhostPath, "dump", MachineDir()});
    EXPECT_EQ(dump.out.find("SampleService.exe_"), std::string::npos) << "left for the restart";
  }
};

TEST_F(ServiceCasesFlowTest, ServiceStillStartingIsStoppedOnceRunningThenRemoved) {
  ASSERT_EQ(Svc({"set", kService, "--start-ms", "1500", "--stop-ms", "0"}).exit_code, 0);
  ASSERT_EQ(Svc({"stop", kService}).exit_code, 0);
  ASSERT_EQ(Svc({"start", kService}).exit_code, 0);
  ASSERT_EQ(Svc({"query", kService}).out.find(std::string(kService) + " START_PENDING"), 0u);

  auto run = Uninstall();
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Events(kService),
            "created\nstarted\nstop-requested\nstopped\nstarted\nrunning\nstop-requested\n"
            "stopped\ndelete-marked\nremoved\n");
  ExpectServiceAndProgramGone();
  EXPECT_TRUE(Warnings().empty());
}

TEST_F(ServiceCasesFlowTest, ServiceThatRefusesToStopIsLoggedMarkedAndEndedWithItsFile) {
  ASSERT_EQ(Svc({"set", kService, "--refuses-stop"}).exit_code, 0);
  auto run = Uninstall();
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Warned("cannot stop service SampleProductService : it does not accept a stop"));
  // Never asked to stop: marked, then its program was ended with the removal of its file.
  EXPECT_EQ(Events(kService), "created\nstarted\ndelete-marked\nstopped\nremoved\n");
  ExpectServiceAndProgramGone();
}

TEST_F(ServiceCasesFlowTest, RunningDependentOfAnotherVendorIsLeftRunning) {
  InstallHelper(u"C:\\Program Files\\Other Vendor", "agent.exe");
  ASSERT_EQ(Svc({"create", "OtherAgent", "\"C:\\Program Files\\Other Vendor\\agent.exe\" sleep",
                 "--depends-on", kService}).exit_code, 0);
  ASSERT_EQ(Svc({"start", "OtherAgent"}).exit_code, 0);

  auto run = Uninstall();
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Warned("cannot stop service SampleProductService : other running services "
                     "depend on it"));
  EXPECT_EQ(Events(kService), "created\nstarted\ndelete-marked\nstopped\nremoved\n");
  ExpectServiceAndProgramGone();
  // The dependent is not the product's: it was neither stopped nor removed.
  EXPECT_EQ(Svc({"query", "OtherAgent"}).out.find("OtherAgent RUNNING"), 0u);
  EXPECT_TRUE(PathExists(Real("Program Files/Other Vendor/agent.exe")));
}

TEST_F(ServiceCasesFlowTest, CrashedServiceIsDeletedWithoutAWarning) {
  ASSERT_EQ(Svc({"crash", kService}).exit_code, 0);
  ASSERT_EQ(Svc({"query", kService}).out, std::string(kService) + " STOPPED exit=1067\n");
  auto run = Uninstall();
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Events(kService), "created\nstarted\nstopped\ndelete-marked\nremoved\n");
  ExpectServiceAndProgramGone();
  EXPECT_TRUE(Warnings().empty());
}

}  // namespace
