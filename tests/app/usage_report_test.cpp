// The usage report of a real silent uninstall, delivered through the
// machine's route for the statistics host to the reference collector.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/SimTestSupport.h"

namespace {

class UsageReportTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    auto installed = RunCommand({kSimhostPath, "install-sample", MachineDir()});
    ASSERT_EQ(installed.exit_code, 0) << installed.err;
    launcher_ = InstallHelper(u"C:\\Tools", "launcher.exe");
  }
  void TearDown() override {
    if (collector_.Pid() > 0) {
      collector_.Kill();
      collector_.Wait();
    }
    MachineTest::TearDown();
  }

  // Starts the collector and routes the statistics host to it.
  void Collect(const std::string& mode = "ok") {
    out_ = temp_.Path() + "/reports.jsonl";
    ASSERT_TRUE(collector_.Start(UNINST_STATCOLLECTOR_PATH,
                                 {"--listen", "127.0.0.1:0", "--out", out_, "--reply", mode}));
    std::string line = collector_.ReadLine();
    ASSERT_EQ(line.rfind("listening ", 0), 0u) << line;
    Route(line.substr(10));
  }
  void Route(const std::string& address) {
    auto routed = RunCommand({kSimhostPath, "route", MachineDir(), "--statistics", address});
    ASSERT_EQ(routed.exit_code, 0) << routed.err;
  }

  // Runs the uninstaller silently, started by a program of the machine.
  CommandResult Uninstall() {
    return RunCommand(
        {launcher_, "start", "\"C:\\Program Files\\Sample Product\\uninst.exe\" /at", "exit", "0"},
        {"SIMHOST_MACHINE=" + MachineDir()});
  }

  std::vector<std::string> Reports() const { return ReadTextLines(out_); }

  TempDir temp_;
  ChildProcess collector_;
  std::string out_;
  std::string launcher_;
};

TEST_F(UsageReportTest, ASilentRunDeliversExactlyOneFinishedReport) {
  Collect();
  auto run = Uninstall();
  EXPECT_EQ(run.exit_code, 0) << run.err;
  auto lines = Reports();
  ASSERT_EQ(lines.size(), 1u);
  const std::string& json = lines[0];
  EXPECT_EQ(JsonField(json, "event", "result"), "1") << json;
  EXPECT_EQ(JsonField(json, "event", "kind"), "1");
  EXPECT_EQ(JsonField(json, "event", "install_days"), "3") << "the age captured before the removal";
  EXPECT_EQ(JsonField(json, "event", "parent_path"), "\"C:\\\\Tools\\\\launcher.exe\"");
  EXPECT_EQ(JsonField(json, "event", "pid"), "30101");
  EXPECT_EQ(JsonField(json, "public", "uuid"), "\"5F0C2A7E9B3D4E61A8C7F02D1E4B9A36\"");
  EXPECT_EQ(JsonField(json, "public", "svrid"), "\"A1B2C3D4E5F60718293A4B5C6D7E8F90\"");
  for (const char* id : {"tid1", "tid2", "tod1", "tod2", "iid"})
    EXPECT_EQ(JsonField(json, "public", id), "0") << id << ": a silent run does not load them";
  EXPECT_EQ(JsonField(json, "public", "tryno"), "2");
  EXPECT_EQ(JsonField(json, "public", "constant"), "7");
  // The removal happened all the same.
  EXPECT_FALSE(PathExists(Real("Program Files/Sample Product/SampleCore.dll")));
}

TEST_F(UsageReportTest, NoCollectorOrARefusingOneLeavesTheRunPromptAndWhole) {
  // A free port with nobody listening: the connection is refused.
  Route("127.0.0.1:9");
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(Uninstall().exit_code, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
  EXPECT_FALSE(PathExists(Real("Program Files/Sample Product/SampleCore.dll")));
}

TEST_F(UsageReportTest, ACollectorThatNeverAnswersCostsAtMostTheTimeout) {
  Collect("hang");
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(Uninstall().exit_code, 0);
  auto took = std::chrono::steady_clock::now() - started;
  EXPECT_GE(took, std::chrono::seconds(9));
  EXPECT_LT(took, std::chrono::seconds(20));
  EXPECT_EQ(Reports().size(), 1u) << "the packet arrived; only the answer never came";
}

}  // namespace
